#include "update/version_rule.h"

#include <charconv>
#include <cstdint>
#include <optional>

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

// The next non-empty piece of `rest`, taken off it; nothing once none is left. Pieces are read in
// place: release notes compare versions in a sort.
std::optional<std::int64_t> takePiece(std::string_view& rest) {
  while (!rest.empty()) {
    const std::size_t dot = rest.find('.');
    const std::string_view piece = rest.substr(0, dot);
    rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
    if (!piece.empty()) return pieceValue(piece);
  }
  return std::nullopt;
}

}  // namespace

bool isNewer(std::string_view a, std::string_view than) {
  for (;;) {
    const std::optional<std::int64_t> p = takePiece(a);
    const std::optional<std::int64_t> q = takePiece(than);
    // A missing piece counts as 0: "1.2" and "1.2.0" are the same version.
    if (!p && !q) return false;
    if (p.value_or(0) != q.value_or(0)) return p.value_or(0) > q.value_or(0);
  }
}

}  // namespace UpdatePrompt
