#include "ui/widgets/card_overlay.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
#include <cmath>

#include "ui/style/theme.h"

namespace {

// Space kept between the card and the edges of what it covers.
constexpr int margin = 24;
// How far the card travels while it appears.
constexpr double slide = 12;
constexpr double cardRadius = Theme::radius * 2;
// The shadow: how far it reaches beyond the card, and how far it falls below it.
constexpr int shadowReach = 16;
constexpr double shadowDrop = 4;

}  // namespace

CardOverlay::CardOverlay(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("cardOverlay"));
  setAttribute(Qt::WA_NoMousePropagation);
  setFocusPolicy(Qt::NoFocus);
  QWidget::hide();
  setGeometry(parent->rect());
  parent->installEventFilter(this);

  connect(&animation_, &QVariantAnimation::valueChanged, this,
          [this](const QVariant& value) { setProgress(value.toDouble()); });
  connect(&animation_, &QVariantAnimation::finished, this, &CardOverlay::finishAnimation);
  // Whatever moves the focus behind the card (a widget disabled in the card hands it on along
  // the window's chain), it comes back into the card.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (!blocking_ || now == nullptr || now->window() != window() || isInCard(now)) return;
    card_->setFocus(Qt::OtherFocusReason);
  });
}

CardOverlay::~CardOverlay() {
  setBlocking(false);
}

QWidget* CardOverlay::card() const {
  return closing_ ? nullptr : card_.data();
}

QRect CardOverlay::cardGeometry() const {
  return card_ ? card_->geometry() : QRect();
}

void CardOverlay::show(QWidget* card) {
  animation_.stop();
  if (card_) {
    // Deleted later: the old card may be the one whose signal led here.
    card_->hide();
    card_->deleteLater();
    card_ = nullptr;
    if (closing_) {
      closing_ = false;
      emit dismissed();
    }
  }
  card_ = card;
  card->setParent(this);
  card->show();
  progress_ = 0;
  placeCard();
  raise();
  QWidget::show();
  setBlocking(true);
  // Unless the card already put the focus where it wants it.
  if (!isInCard(window()->focusWidget())) card->setFocus(Qt::OtherFocusReason);
  animateTo(1);
}

void CardOverlay::dismiss() {
  if (!card_ || closing_) return;
  closing_ = true;
  setBlocking(false);
  card_->setEnabled(false);
  animateTo(0);
}

void CardOverlay::animateTo(double end) {
  animation_.stop();
  if (motion_.duration.count() <= 0) {
    setProgress(end);
    finishAnimation();
    return;
  }
  motion_.applyTo(animation_);
  animation_.setStartValue(progress_);
  animation_.setEndValue(end);
  animation_.start();
}

void CardOverlay::setProgress(double progress) {
  progress_ = progress;
  placeCard();
  update();
}

void CardOverlay::finishAnimation() {
  if (!closing_) return;
  closing_ = false;
  if (card_) {
    card_->hide();
    // Deleted later: dismissing is often asked for by the card's own signal.
    card_->deleteLater();
    card_ = nullptr;
  }
  QWidget::hide();
  emit dismissed();
}

void CardOverlay::placeCard() {
  if (!card_) return;
  const QRect area = rect().adjusted(margin, margin, -margin, -margin);
  const QSize size = card_->sizeHint().expandedTo(QSize(0, 0)).boundedTo(area.size());
  const int x = area.x() + (area.width() - size.width()) / 2;
  const int y = area.y() + (area.height() - size.height()) / 2 +
                static_cast<int>(std::lround((1 - progress_) * slide));
  card_->setGeometry(x, y, size.width(), size.height());
}

void CardOverlay::setBlocking(bool blocking) {
  if (blocking == blocking_) return;
  blocking_ = blocking;
  if (blocking) {
    qApp->installEventFilter(this);
  } else {
    qApp->removeEventFilter(this);
  }
}

bool CardOverlay::isInCard(const QWidget* widget) const {
  return card_ && (widget == card_ || card_->isAncestorOf(widget));
}

bool CardOverlay::isWindowShortcut(QObject* owner) const {
  if (QApplication::activeWindow() != window()) return false;
  Qt::ShortcutContext context;
  QList<QObject*> homes;
  if (auto* action = qobject_cast<QAction*>(owner)) {
    context = action->shortcutContext();
    homes = action->associatedObjects();
  } else if (auto* shortcut = qobject_cast<QShortcut*>(owner)) {
    context = shortcut->context();
    homes = {shortcut->parent()};
  } else {
    return false;
  }
  if (context == Qt::ApplicationShortcut) return false;
  for (QObject* home : homes) {
    if (auto* widget = qobject_cast<QWidget*>(home); widget && isInCard(widget)) return false;
  }
  return true;
}

bool CardOverlay::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget()) {
    if (event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    // A widget added to the parent later must not come out above the card.
    if (event->type() == QEvent::ChildAdded && isVisible()) raise();
  }
  return event->type() == QEvent::Shortcut && blocking_ && isWindowShortcut(watched);
}

bool CardOverlay::event(QEvent* event) {
  switch (event->type()) {
    // Clicks on the scrim and keys the card left unhandled stop here, short of the window.
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
      event->accept();
      return true;
    // A resize of the overlay, or the card asking for another size.
    case QEvent::Resize:
    case QEvent::LayoutRequest:
      placeCard();
      break;
    default:
      break;
  }
  return QWidget::event(event);
}

bool CardOverlay::focusNextPrevChild(bool next) {
  if (!blocking_) return QWidget::focusNextPrevChild(next);
  // Tab walks the window's focus chain but only stops inside the card.
  QWidget* start = QApplication::focusWidget();
  if (start == nullptr || !isInCard(start)) start = card_;
  QWidget* candidate = start;
  do {
    candidate = next ? candidate->nextInFocusChain() : candidate->previousInFocusChain();
    if (isInCard(candidate) && candidate->isVisibleTo(card_) && candidate->isEnabled() &&
        (candidate->focusPolicy() & Qt::TabFocus) && candidate->focusProxy() == nullptr) {
      candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return true;
    }
  } while (candidate != start);
  return true;
}

void CardOverlay::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QColor scrim = Theme::shadow.in(this);
  scrim.setAlphaF(static_cast<float>(scrim.alphaF() * progress_));
  painter.fillRect(rect(), scrim);
  if (!card_) return;

  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  const QRectF box = QRectF(card_->geometry());
  // Layers growing outwards, each so faint that where all of them overlap (at the card's edge)
  // they add up to the shadow colour's own opacity.
  QColor shadow = Theme::shadow.in(this);
  const double edge = shadow.alphaF() * progress_;
  shadow.setAlphaF(static_cast<float>(1 - std::pow(1 - edge, 1.0 / shadowReach)));
  painter.setBrush(shadow);
  for (int i = shadowReach; i > 0; --i) {
    painter.drawRoundedRect(box.adjusted(-i, -i + shadowDrop, i, i + shadowDrop), cardRadius + i,
                            cardRadius + i);
  }
  painter.setBrush(Theme::ground.in(this));
  painter.setPen(QPen(Theme::line.in(this), 1));
  painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), cardRadius, cardRadius);
}
