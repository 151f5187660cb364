#pragma once

#include <QString>

#include "ui/style/theme.h"

class QWidget;
class ThemedLabel;

// A dim line of help: the ink colour at 30 %.
namespace Hint {

inline constexpr ThemeColor color{Theme::ink.light, Theme::ink.dark, 0.3, 0.3};

ThemedLabel* text(const QString& text, QWidget* parent = nullptr);

}  // namespace Hint
