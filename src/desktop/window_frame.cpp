#include "desktop/window_frame.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QSettings>
#include <QWidget>

namespace WindowFrame {

namespace {

class SaveOnClose : public QObject {
 public:
  SaveOnClose(QWidget* window, QString name) : QObject(window), name_(std::move(name)) {
    window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Close) save(static_cast<QWidget*>(watched), name_);
    return false;
  }

 private:
  QString name_;
};

}  // namespace

bool restore(QWidget* window, const QString& name) {
  const QByteArray geometry = QSettings().value(name).toByteArray();
  return !geometry.isEmpty() && window->restoreGeometry(geometry);
}

void save(const QWidget* window, const QString& name) {
  QSettings().setValue(name, window->saveGeometry());
}

void keep(QWidget* window, const QString& name) {
  restore(window, name);
  new SaveOnClose(window, name);
  // A quit by a signal ends the event loop without closing any window.
  QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, window,
                   [window = QPointer<QWidget>(window), name] {
                     if (window && window->isVisible()) save(window, name);
                   });
}

}  // namespace WindowFrame
