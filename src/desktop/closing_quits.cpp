#include "desktop/closing_quits.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

ClosingQuits::ClosingQuits(QWidget* window) : QObject(window) {
  window->installEventFilter(this);
}

bool ClosingQuits::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Close || quitting_) return false;
  quitting_ = true;
  event->ignore();
  QTimer::singleShot(0, this, [this, window = static_cast<QWidget*>(watched)] {
    QCoreApplication::quit();
    // Another window refused to close: the application goes on, and so does this window.
    if (window->isVisible()) quitting_ = false;
  });
  return true;
}
