#include "ui/style/theme.h"

#include <QVariant>
#include <QWidget>

#include "ui/style/appearance.h"

namespace {

const char* const forcedSchemeProperty = "wordloomColorScheme";

}  // namespace

QColor ThemeColor::resolved(ColorScheme scheme) const {
  QColor color = QColor::fromRgb(scheme == ColorScheme::dark ? dark : light);
  color.setAlphaF(static_cast<float>(scheme == ColorScheme::dark ? darkOpacity : lightOpacity));
  return color;
}

QColor ThemeColor::in(const QWidget* widget) const {
  return resolved(Theme::schemeOf(widget));
}

QColor ThemeColor::current() const {
  return resolved(Appearance::shared().scheme());
}

namespace Theme {

QPalette palette(ColorScheme scheme) {
  const auto c = [scheme](const ThemeColor& color) { return color.resolved(scheme); };
  QPalette p;
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    const bool disabled = group == QPalette::Disabled;
    const QColor text = disabled ? c(sub) : c(ink);
    p.setColor(group, QPalette::Window, c(ground));
    p.setColor(group, QPalette::WindowText, text);
    p.setColor(group, QPalette::Base, c(ground));
    p.setColor(group, QPalette::AlternateBase, c(surface));
    p.setColor(group, QPalette::Text, text);
    p.setColor(group, QPalette::PlaceholderText, c(sub));
    p.setColor(group, QPalette::Button, c(surface));
    p.setColor(group, QPalette::ButtonText, text);
    p.setColor(group, QPalette::BrightText, c(accentInk));
    p.setColor(group, QPalette::ToolTipBase, c(surface));
    p.setColor(group, QPalette::ToolTipText, c(ink));
    p.setColor(group, QPalette::Highlight, disabled ? c(line) : c(accent));
    p.setColor(group, QPalette::HighlightedText, disabled ? c(sub) : c(accentInk));
    p.setColor(group, QPalette::Link, c(accent));
    p.setColor(group, QPalette::LinkVisited, c(accent));
    // Fusion draws frames, grooves and bevels from these.
    p.setColor(group, QPalette::Light, c(ground));
    p.setColor(group, QPalette::Midlight, c(hover));
    p.setColor(group, QPalette::Mid, c(line));
    p.setColor(group, QPalette::Dark, c(line));
    p.setColor(group, QPalette::Shadow, c(sub));
  }
  return p;
}

ColorScheme schemeOf(const QWidget* widget) {
  for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    const QVariant forced = w->property(forcedSchemeProperty);
    if (forced.isValid()) return static_cast<ColorScheme>(forced.toInt());
  }
  return Appearance::shared().scheme();
}

void force(QWidget* widget, ColorScheme scheme) {
  widget->setProperty(forcedSchemeProperty, static_cast<int>(scheme));
  widget->setPalette(palette(scheme));
}

}  // namespace Theme
