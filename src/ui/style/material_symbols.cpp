#include "ui/style/material_symbols.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <iostream>

#include "background/app_info.h"

namespace MaterialSymbols {

namespace {

// Asked on every paint; known after the first question until the next registration.
std::optional<bool> knownAvailable;

int pixelSize(double size) {
  return std::max(1, static_cast<int>(std::lround(size)));
}

}  // namespace

QStringList fontFolders() {
  QStringList folders;
  if (QCoreApplication::instance() != nullptr) {
    folders << QDir::cleanPath(QCoreApplication::applicationDirPath() +
                               QStringLiteral("/../share/wordloom/fonts"));
  }
  folders << QStringLiteral(WORDLOOM_SOURCE_FONTS);
  return folders;
}

bool registerFont(const QStringList& folders) {
  if (isAvailable()) return true;
  for (const QString& folder : folders) {
    const QString path = QDir(folder).filePath(fileName);
    if (!QFileInfo::exists(path)) continue;
    knownAvailable.reset();
    if (QFontDatabase::addApplicationFont(path) >= 0 && isAvailable()) return true;
    std::cerr << AppInfo::name() << ": cannot load the icon font " << path.toStdString()
              << std::endl;
  }
  return false;
}

bool isAvailable() {
  if (!knownAvailable) knownAvailable = QFontDatabase::families().contains(family);
  return *knownAvailable;
}

double opticalSize(double size) {
  return std::clamp(size, 20.0, 48.0);
}

Variation variation(double size, bool fill, double weight) {
  return {fill ? 1 : 0, weight, opticalSize(size)};
}

std::optional<QFont> font(double size, bool fill, double weight) {
  if (!isAvailable()) return std::nullopt;
  QFont font(family);
  font.setPixelSize(pixelSize(size));
  // A code point the font lacks must not come out of another font as a stray character.
  font.setStyleStrategy(QFont::NoFontMerging);
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
  const Variation axes = variation(size, fill, weight);
  font.setVariableAxis(QFont::Tag("FILL"), static_cast<float>(axes.fill));
  font.setVariableAxis(QFont::Tag("wght"), static_cast<float>(axes.weight));
  font.setVariableAxis(QFont::Tag("opsz"), static_cast<float>(axes.opticalSize));
#else
  Q_UNUSED(fill);
  Q_UNUSED(weight);
#endif
  return font;
}

QString glyph(const QString& name) {
  const std::string key = name.toStdString();
  const auto found = std::find_if(codepoints.begin(), codepoints.end(),
                                  [&](const Codepoint& icon) { return icon.name == key; });
  if (found == codepoints.end()) return name;
  const char32_t codepoint = found->codepoint;
  return QString::fromUcs4(&codepoint, 1);
}

Rendering rendering(const QString& name, double size, bool fill, double weight) {
  if (std::optional<QFont> iconFont = font(size, fill, weight)) return {glyph(name), *iconFont};
  QFont system = QGuiApplication::font();
  system.setPixelSize(pixelSize(size));
  return {QStringLiteral("•"), system};
}

void draw(QPainter& painter, const QRectF& square, const QString& name, double size,
          const QColor& color, bool fill, double weight) {
  const Rendering icon = rendering(name, size, fill, weight);
  painter.save();
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.setFont(icon.font);
  painter.setPen(color);
  painter.drawText(square, Qt::AlignCenter, icon.text);
  painter.restore();
}

}  // namespace MaterialSymbols
