#include "update/version_rule.h"

#include <charconv>
#include <cstdint>

namespace UpdatePrompt {
namespace {

std::int64_t pieceValue(std::string_view piece) {
  if (piece.starts_with('+')) {
    piece.remove_prefix(1);
    // "+-5" and "+" are not numbers.
    if (piece.empty() || piece.front() == '-') return 0;
  }
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
  // Overflow and trailing text both make the piece count as 0.
  if (error != std::errc() || end != piece.data() + piece.size()) return 0;
  return value;
}

// Takes the next non-empty piece off `rest`: its value, or 0 once none is left. Pieces are read
// in place; release notes compare versions in a sort.
std::int64_t takePiece(std::string_view& rest, bool& found) {
  while (!rest.empty()) {
    const std::size_t dot = rest.find('.');
    const std::string_view piece = rest.substr(0, dot);
    rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
    if (!piece.empty()) {
      found = true;
      return pieceValue(piece);
    }
  }
  return 0;
}

}  // namespace

bool isNewer(std::string_view a, std::string_view than) {
  for (;;) {
    bool found = false;
    const std::int64_t p = takePiece(a, found);
    const std::int64_t q = takePiece(than, found);
    if (!found) return false;
    if (p != q) return p > q;
  }
}

}  // namespace UpdatePrompt
