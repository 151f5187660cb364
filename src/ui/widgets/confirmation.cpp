#include "ui/widgets/confirmation.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "background/app_info.h"

QMessageBox* openConfirmation(QWidget* parent, const Confirmation& confirmation,
                              std::function<void()> onConfirm) {
  auto* box = new QMessageBox(parent);
  box->setObjectName(QStringLiteral("confirmation"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowTitle(QString::fromStdString(AppInfo::name()));
  box->setIcon(QMessageBox::Warning);
  box->setTextFormat(Qt::PlainText);
  box->setText(confirmation.title);
  box->setInformativeText(confirmation.message);
  // Names and words the user typed must stay text in the message too.
  if (auto* informative = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
    informative->setTextFormat(Qt::PlainText);
  }
  QPushButton* action =
      box->addButton(confirmation.action, confirmation.destructive ? QMessageBox::DestructiveRole
                                                                   : QMessageBox::AcceptRole);
  QPushButton* cancel = box->addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
  box->setDefaultButton(cancel);
  box->setEscapeButton(cancel);
  QObject::connect(box, &QMessageBox::finished, box,
                   [box, action, onConfirm = std::move(onConfirm)] {
                     if (box->clickedButton() == action) onConfirm();
                   });
  box->open();
  return box;
}
