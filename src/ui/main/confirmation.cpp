#include "ui/main/confirmation.h"

#include <QLabel>

#include "background/app_info.h"
#include "ui/style/styled_button.h"
#include "ui/style/ui_type.h"

namespace Confirmation {

QMessageBox* open(QWidget* parent, const Question& question, std::function<void()> onConfirm) {
  auto* box = new QMessageBox(parent);
  box->setObjectName(question.objectName);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowTitle(QString::fromStdString(AppInfo::name()));
  box->setIcon(QMessageBox::NoIcon);
  box->setTextFormat(Qt::PlainText);
  box->setText(question.title);
  box->setInformativeText(question.message);
  // The informative label guesses rich text on its own; a word with "<" must stay a word.
  if (auto* informative = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
    informative->setTextFormat(Qt::PlainText);
  }
  if (auto* title = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
    title->setFont(UIType::bodyBold());
  }

  auto* confirm = new StyledButton(question.confirmStyle, question.confirm);
  confirm->setObjectName(QStringLiteral("confirmButton"));
  confirm->setFont(UIType::body());
  auto* cancel = new StyledButton(SubtleButtonStyle, QStringLiteral("キャンセル"));
  cancel->setObjectName(QStringLiteral("cancelButton"));
  cancel->setFont(UIType::body());
  box->addButton(
      confirm, question.confirmIsDefault ? QMessageBox::AcceptRole : QMessageBox::DestructiveRole);
  box->addButton(cancel, QMessageBox::RejectRole);
  box->setEscapeButton(cancel);
  box->setDefaultButton(question.confirmIsDefault ? confirm : cancel);
  QObject::connect(confirm, &QPushButton::clicked, box, std::move(onConfirm));
  box->open();
  return box;
}

}  // namespace Confirmation
