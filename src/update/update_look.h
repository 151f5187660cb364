#pragma once

#include <QFont>
#include <QRgb>
#include <optional>

#include "ui/style/theme.h"

namespace UpdatePrompt {

// A host's own accent for the update window, light and dark (0xRRGGBB).
struct Tint {
  QRgb light;
  QRgb dark;
  bool operator==(const Tint&) const = default;
};

// None until a host sets one; the window then keeps the theme's accent.
const std::optional<Tint>& tint();
void setTint(std::optional<Tint> tint);

}  // namespace UpdatePrompt

// The update window's colours: the theme's, with the host's tint as the accent when it set one.
// Text on a tint is white in both schemes, since a tint's dark value need not be light.
struct UpdatePalette {
  ThemeColor ground;
  ThemeColor surface;
  ThemeColor hover;
  ThemeColor line;
  ThemeColor ink;
  ThemeColor sub;
  ThemeColor accent;
  ThemeColor accentInk;
  ThemeColor ok;
  ThemeColor danger;
  ThemeColor dangerSoft;

  bool operator==(const UpdatePalette&) const = default;

  static UpdatePalette current();
};

namespace UpdateLook {

// The corners of the window's buttons and boxes.
constexpr double cornerRadius = 6;

// The system font at `size` device-independent pixels, as the rest of the windows size type.
QFont font(int size, QFont::Weight weight = QFont::Normal);

}  // namespace UpdateLook
