#pragma once

#include <QColor>

#include "ui/style/theme.h"

// How a button of one kind looks: its label's and background's colours in each state, and the
// padding around the label. The label's font is the button's own.
struct ButtonStyle {
  enum class Kind { primary, subtle, danger };
  enum class State { normal, pressed, disabled };

  struct Colors {
    QColor text;
    QColor background;
    bool operator==(const Colors&) const = default;
  };

  Kind kind;
  int paddingX;
  int paddingY;

  bool operator==(const ButtonStyle&) const = default;

  Colors colors(State state, ColorScheme scheme) const;
};

// The main action of a window: `accentInk` on `accent`.
inline constexpr ButtonStyle PrimaryButtonStyle{ButtonStyle::Kind::primary, 14, 7};
// Secondary actions: `ink` on `hover`.
inline constexpr ButtonStyle SubtleButtonStyle{ButtonStyle::Kind::subtle, 12, 5};
// Destructive actions: `danger` on `dangerSoft`.
inline constexpr ButtonStyle DangerButtonStyle{ButtonStyle::Kind::danger, 14, 7};
