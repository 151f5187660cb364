#pragma once

#include <QIcon>
#include <QIconEngine>
#include <QString>
#include <optional>
#include <utility>

#include "ui/style/theme.h"

// An icon of the symbol font for anything that takes a QIcon (tool buttons, menus, line edits,
// item views). It is drawn when Qt asks for it, in its theme colour resolved then, so a switch
// of the appearance shows on the next paint without making the icon again.
class SymbolIconEngine : public QIconEngine {
 public:
  struct Symbol {
    QString name;
    ThemeColor color = Theme::ink;
    bool fill = false;
    double weight = 400;
    // Drawn in this scheme whatever the application's: for windows under Theme::force, whose
    // scheme an icon cannot see when Qt asks it for a pixmap.
    std::optional<ColorScheme> scheme;
    bool operator==(const Symbol&) const = default;
  };

  explicit SymbolIconEngine(Symbol symbol) : symbol_(std::move(symbol)) {}

  const Symbol& symbol() const { return symbol_; }
  // The colour drawn in `mode` for `scheme`: dimmed when disabled, on the selection's colour
  // when selected.
  QColor color(QIcon::Mode mode, ColorScheme scheme) const;

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                       qreal scale) override;
  QIconEngine* clone() const override;
  QString key() const override;

 private:
  Symbol symbol_;
};

namespace MaterialSymbols {

QIcon icon(const QString& name, const ThemeColor& color = Theme::ink, bool fill = false,
           double weight = 400);
QIcon icon(const SymbolIconEngine::Symbol& symbol);

}  // namespace MaterialSymbols
