#include "ui/main/banner_view.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "ui/style/m_icon.h"
#include "ui/style/styled_button.h"
#include "ui/style/ui_type.h"

namespace {

constexpr int stripe = 3;
constexpr int iconSize = 18;
// Lines a banner shows before it scrolls.
constexpr int longestShown = 8;

QString actionName(Banner::Action action) {
  switch (action) {
    case Banner::Action::closeError:
      return QStringLiteral("closeActionError");
    case Banner::Action::reviewLocalEdits:
      return QStringLiteral("reviewLocalEdits");
    case Banner::Action::confirmBigChange:
      return QStringLiteral("confirmBigChange");
  }
  return {};
}

}  // namespace

BannerView::BannerView(Banner banner, QWidget* parent)
    : QWidget(parent), banner_(std::move(banner)) {
  setObjectName(QStringLiteral("banner"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(12 + stripe, 8, 8, 8);
  layout->setSpacing(10);

  std::vector<StyledButton*> buttons;
  int lineBox = QFontMetrics(UIType::body()).height();
  for (const Banner::Action action : banner_.actions) {
    auto* button = new StyledButton(SubtleButtonStyle, Banner::title(action));
    button->setObjectName(actionName(action));
    button->setFont(UIType::body());
    if (action == Banner::Action::closeError) {
      button->setSymbol(QStringLiteral("close"), 16);
      button->setToolTip(QStringLiteral("閉じる"));
    }
    button->setCursor(Qt::PointingHandCursor);
    connect(button, &QPushButton::clicked, this, [this, action] { emit actionTriggered(action); });
    lineBox = std::max(lineBox, button->sizeHint().height());
    buttons.push_back(button);
  }

  // The icon, a one-line text and the buttons share one centre line; longer text runs down.
  auto* icon = new MIcon(banner_.icon, iconSize);
  icon->setColor(banner_.color);
  auto* iconColumn = new QVBoxLayout;
  iconColumn->setContentsMargins(0, (lineBox - iconSize) / 2, 0, 0);
  iconColumn->addWidget(icon);
  iconColumn->addStretch(1);
  layout->addLayout(iconColumn);

  auto* text = new QLabel(banner_.text);
  text->setObjectName(QStringLiteral("bannerText"));
  text->setTextFormat(Qt::PlainText);
  text->setWordWrap(true);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  text->setFont(UIType::body());
  text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  text->setMinimumHeight(lineBox);
  const int lines = static_cast<int>(banner_.text.count(QLatin1Char('\n'))) + 1;
  if (lines <= longestShown) {
    layout->addWidget(text, 1);
  } else {
    // A master can have a problem on every other line: the banner shows a few and scrolls,
    // so that the table stays on the screen.
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("bannerScroll"));
    scroll->setWidget(text);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    text->setAutoFillBackground(false);
    scroll->setFixedHeight(QFontMetrics(UIType::body()).lineSpacing() * longestShown);
    layout->addWidget(scroll, 1);
  }

  for (StyledButton* button : buttons) layout->addWidget(button, 0, Qt::AlignTop);
}

void BannerView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath box;
  box.addRoundedRect(QRectF(rect()), Theme::radius, Theme::radius);
  painter.fillPath(box, Theme::surface.in(this));
  painter.setClipPath(box);
  painter.fillRect(QRect(0, 0, stripe, height()), banner_.color.in(this));
}
