#include "ui/settings/settings_view.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QSettings>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "ui/settings/file_settings.h"
#include "ui/settings/settings_texts.h"
#include "ui/settings/sync_settings.h"
#include "ui/setup/divider.h"
#include "ui/style/material_symbols.h"
#include "ui/style/theme.h"
#include "ui/style/ui_type.h"

namespace {

const QString tabKey = QStringLiteral("settingsTab");

constexpr int symbolSize = 18;
constexpr int gap = 6;
constexpr int padX = 14;
constexpr int padY = 7;

}  // namespace

// One tab of the bar: its symbol and label, on the accent's tint while selected.
class SettingsTabButton : public QAbstractButton {
 public:
  SettingsTabButton(const QString& symbol, const QString& label) : symbol_(symbol) {
    setText(label);
    setCheckable(true);
    setFont(UIType::bodyBold());
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
  }

  QSize sizeHint() const override {
    const QFontMetrics metrics(font());
    return {2 * padX + symbolSize + gap + metrics.horizontalAdvance(text()),
            2 * padY + std::max(symbolSize, metrics.height())};
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), Theme::radius, Theme::radius);
    if (isChecked()) {
      painter.fillPath(shape, Theme::accentSoft.in(this));
    } else if (underMouse()) {
      painter.fillPath(shape, Theme::hover.in(this));
    }
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
      painter.setPen(QPen(Theme::accent.in(this), 2));
      painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), Theme::radius - 1,
                              Theme::radius - 1);
    }
    const QColor color = (isChecked() ? Theme::accent : Theme::sub).in(this);
    const QRectF square(padX, (height() - symbolSize) / 2.0, symbolSize, symbolSize);
    MaterialSymbols::draw(painter, square, symbol_, symbolSize, color);
    painter.setPen(isChecked() ? color : Theme::ink.in(this));
    painter.setFont(font());
    painter.drawText(QRect(padX + symbolSize + gap, 0, width(), height()),
                     Qt::AlignVCenter | Qt::AlignLeft, text());
  }

 private:
  QString symbol_;
};

SettingsView::SettingsView(AppModel& model, QWidget* parent)
    : QWidget(parent), pages_(new QStackedWidget) {
  setObjectName(QStringLiteral("settingsView"));
  setFocusPolicy(Qt::ClickFocus);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(16, 12, 16, 12);
  bar->setSpacing(6);
  bar->addStretch(1);
  const std::pair<const char*, QString> tabs[] = {{"sync", SettingsTexts::syncTab()},
                                                  {"folder", SettingsTexts::filesTab()}};
  for (int i = 0; i < 2; ++i) {
    buttons_[i] = new SettingsTabButton(QString::fromLatin1(tabs[i].first), tabs[i].second);
    buttons_[i]->setObjectName(QStringLiteral("tab-") + name(static_cast<Tab>(i)));
    connect(buttons_[i], &QAbstractButton::clicked, this,
            [this, i] { setTab(static_cast<Tab>(i)); });
    bar->addWidget(buttons_[i]);
  }
  bar->addStretch(1);
  layout->addLayout(bar);
  layout->addWidget(new Divider);

  const auto padded = [](QWidget* page) {
    auto* holder = new QWidget;
    auto* around = new QVBoxLayout(holder);
    around->setContentsMargins(32, 24, 32, 20);
    around->addWidget(page);
    return holder;
  };
  auto* files = new FileSettings(model);
  connect(files, &FileSettings::mainWindowWanted, this, &SettingsView::mainWindowWanted);
  pages_->addWidget(padded(new SyncSettings(model)));
  pages_->addWidget(padded(files));
  layout->addWidget(pages_, 1);

  for (const auto& [key, by] : {std::pair{Qt::Key_Left, -1}, std::pair{Qt::Key_Right, 1}}) {
    auto* shortcut = new QShortcut(QKeySequence(key), this);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, by = by] { step(by); });
  }

  tab_ = storedTab();
  for (int i = 0; i < 2; ++i) buttons_[i]->setChecked(i == static_cast<int>(tab_));
  pages_->setCurrentIndex(static_cast<int>(tab_));
}

QString SettingsView::name(Tab tab) {
  return tab == Tab::files ? QStringLiteral("files") : QStringLiteral("sync");
}

SettingsView::Tab SettingsView::storedTab() {
  return QSettings().value(tabKey).toString() == name(Tab::files) ? Tab::files : Tab::sync;
}

void SettingsView::setTab(Tab tab) {
  tab_ = tab;
  const int index = static_cast<int>(tab);
  for (int i = 0; i < 2; ++i) buttons_[i]->setChecked(i == index);
  pages_->setCurrentIndex(index);
  QSettings().setValue(tabKey, name(tab));
}

void SettingsView::step(int by) {
  const int index = static_cast<int>(tab_) + by;
  if (index < 0 || index > 1) return;
  setTab(static_cast<Tab>(index));
  buttons_[index]->setFocus(Qt::TabFocusReason);
}

void SettingsView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The arrow keys work at once, from the tab shown.
  if (!isAncestorOf(QApplication::focusWidget())) {
    buttons_[static_cast<int>(tab_)]->setFocus();
  }
}
