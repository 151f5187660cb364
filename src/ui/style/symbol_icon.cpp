#include "ui/style/symbol_icon.h"

#include <QPainter>
#include <QPixmap>
#include <algorithm>

#include "ui/style/appearance.h"
#include "ui/style/material_symbols.h"

QColor SymbolIconEngine::color(QIcon::Mode mode, ColorScheme scheme) const {
  if (mode == QIcon::Selected) return Theme::accentInk.resolved(scheme);
  QColor color = symbol_.color.resolved(scheme);
  if (mode == QIcon::Disabled) color.setAlphaF(color.alphaF() * 0.4f);
  return color;
}

void SymbolIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) {
  const int side = std::min(rect.width(), rect.height());
  QRectF square(0, 0, side, side);
  square.moveCenter(QRectF(rect).center());
  MaterialSymbols::draw(*painter, square, symbol_.name, side,
                        color(mode, symbol_.scheme.value_or(Appearance::shared().scheme())),
                        symbol_.fill, symbol_.weight);
}

QPixmap SymbolIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
  return scaledPixmap(size, mode, state, 1.0);
}

QPixmap SymbolIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                                       qreal scale) {
  QPixmap pixmap(size * scale);
  pixmap.setDevicePixelRatio(scale);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  paint(&painter, QRect(QPoint(0, 0), size), mode, state);
  return pixmap;
}

QIconEngine* SymbolIconEngine::clone() const {
  return new SymbolIconEngine(symbol_);
}

QString SymbolIconEngine::key() const {
  return QStringLiteral("wordloom.symbol");
}

namespace MaterialSymbols {

QIcon icon(const QString& name, const ThemeColor& color, bool fill, double weight) {
  return icon({name, color, fill, weight, std::nullopt});
}

QIcon icon(const SymbolIconEngine::Symbol& symbol) {
  return QIcon(new SymbolIconEngine(symbol));
}

}  // namespace MaterialSymbols
