#pragma once

#include <vector>

// How wide a table column may be.
struct ColumnSpan {
  int min;
  int max;
  bool operator==(const ColumnSpan&) const = default;
};

namespace ColumnWidths {

// Widths for `available` pixels: every column at least its minimum, the space beyond the minimums
// shared in proportion to how much each may still grow, none past its maximum.
std::vector<int> fit(const std::vector<ColumnSpan>& spans, int available);

// `width` brought within the span.
int clamp(const ColumnSpan& span, int width);

}  // namespace ColumnWidths
