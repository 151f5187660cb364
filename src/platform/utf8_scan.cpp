#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "platform/text.h"

namespace platform {
namespace {

// A shift-based state machine: each state is a bit offset into a 64-bit row
// per byte value, and the row holds the offset of the next state there. The
// next state costs one table load that does not wait for the previous state
// and one shift, so no branch depends on the text.
enum State : std::uint64_t {
  error = 0,  // absorbing: every row holds 0 at offset 0
  accept = 6,
  tail1 = 12,    // one continuation byte to go
  tail2 = 18,    // two to go
  tail3 = 24,    // three to go
  afterE0 = 30,  // A0–BF, else overlong
  afterED = 36,  // 80–9F, else a surrogate
  afterF0 = 42,  // 90–BF, else overlong
  afterF4 = 48,  // 80–8F, else above U+10FFFF
};

constexpr State next(State state, unsigned byte) {
  const bool continuation = byte >= 0x80 && byte <= 0xBF;
  switch (state) {
    case accept:
      if (byte < 0x80) return accept;
      if (byte >= 0xC2 && byte <= 0xDF) return tail1;
      if (byte == 0xE0) return afterE0;
      if (byte == 0xED) return afterED;
      if (byte >= 0xE1 && byte <= 0xEF) return tail2;
      if (byte == 0xF0) return afterF0;
      if (byte >= 0xF1 && byte <= 0xF3) return tail3;
      if (byte == 0xF4) return afterF4;
      return error;
    case tail1:
      return continuation ? accept : error;
    case tail2:
      return continuation ? tail1 : error;
    case tail3:
      return continuation ? tail2 : error;
    case afterE0:
      return byte >= 0xA0 && byte <= 0xBF ? tail1 : error;
    case afterED:
      return byte >= 0x80 && byte <= 0x9F ? tail1 : error;
    case afterF0:
      return byte >= 0x90 && byte <= 0xBF ? tail2 : error;
    case afterF4:
      return byte >= 0x80 && byte <= 0x8F ? tail2 : error;
    default:
      return error;
  }
}

constexpr std::array<std::uint64_t, 256> makeRows() {
  constexpr State states[] = {accept, tail1, tail2, tail3, afterE0, afterED, afterF0, afterF4};
  std::array<std::uint64_t, 256> rows{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    for (const State state : states) {
      rows[byte] |= static_cast<std::uint64_t>(next(state, byte)) << state;
    }
  }
  return rows;
}

constexpr std::array<std::uint64_t, 256> rows = makeRows();

// Runs the machine over [begin, end) from `state`.
std::uint64_t run(const unsigned char* s, std::size_t begin, std::size_t end, std::uint64_t state) {
  for (std::size_t i = begin; i < end; ++i) state = rows[s[i]] >> (state & 63);
  return state & 63;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  constexpr int streams = 4;
  if (n < 1024) return run(s, 0, n, accept) == accept;
  // Four machines over four stretches run side by side in the processor.
  // Each stretch but the first starts at a byte that is not a continuation
  // byte, so a valid text splits between characters; an invalid one still
  // fails in the stretch that holds the fault (more than three continuation
  // bytes in a row are invalid wherever the cut falls).
  std::size_t cut[streams + 1];
  cut[0] = 0;
  cut[streams] = n;
  for (int k = 1; k < streams; ++k) {
    std::size_t at = n / streams * k;
    for (int step = 0; step < 3 && (s[at] & 0xC0) == 0x80; ++step) ++at;
    cut[k] = at;
  }
  std::size_t common = n;
  for (int k = 0; k < streams; ++k) common = std::min(common, cut[k + 1] - cut[k]);
  std::uint64_t state[streams] = {accept, accept, accept, accept};
  for (std::size_t i = 0; i < common; ++i) {
    for (int k = 0; k < streams; ++k) state[k] = rows[s[cut[k] + i]] >> (state[k] & 63);
  }
  for (int k = 0; k < streams; ++k) {
    if (run(s, cut[k] + common, cut[k + 1], state[k]) != accept) return false;
  }
  return true;
}

}  // namespace platform
