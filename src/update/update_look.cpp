#include "update/update_look.h"

#include <QGuiApplication>

namespace UpdatePrompt {

namespace {

std::optional<Tint>& tintValue() {
  static std::optional<Tint> value;
  return value;
}

}  // namespace

const std::optional<Tint>& tint() {
  return tintValue();
}

void setTint(std::optional<Tint> tint) {
  tintValue() = tint;
}

}  // namespace UpdatePrompt

UpdatePalette UpdatePalette::current() {
  UpdatePalette palette{Theme::ground, Theme::surface, Theme::hover,     Theme::line,
                        Theme::ink,    Theme::sub,     Theme::accent,    Theme::accentInk,
                        Theme::ok,     Theme::danger,  Theme::dangerSoft};
  if (const auto& tint = UpdatePrompt::tint()) {
    palette.accent = {tint->light, tint->dark};
    palette.accentInk = {0xFFFFFF, 0xFFFFFF};
  }
  return palette;
}

namespace UpdateLook {

QFont font(int size, QFont::Weight weight) {
  QFont font = QGuiApplication::font();
  font.setPixelSize(size);
  font.setWeight(weight);
  return font;
}

}  // namespace UpdateLook
