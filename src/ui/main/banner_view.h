#pragma once

#include <QWidget>

#include "ui/main/banner.h"

// One banner drawn: its icon in the banner's colour, the text (plain, wrapped, selectable so a
// message can be copied into a question to someone), then its buttons.
class BannerView : public QWidget {
  Q_OBJECT

 public:
  explicit BannerView(Banner banner, QWidget* parent = nullptr);

  const Banner& banner() const { return banner_; }

 signals:
  void actionTriggered(Banner::Action action);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Banner banner_;
};
