#pragma once

#include <QString>
#include <functional>

class QMessageBox;
class QWidget;

// A question before something that cannot be taken back, over the window of `parent`, opened
// without blocking (QMessageBox::open): `onConfirm` runs only when the user picks `action`.
// Cancelling is the default answer, so Return never destroys by accident; Escape cancels too.
// The box deletes itself when answered and goes with `parent`.
struct Confirmation {
  QString title;
  QString message;  // may be empty
  QString action;
  bool destructive = true;
};

QMessageBox* openConfirmation(QWidget* parent, const Confirmation& confirmation,
                              std::function<void()> onConfirm);
