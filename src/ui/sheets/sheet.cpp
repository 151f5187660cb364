#include "ui/sheets/sheet.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "ui/style/theme.h"
#include "ui/style/ui_type.h"
#include "ui/widgets/themed_label.h"

Sheet::Sheet(QWidget* parent) : QWidget(parent) {
  // The card holds the focus when shown until the sheet hands it to a field; a click on the
  // card's empty space leaves it where it is.
  setFocusPolicy(Qt::NoFocus);
  setContentsMargins(24, 22, 24, 20);
  followScheme();
}

void Sheet::changeEvent(QEvent* event) {
  // A switch of the appearance, or a window drawn in a scheme of its own, changes the palette
  // the sheet inherits.
  if (event->type() == QEvent::PaletteChange) followScheme();
  QWidget::changeEvent(event);
}

void Sheet::followScheme() {
  const QColor field = Theme::surface.in(this);
  if (palette().color(QPalette::Base) == field) return;
  QPalette fields = palette();
  fields.setColor(QPalette::Base, field);
  setPalette(fields);
}

void Sheet::setDefaultButton(QPushButton* button) {
  defaultButton_ = button;
}

void Sheet::setCancelButton(QPushButton* button) {
  cancelButton_ = button;
}

void Sheet::keyPressEvent(QKeyEvent* event) {
  QPushButton* target = nullptr;
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if ((event->modifiers() & ~Qt::KeyboardModifiers(Qt::KeypadModifier)) != Qt::NoModifier) {
        break;
      }
      target = defaultButton_;
      break;
    case Qt::Key_Escape:
      if (event->modifiers() != Qt::NoModifier) break;
      target = cancelButton_;
      break;
    default:
      break;
  }
  if (target == nullptr) {
    QWidget::keyPressEvent(event);
    return;
  }
  // A disabled default button swallows the key: the window behind must not take it either.
  if (target->isEnabled() && target->isVisible()) target->click();
  event->accept();
}

QLabel* Sheet::makeTitle(const QString& text, QWidget* parent) {
  auto* title = new QLabel(text, parent);
  title->setObjectName(QStringLiteral("title"));
  title->setTextFormat(Qt::PlainText);
  title->setFont(UIType::title());
  return title;
}

ThemedLabel* Sheet::makeMessage(const QString& objectName, QWidget* parent) {
  auto* message = new ThemedLabel(Theme::danger, {}, parent);
  message->setWordWrap(true);
  message->setObjectName(objectName);
  message->setFont(UIType::body());
  message->setTextInteractionFlags(Qt::TextSelectableByMouse);
  message->hide();
  return message;
}

QBoxLayout* Sheet::makeButtonRow(QWidget* leading, std::initializer_list<QPushButton*> buttons) {
  auto* row = new QHBoxLayout;
  row->setSpacing(8);
  if (leading != nullptr) {
    if (auto* button = qobject_cast<QPushButton*>(leading)) button->setAutoDefault(true);
    row->addWidget(leading);
  }
  row->addStretch(1);
  for (QPushButton* button : buttons) {
    // Return presses the button that has the focus, as in dialogs.
    button->setAutoDefault(true);
    row->addWidget(button);
  }
  return row;
}
