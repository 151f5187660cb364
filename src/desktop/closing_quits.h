#pragma once

#include <QObject>

class QWidget;

// Closing `window` quits the application: there is no state with the application running and
// this window closed. The close is let through once the quit has begun; ignoring it and asking to
// quit again and again would loop, since quitting closes every window.
class ClosingQuits : public QObject {
  Q_OBJECT

 public:
  explicit ClosingQuits(QWidget* window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool quitting_ = false;
};
