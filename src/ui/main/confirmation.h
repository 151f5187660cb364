#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

#include "ui/style/button_style.h"

// A question before an action that cannot be taken back, opened window-modal with open() (never
// exec(): the event loop keeps running, and tests find and click it) and deleted when answered.
// Title and message are plain text whatever the words in them.
namespace Confirmation {

struct Question {
  QString objectName;
  QString title;
  QString message;
  QString confirm;  // the confirming button's text
  ButtonStyle confirmStyle;
  // Return confirms; otherwise it cancels, as suits a destructive answer.
  bool confirmIsDefault = false;
};

// Opens the question over `parent`; `onConfirm` runs when the confirming button is clicked.
QMessageBox* open(QWidget* parent, const Question& question, std::function<void()> onConfirm);

}  // namespace Confirmation
