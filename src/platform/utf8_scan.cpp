#include "platform/utf8_scan.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define WORDLOOM_UTF8_BLOCKS 1
#endif

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "platform/text.h"

namespace platform::utf8_scan {
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

bool machineValid(std::string_view bytes) {
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

#if defined(WORDLOOM_UTF8_BLOCKS)

namespace {

// Thirty-two bytes at a time, after Keiser and Lemire, "Validating UTF-8 In
// Less Than One Instruction Per Byte" (2021). Each byte is judged with the
// one, two and three bytes before it: three table lookups on nibbles give a
// bit per kind of fault for every pair of bytes, and the places where a third
// or fourth byte of a character must stand are found by saturating
// subtraction. Any bit left over is a fault.
namespace fault {
constexpr std::uint8_t tooShort = 1 << 0;      // lead byte not followed by a continuation
constexpr std::uint8_t tooLong = 1 << 1;       // continuation after an ASCII byte
constexpr std::uint8_t overlong3 = 1 << 2;     // E0 80–9F
constexpr std::uint8_t tooLarge = 1 << 3;      // F4 90–BF, F5–FF
constexpr std::uint8_t surrogate = 1 << 4;     // ED A0–BF
constexpr std::uint8_t overlong2 = 1 << 5;     // C0, C1
constexpr std::uint8_t tooLarge1000 = 1 << 6;  // F5–FF 80–8F
constexpr std::uint8_t overlong4 = 1 << 6;     // F0 80–8F
constexpr std::uint8_t twoContinuations = 1 << 7;
constexpr std::uint8_t carry = tooShort | tooLong | twoContinuations;
}  // namespace fault

using Table = std::array<std::uint8_t, 32>;

// The shuffle looks up within each 16-byte half, so each half holds the table.
constexpr Table twice(std::array<std::uint8_t, 16> half) {
  Table table{};
  for (std::size_t i = 0; i < 32; ++i) table[i] = half[i % 16];
  return table;
}

constexpr Table firstHigh = [] {
  using namespace fault;
  return twice({tooLong, tooLong, tooLong, tooLong, tooLong, tooLong, tooLong, tooLong,
                twoContinuations, twoContinuations, twoContinuations, twoContinuations,
                tooShort | overlong2, tooShort, tooShort | overlong3 | surrogate,
                tooShort | tooLarge | tooLarge1000 | overlong4});
}();

constexpr Table firstLow = [] {
  using namespace fault;
  constexpr std::uint8_t large = carry | tooLarge | tooLarge1000;
  return twice({carry | overlong3 | overlong2 | overlong4, carry | overlong2, carry, carry,
                carry | tooLarge, large, large, large, large, large, large, large, large,
                large | surrogate, large, large});
}();

constexpr Table secondHigh = [] {
  using namespace fault;
  constexpr std::uint8_t continuation = tooLong | overlong2 | twoContinuations;
  return twice({tooShort, tooShort, tooShort, tooShort, tooShort, tooShort, tooShort, tooShort,
                continuation | overlong3 | tooLarge1000 | overlong4,
                continuation | overlong3 | tooLarge, continuation | surrogate | tooLarge,
                continuation | surrogate | tooLarge, tooShort, tooShort, tooShort, tooShort});
}();

// Largest byte allowed at each place of a block with the next block all ASCII
// or the text ending: a lead byte among the last three must not need more
// bytes than the block has left.
constexpr Table lastAllowed = [] {
  Table allowed{};
  allowed.fill(0xFF);
  allowed[29] = 0xF0 - 1;
  allowed[30] = 0xE0 - 1;
  allowed[31] = 0xC0 - 1;
  return allowed;
}();

// One function, so that no vector crosses a call without AVX enabled.
__attribute__((target("avx2"))) bool blocksValidImpl(std::string_view bytes) {
  const __m256i firstHighTable =
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(firstHigh.data()));
  const __m256i firstLowTable =
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(firstLow.data()));
  const __m256i secondHighTable =
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(secondHigh.data()));
  const __m256i allowed = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lastAllowed.data()));
  const __m256i low4 = _mm256_set1_epi8(0x0F);

  const std::size_t whole = bytes.size() / 32 * 32;
  // Padding with NUL ends any character the text leaves unfinished.
  alignas(32) char tail[32] = {};
  std::memcpy(tail, bytes.data() + whole, bytes.size() - whole);

  __m256i error = _mm256_setzero_si256();
  __m256i previous = _mm256_setzero_si256();
  __m256i unfinished = _mm256_setzero_si256();
  for (std::size_t at = 0; at < bytes.size(); at += 32) {
    const __m256i input =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at < whole ? bytes.data() + at : tail));
    if (_mm256_movemask_epi8(input) == 0) {
      error = _mm256_or_si256(error, unfinished);
      unfinished = _mm256_setzero_si256();
    } else {
      const __m256i joined = _mm256_permute2x128_si256(previous, input, 0x21);
      const __m256i before1 = _mm256_alignr_epi8(input, joined, 15);
      const __m256i before2 = _mm256_alignr_epi8(input, joined, 14);
      const __m256i before3 = _mm256_alignr_epi8(input, joined, 13);
      const __m256i pairs = _mm256_and_si256(
          _mm256_and_si256(
              _mm256_shuffle_epi8(firstHighTable,
                                  _mm256_and_si256(_mm256_srli_epi16(before1, 4), low4)),
              _mm256_shuffle_epi8(firstLowTable, _mm256_and_si256(before1, low4))),
          _mm256_shuffle_epi8(secondHighTable,
                              _mm256_and_si256(_mm256_srli_epi16(input, 4), low4)));
      // 0x80 where a third byte (after E0–FF) or a fourth (after F0–FF) must stand.
      const __m256i mustContinue =
          _mm256_and_si256(_mm256_or_si256(_mm256_subs_epu8(before2, _mm256_set1_epi8(0x60)),
                                           _mm256_subs_epu8(before3, _mm256_set1_epi8(0x70))),
                           _mm256_set1_epi8(static_cast<char>(0x80)));
      error = _mm256_or_si256(error, _mm256_xor_si256(mustContinue, pairs));
      unfinished = _mm256_subs_epu8(input, allowed);
    }
    previous = input;
  }
  error = _mm256_or_si256(error, unfinished);
  return _mm256_testz_si256(error, error) != 0;
}

}  // namespace

bool blocksAvailable() {
  static const bool available = __builtin_cpu_supports("avx2");
  return available;
}

bool blocksValid(std::string_view bytes) {
  return blocksValidImpl(bytes);
}

#else

bool blocksAvailable() {
  return false;
}

bool blocksValid(std::string_view bytes) {
  return machineValid(bytes);
}

#endif

}  // namespace platform::utf8_scan

namespace platform {

bool isValidUtf8(std::string_view bytes) {
  // Short texts are done before the block loop would have warmed up.
  if (bytes.size() >= 64 && utf8_scan::blocksAvailable()) return utf8_scan::blocksValid(bytes);
  return utf8_scan::machineValid(bytes);
}

}  // namespace platform
