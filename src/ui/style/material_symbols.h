#pragma once

#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <string_view>

class QColor;
class QPainter;

// The icon font: Material Symbols Outlined, shipped with the application.
namespace MaterialSymbols {

inline const QString family = QStringLiteral("Material Symbols Outlined");
inline const QString fileName = QStringLiteral("MaterialSymbolsOutlined.ttf");

struct Codepoint {
  std::string_view name;
  char32_t codepoint;
};

// The icons the application draws.
inline constexpr std::array<Codepoint, 26> codepoints{{
    {"add_circle", 0xE990},
    {"check_box", 0xE9DE},
    {"check_box_outline_blank", 0xE835},
    {"check_circle", 0xF0BE},
    {"chevron_right", 0xE5CC},
    {"close", 0xE5CD},
    {"cloud", 0xF15C},
    {"cloud_off", 0xE2C1},
    {"delete", 0xE92E},
    {"dictionary", 0xF539},
    {"download", 0xF090},
    {"edit", 0xF097},
    {"error", 0xF8B6},
    {"folder", 0xE2C7},
    {"folder_open", 0xE2C8},
    {"history", 0xE8B3},
    {"info", 0xE88E},
    {"library_add", 0xE03C},
    {"more_horiz", 0xE5D3},
    {"radio_button_checked", 0xE837},
    {"radio_button_unchecked", 0xE836},
    {"search", 0xEF7A},
    {"settings", 0xE8B8},
    {"sync", 0xE627},
    {"tune", 0xE429},
    {"warning", 0xF083},
}};

// Where the font file is looked for, in order: beside an installed binary
// (<prefix>/bin/wordloom → <prefix>/share/wordloom/fonts), then the source tree of this build.
QStringList fontFolders();

// Makes the icon font available to this process, unless a font of `family` already is; a missing
// file is ignored. Returns whether the font is available now.
bool registerFont(const QStringList& folders = fontFolders());

// A font of `family` can be made.
bool isAvailable();

// The font's variation axes for an icon. The optical size follows the icon's size within the
// range the font was drawn for.
struct Variation {
  int fill;
  double weight;
  double opticalSize;
  bool operator==(const Variation&) const = default;
};
double opticalSize(double size);
Variation variation(double size, bool fill, double weight);

// The icon font at `size` pixels with the variation applied where Qt can (6.7 and later; before,
// the font's default instance); none without the font.
std::optional<QFont> font(double size, bool fill = false, double weight = 400);

// The text to draw for an icon: its code point, or for a name not in the table the name itself,
// which the font turns into the icon through its ligatures.
QString glyph(const QString& name);

// What an icon draws: the glyph in the icon font, or without the font a bullet of the same size
// in the system font.
struct Rendering {
  QString text;
  QFont font;
  bool operator==(const Rendering&) const = default;
};
Rendering rendering(const QString& name, double size, bool fill = false, double weight = 400);

// Draws the icon centred in `square` in `color`.
void draw(QPainter& painter, const QRectF& square, const QString& name, double size,
          const QColor& color, bool fill = false, double weight = 400);

}  // namespace MaterialSymbols
