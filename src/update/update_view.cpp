#include "update/update_view.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWindow>

#include "ui/widgets/symbol_check_box.h"
#include "ui/widgets/themed_label.h"
#include "update/byte_count.h"
#include "update/update_check_mark.h"
#include "update/update_look.h"
#include "update/update_model.h"
#include "update/update_notes_box.h"
#include "update/update_progress_bar.h"
#include "update/update_text.h"

using UpdatePrompt::format;
using UpdatePrompt::L;
using Kind = UpdatePhase::Kind;

namespace {

constexpr int iconSize = 52;

ThemedLabel* label(const char* name, const ThemeColor& color, const QFont& font,
                   const QString& text = {}) {
  auto* label = new ThemedLabel(color, text);
  label->setObjectName(QString::fromLatin1(name));
  label->setFont(font);
  label->setWordWrap(true);
  return label;
}

ThemedLabel* selectable(ThemedLabel* label) {
  // Selected with the mouse and copied; Tab skips the texts for the buttons.
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

// The failure's two texts on the soft danger colour.
class FailureBox : public QWidget {
 public:
  FailureBox(const UpdatePhase& phase, QWidget* parent) : QWidget(parent) {
    const UpdatePalette palette = UpdatePalette::current();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 10, 12, 10);
    column->setSpacing(2);
    column->addWidget(selectable(label("failureHeadline", palette.ink,
                                       UpdateLook::font(13, QFont::DemiBold), phase.headline)));
    auto* detail =
        selectable(label("failureDetail", palette.ink, UpdateLook::font(13), phase.detail));
    detail->setVisible(!phase.detail.isEmpty());
    column->addWidget(detail);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(UpdatePalette::current().dangerSoft.in(this));
    painter.drawRoundedRect(QRectF(rect()), 6, 6);
  }
};

}  // namespace

UpdateView::UpdateView(UpdateModel& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      column_(new QVBoxLayout(this)),
      icon_(new QLabel),
      checkMark_(new UpdateCheckMark),
      shownKind_(model.phase().kind) {
  setObjectName(QStringLiteral("updateView"));
  setFixedWidth(fixedWidth);
  // Below the window's own title bar, the content starts as far from the top as from the sides.
  column_->setContentsMargins(20, 20, 20, 20);
  column_->setSpacing(12);

  const UpdatePalette palette = UpdatePalette::current();
  auto* header = new QHBoxLayout;
  header->setSpacing(12);
  icon_->setObjectName(QStringLiteral("appIcon"));
  icon_->setFixedSize(iconSize, iconSize);
  const QIcon appIcon = QApplication::windowIcon();
  icon_->setPixmap(appIcon.pixmap(iconSize, iconSize));
  icon_->setVisible(!appIcon.isNull());
  header->addWidget(icon_, 0, Qt::AlignTop);

  auto* texts = new QVBoxLayout;
  texts->setSpacing(2);
  auto* titleRow = new QHBoxLayout;
  titleRow->setSpacing(6);
  checkMark_->setObjectName(QStringLiteral("checkMark"));
  titleRow->addWidget(checkMark_, 0, Qt::AlignVCenter);
  title_ = label("title", palette.ink, UpdateLook::font(14, QFont::Bold));
  titleRow->addWidget(title_, 1);
  texts->addLayout(titleRow);
  subtitle_ = label("subtitle", palette.sub, UpdateLook::font(13));
  texts->addWidget(subtitle_);
  // Texts shorter than the icon keep together at its top instead of spreading over its height.
  texts->addStretch(1);
  header->addLayout(texts, 1);
  column_->addLayout(header);

  const auto press = [this](QPointer<UpdateButton> UpdateView::*which) {
    return [this, which] {
      if (UpdateButton* target = this->*which; target != nullptr && target->isVisible()) {
        target->click();
      }
    };
  };
  for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
    connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated,
            press(&UpdateView::defaultButton_));
  }
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated,
          press(&UpdateView::cancelButton_));

  connect(&model_, &UpdateModel::phaseChanged, this, [this] {
    if (model_.phase().kind == shownKind_ && content_ != nullptr) {
      showHeader();
      showProgress();
      return;
    }
    showPhase();
  });
  connect(&model_, &UpdateModel::notesChanged, this, [this] {
    showHeader();
    showNotes();
    emit contentChanged();
  });
  showPhase();
}

void UpdateView::showPhase() {
  shownKind_ = model_.phase().kind;
  if (content_ != nullptr) {
    // The press that changed the phase may still be running in one of its buttons.
    content_->hide();
    content_->deleteLater();
  }
  content_ = phaseContent();
  column_->addWidget(content_);
  // Shown now, not when the layout next runs, so that the window's height counts it.
  content_->show();
  showHeader();
  showProgress();
  showNotes();
  emit contentChanged();
}

void UpdateView::showHeader() {
  title_->setText(model_.title());
  subtitle_->setText(model_.subtitle());
  checkMark_->setVisible(shownKind_ == Kind::upToDate);
}

