#pragma once

#include <QString>

class QWidget;

// A window's position and size kept between runs, under a name of its own in the per-user
// settings.
namespace WindowFrame {

// Puts `window` where it was when last saved under `name`; false when nothing was saved.
bool restore(QWidget* window, const QString& name);
void save(const QWidget* window, const QString& name);

// Restores `window` now and saves it whenever it closes and when the application quits.
void keep(QWidget* window, const QString& name);

}  // namespace WindowFrame
