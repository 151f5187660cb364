#pragma once

#include <QColor>
#include <QPalette>
#include <QRgb>

class QWidget;

// Which of a colour pair is drawn.
enum class ColorScheme { light, dark };

// One colour of the theme: a light and a dark value (0xRRGGBB, sRGB), each with its opacity.
struct ThemeColor {
  QRgb light;
  QRgb dark;
  double lightOpacity = 1.0;
  double darkOpacity = 1.0;

  bool operator==(const ThemeColor&) const = default;

  QColor resolved(ColorScheme scheme) const;
  // The value for the scheme `widget` is drawn in (see Theme::schemeOf); resolve it while
  // painting, never keep it, so that a switch of the appearance takes effect on the next paint.
  QColor in(const QWidget* widget) const;
  // The value for the application's scheme, for drawing that belongs to no widget.
  QColor current() const;
};

// The only source of colours of the windows.
namespace Theme {

inline constexpr ThemeColor ground{0xFFFFFF, 0x1F2226};
inline constexpr ThemeColor surface{0xF1F2F4, 0x2A2E33};
inline constexpr ThemeColor hover{0xE6E8EB, 0x343940};
inline constexpr ThemeColor line{0xD9DCE0, 0x3D434A};
inline constexpr ThemeColor ink{0x1D2329, 0xE8EAED};
inline constexpr ThemeColor sub{0x5D6670, 0xA7AFB8};
inline constexpr ThemeColor accent{0x2C4A6B, 0x9DB8D3};
inline constexpr ThemeColor accentInk{0xFFFFFF, 0x12202E};
inline constexpr ThemeColor accentSoft{0x2C4A6B, 0x9DB8D3, 0.07, 0.14};
inline constexpr ThemeColor ok{0x2B7A56, 0x72C99D};
inline constexpr ThemeColor warn{0x8A6000, 0xE0B452};
inline constexpr ThemeColor danger{0xA33D3D, 0xE59292};
inline constexpr ThemeColor dangerSoft{0xA33D3D, 0xE59292, 0.1, 0.14};
inline constexpr ThemeColor info{0x1F5F99, 0x8FB8E0};
inline constexpr ThemeColor shadow{0x000000, 0x000000, 0.14, 0.5};

// Corner radius of buttons and boxes, in device-independent pixels.
inline constexpr double radius = 6;

// The palette of a scheme: window and views on `ground`, text in `ink`, selection in `accent`.
// The application carries it (see Appearance), so that widgets Qt draws itself match ours.
QPalette palette(ColorScheme scheme);

// The scheme `widget` is drawn in: that of the nearest ancestor (or itself) given one with
// `force`, else the application's.
ColorScheme schemeOf(const QWidget* widget);

// Draws `widget` and everything in it in `scheme` whatever the application's appearance
// (a window that must stay light or dark, snapshots of both).
void force(QWidget* widget, ColorScheme scheme);

}  // namespace Theme
