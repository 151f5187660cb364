#include "ui/main/column_widths.h"

#include <algorithm>

namespace ColumnWidths {

std::vector<int> fit(const std::vector<ColumnSpan>& spans, int available) {
  int least = 0;
  int room = 0;
  for (const ColumnSpan& span : spans) {
    least += span.min;
    room += span.max - span.min;
  }
  const double share =
      room == 0 ? 0.0 : std::clamp(static_cast<double>(available - least) / room, 0.0, 1.0);
  std::vector<int> widths;
  widths.reserve(spans.size());
  for (const ColumnSpan& span : spans) {
    widths.push_back(span.min + static_cast<int>((span.max - span.min) * share));
  }
  return widths;
}

int clamp(const ColumnSpan& span, int width) {
  return std::clamp(width, span.min, span.max);
}

}  // namespace ColumnWidths
