#pragma once

#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

#include "ui/style/motion.h"

// A card shown over its parent, one at a time: the parent is dimmed with the scrim colour and
// takes no input while the card is up — no clicks or wheel, no keys (Tab stays inside the card),
// and none of the window's shortcuts but application-wide ones. The overlay covers the parent
// and follows its resizes; the card is centred at its preferred size, within the parent.
//
// Showing and dismissing fade the scrim and slide the card with Motion::quick(); with a motion
// of duration 0 (tests) both finish before they return.
class CardOverlay : public QWidget {
  Q_OBJECT

 public:
  explicit CardOverlay(QWidget* parent);
  ~CardOverlay() override;

  // Shows `card`, taking ownership, and gives it the focus (the card may move it on). A card
  // already up is deleted at once, without dismissed().
  void show(QWidget* card);
  // Takes the card away: it takes no input from now on and is deleted when the animation ends,
  // then dismissed() is emitted. Nothing when no card is up.
  void dismiss();
  // The card up, or null; also null while one is being dismissed.
  QWidget* card() const;

  const Motion& motion() const { return motion_; }
  void setMotion(const Motion& motion) { motion_ = motion; }

  // Where the card sits, for painting and tests.
  QRect cardGeometry() const;

 signals:
  void dismissed();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  void animateTo(double end);
  void setProgress(double progress);
  void finishAnimation();
  void placeCard();
  void setBlocking(bool blocking);
  bool isWindowShortcut(QObject* owner) const;
  bool isInCard(const QWidget* widget) const;

  QPointer<QWidget> card_;
  bool closing_ = false;
  bool blocking_ = false;
  double progress_ = 0;
  Motion motion_ = Motion::quick();
  QVariantAnimation animation_;
};
