#include "ui/setup/setup_cards.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "ui/style/m_icon.h"
#include "ui/style/ui_type.h"
#include "ui/widgets/themed_label.h"

namespace {

ThemedLabel* line(const QString& text, const QFont& font, const ThemeColor& color) {
  auto* label = new ThemedLabel(color, text);
  label->setFont(font);
  label->setWordWrap(true);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  return label;
}

}  // namespace

CardButton::CardButton(const QString& icon, QWidget* parent)
    : QAbstractButton(parent),
      icon_(new MIcon(icon, 22)),
      row_(new QHBoxLayout(this)),
      lines_(new QVBoxLayout) {
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
  icon_->setAttribute(Qt::WA_TransparentForMouseEvents);
  row_->setContentsMargins(14, 10, 14, 10);
  row_->setSpacing(12);
  row_->addWidget(icon_, 0, Qt::AlignTop);
  lines_->setContentsMargins(0, 0, 0, 0);
  lines_->setSpacing(2);
  row_->addLayout(lines_, 1);
  // Boxes side by side share a height; their text stays at the top.
  row_->setAlignment(lines_, Qt::AlignTop);
}

void CardButton::setSelected(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  restyle();
  update();
}

void CardButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) restyle();
  QAbstractButton::changeEvent(event);
}

void CardButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF box = QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75);
  QPainterPath shape;
  shape.addRoundedRect(box, Theme::radius, Theme::radius);

  const bool hovered = isEnabled() && underMouse();
  painter.fillPath(shape, (hovered && !selected_ ? Theme::hover : Theme::surface).in(this));
  if (selected_) painter.fillPath(shape, Theme::accentSoft.in(this));
  if (selected_ && isEnabled()) {
    painter.setPen(QPen(Theme::accent.in(this), 1.5));
  } else {
    painter.setPen(QPen(Theme::line.in(this), 1));
  }
  painter.drawPath(shape);

  // Keyboard users see where they are; a click leaves no ring.
  if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
    painter.setPen(QPen(Theme::accent.in(this), 2));
    painter.drawRoundedRect(box.adjusted(2, 2, -2, -2), Theme::radius - 1, Theme::radius - 1);
  }
}

PlaceTile::PlaceTile(const QString& icon, const QString& name, QWidget* parent)
    : CardButton(icon, parent),
      name_(line(name, UIType::bodyBold(), Theme::ink)),
      subtitle_(line({}, UIType::note(), Theme::sub)) {
  lines()->addWidget(name_);
  lines()->addWidget(subtitle_);
}

void PlaceTile::setIconName(const QString& icon) {
  CardButton::icon()->setName(icon);
}

void PlaceTile::setSubtitle(const QString& subtitle) {
  subtitle_->setText(subtitle);
}

QString PlaceTile::name() const {
  return name_->text();
}

QString PlaceTile::subtitle() const {
  return subtitle_->text();
}

ChoiceRow::ChoiceRow(const QString& title, QWidget* parent)
    : CardButton(QStringLiteral("radio_button_unchecked"), parent),
      title_(line(title, UIType::bodyBold(), Theme::ink)),
      subtitle_(line({}, UIType::note(), Theme::sub)),
      note_(line({}, UIType::note(), Theme::sub)) {
  lines()->addWidget(title_);
  lines()->addWidget(subtitle_);
  lines()->addWidget(note_);
  note_->hide();
  restyle();
}

void ChoiceRow::setSubtitle(const QString& subtitle) {
  subtitle_->setText(subtitle);
}

void ChoiceRow::setNote(const QString& note) {
  note_->setText(note);
  restyle();
}

QString ChoiceRow::title() const {
  return title_->text();
}

QString ChoiceRow::subtitle() const {
  return subtitle_->text();
}

QString ChoiceRow::visibleNote() const {
  return note_->isVisibleTo(this) ? note_->text() : QString();
}

void ChoiceRow::restyle() {
  icon()->setName(isSelected() ? QStringLiteral("radio_button_checked")
                               : QStringLiteral("radio_button_unchecked"));
  icon()->setColor(isSelected() && isEnabled() ? Theme::accent : Theme::sub);
  note_->setVisible(!isEnabled() && !note_->text().isEmpty());
}