void UpdateView::showProgress() {
  if (bar_ == nullptr) return;
  const UpdatePhase& phase = model_.phase();
  if (shownKind_ == Kind::installing) {
    bar_->setProgress(1, true);
    return;
  }
  const bool sized = phase.expected >= 1;
  bar_->setProgress(phase.fraction, !sized);
  if (caption_ == nullptr) return;
  const bool hadCaption = caption_->isVisibleTo(this);
  caption_->setText(sized ? UpdatePrompt::byteCount(phase.received) + QStringLiteral(" / ") +
                                UpdatePrompt::byteCount(phase.expected)
                          : QString());
  caption_->setVisible(sized);
  if (hadCaption != sized) emit contentChanged();
}

void UpdateView::showNotes() {
  if (notes_ != nullptr) notes_->setNotes(model_.notes(), model_.notesLoaded());
}

UpdateButton* UpdateView::button(UpdateButton::Kind kind, const char* name, const QString& text,
                                 void (UpdateModel::*action)()) {
  auto* button = new UpdateButton(kind, text);
  button->setObjectName(QString::fromLatin1(name));
  connect(button, &QPushButton::clicked, &model_, action);
  return button;
}

QLayout* UpdateView::buttons(UpdateButton* left, UpdateButton* cancel, UpdateButton* main) {
  auto* row = new QHBoxLayout;
  row->setSpacing(8);
  if (left != nullptr) row->addWidget(left);
  row->addStretch(1);
  if (cancel != nullptr) row->addWidget(cancel);
  if (main != nullptr) row->addWidget(main);
  defaultButton_ = main;
  cancelButton_ = cancel;
  return row;
}

QWidget* UpdateView::phaseContent() {
  using ButtonKind = UpdateButton::Kind;
  const UpdatePalette palette = UpdatePalette::current();
  notes_ = nullptr;
  bar_ = nullptr;
  caption_ = nullptr;
  defaultButton_ = nullptr;
  cancelButton_ = nullptr;
  auto* content = new QWidget(this);
  content->setObjectName(QStringLiteral("phaseContent"));
  auto* column = new QVBoxLayout(content);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(12);
  const auto progress = [&](const QString& caption) {
    auto* group = new QVBoxLayout;
    group->setSpacing(6);
    bar_ = new UpdateProgressBar;
    bar_->setObjectName(QStringLiteral("progress"));
    group->addWidget(bar_);
    caption_ = label("progressCaption", palette.sub, UpdateLook::font(12), caption);
    group->addWidget(caption_);
    column->addLayout(group);
  };
  const auto ok = [&] {
    column->addLayout(
        buttons(nullptr, nullptr,
                button(ButtonKind::main, "ok", L(QStringLiteral("OK")), &UpdateModel::close)));
  };
  const auto openPage = [&] {
    return button(ButtonKind::main, "openPage", L(QStringLiteral("ダウンロードページを開く")),
                  &UpdateModel::openPage);
  };

  switch (shownKind_) {
    case Kind::offer: {
      notes_ = new UpdateNotesBox;
      column->addWidget(notes_);
      if (model_.canInstall()) {
        auto* automatic = new SymbolCheckBox(
            L(QStringLiteral("今後はアップデートを自動でインストールする")),
            {.box = 18, .gap = 6, .padding = 2, .accent = UpdatePalette::current().accent});
        automatic->setFont(UpdateLook::font(13));
        automatic->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        automatic->setObjectName(QStringLiteral("autoInstall"));
        automatic->setChecked(model_.autoInstall());
        connect(automatic, &QCheckBox::toggled, &model_, &UpdateModel::setAutoInstall);
        connect(&model_, &UpdateModel::autoInstallChanged, automatic,
                [this, automatic] { automatic->setChecked(model_.autoInstall()); });
        column->addWidget(automatic);
      }
      column->addLayout(buttons(
          button(ButtonKind::text, "skip", L(QStringLiteral("このバージョンをスキップ")),
                 &UpdateModel::skip),
          button(ButtonKind::sub, "later", L(QStringLiteral("あとで通知")), &UpdateModel::later),
          model_.canInstall()
              ? button(ButtonKind::main, "install", L(QStringLiteral("アップデートをインストール")),
                       &UpdateModel::install)
              : openPage()));
      break;
    }
    case Kind::downloading:
      progress({});
      column->addLayout(buttons(nullptr,
                                button(ButtonKind::sub, "cancel", L(QStringLiteral("キャンセル")),
                                       &UpdateModel::cancelDownload),
                                nullptr));
      break;
    case Kind::installing:
      progress(format(L(QStringLiteral("終わると、%@を終了して、もう一度開きます。")),
                      {model_.appName()}));
      break;
    case Kind::upToDate:
    case Kind::checkFailed:
      ok();
      break;
    case Kind::failed:
      column->addWidget(new FailureBox(model_.phase(), content));
      column->addLayout(buttons(
          nullptr,
          button(ButtonKind::sub, "cancel", L(QStringLiteral("キャンセル")), &UpdateModel::close),
          openPage()));
      break;
  }
  return content;
}

int UpdateView::fittingHeight() const {
  return layout()->totalHeightForWidth(fixedWidth);
}

void UpdateView::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect(), UpdatePalette::current().ground.in(this));
}

void UpdateView::mousePressEvent(QMouseEvent* event) {
  // The window moves by its background as well as by its title bar.
  if (event->button() == Qt::LeftButton) {
    if (QWindow* handle = window()->windowHandle();
        handle != nullptr && handle->startSystemMove()) {
      event->accept();
      return;
    }
  }
  QWidget::mousePressEvent(event);
}
