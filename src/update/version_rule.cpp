#include "update/version_rule.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

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

std::vector<std::int64_t> numbers(std::string_view version) {
  std::vector<std::int64_t> out;
  while (!version.empty()) {
    const std::size_t dot = version.find('.');
    const std::string_view piece = version.substr(0, dot);
    if (!piece.empty()) out.push_back(pieceValue(piece));
    if (dot == std::string_view::npos) break;
    version.remove_prefix(dot + 1);
  }
  return out;
}

}  // namespace

bool isNewer(std::string_view a, std::string_view than) {
  const std::vector<std::int64_t> x = numbers(a);
  const std::vector<std::int64_t> y = numbers(than);
  for (std::size_t i = 0; i < std::max(x.size(), y.size()); ++i) {
    const std::int64_t p = i < x.size() ? x[i] : 0;
    const std::int64_t q = i < y.size() ? y[i] : 0;
    if (p != q) return p > q;
  }
  return false;
}

}  // namespace UpdatePrompt
