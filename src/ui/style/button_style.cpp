#include "ui/style/button_style.h"

namespace {

QColor withOpacity(const ThemeColor& color, ColorScheme scheme, double opacity) {
  QColor resolved = color.resolved(scheme);
  resolved.setAlphaF(static_cast<float>(resolved.alphaF() * opacity));
  return resolved;
}

// A disabled subtle or danger button would otherwise look exactly like an enabled one.
constexpr double disabledLabelOpacity = 0.5;

}  // namespace

ButtonStyle::Colors ButtonStyle::colors(State state, ColorScheme scheme) const {
  const bool pressed = state == State::pressed;
  const bool disabled = state == State::disabled;
  switch (kind) {
    case Kind::primary:
      return {withOpacity(Theme::accentInk, scheme, disabled ? 0.7 : 1.0),
              withOpacity(Theme::accent, scheme,
                          disabled  ? 0.35
                          : pressed ? 0.8
                                    : 1.0)};
    case Kind::subtle:
      return {withOpacity(Theme::ink, scheme, disabled ? disabledLabelOpacity : 1.0),
              (pressed ? Theme::line : Theme::hover).resolved(scheme)};
    case Kind::danger:
      return {
          withOpacity(Theme::danger, scheme, disabled ? disabledLabelOpacity : 1.0),
          pressed ? withOpacity(Theme::danger, scheme, 0.2) : Theme::dangerSoft.resolved(scheme)};
  }
  return {};
}
