#include "ui/sheets/local_edits_sheet.h"

#include <QListWidget>
#include <QMessageBox>
#include <QVBoxLayout>

#include "app/app_model.h"
#include "master/diff.h"
#include "ui/sheets/sheet_texts.h"
#include "ui/style/styled_button.h"
#include "ui/style/ui_type.h"
#include "ui/widgets/confirmation.h"
#include "ui/widgets/themed_label.h"

LocalEditsSheet::LocalEditsSheet(AppModel& model, QWidget* parent) : Sheet(parent), model_(model) {
  setObjectName(QStringLiteral("localEditsSheet"));

  explanation_ = new ThemedLabel(Theme::ink, {}, this);
  explanation_->setWordWrap(true);
  explanation_->setObjectName(QStringLiteral("explanation"));
  explanation_->setFont(UIType::body());

  lines_ = new QListWidget(this);
  lines_->setObjectName(QStringLiteral("lines"));
  lines_->setFont(UIType::body());
  lines_->setSelectionMode(QAbstractItemView::NoSelection);
  lines_->setUniformItemSizes(true);

  skipped_ = new QWidget(this);
  skipped_->setObjectName(QStringLiteral("skipped"));
  skippedLines_ = new QVBoxLayout(skipped_);
  skippedLines_->setContentsMargins(0, 0, 0, 0);
  skippedLines_->setSpacing(2);

  nothing_ = new ThemedLabel(Theme::sub, SheetTexts::noLocalEdits(), this);
  nothing_->setWordWrap(true);
  nothing_->setObjectName(QStringLiteral("nothing"));
  nothing_->setFont(UIType::body());
  nothing_->setAlignment(Qt::AlignCenter);

  error_ = makeMessage(QStringLiteral("error"), this);

  discard_ = new StyledButton(DangerButtonStyle, SheetTexts::discard(), this);
  discard_->setObjectName(QStringLiteral("discard"));
  auto* discardNote = new ThemedLabel(Theme::sub, SheetTexts::discardNote(), this);
  discardNote->setWordWrap(true);
  discardNote->setObjectName(QStringLiteral("discardNote"));
  discardNote->setFont(UIType::note());

  auto* later = new StyledButton(SubtleButtonStyle, SheetTexts::later(), this);
  later->setObjectName(QStringLiteral("later"));
  absorb_ = new StyledButton(PrimaryButtonStyle, SheetTexts::absorb(), this);
  absorb_->setObjectName(QStringLiteral("absorb"));
  connect(later, &QPushButton::clicked, this, &Sheet::closeRequested);
  connect(absorb_, &QPushButton::clicked, this, &LocalEditsSheet::absorb);
  connect(discard_, &QPushButton::clicked, this, &LocalEditsSheet::confirmDiscard);
  // No default button: neither answer is one to give by pressing Return in passing.
  setCancelButton(later);

  // The note belongs to the discard button: it sits right under it.
  auto* actions = new QVBoxLayout;
  actions->setSpacing(6);
  actions->addLayout(makeButtonRow(discard_, {later, absorb_}));
  actions->addWidget(discardNote);

  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(14);
  layout->addWidget(makeTitle(SheetTexts::localEditsTitle(), this));
  layout->addWidget(explanation_);
  layout->addWidget(lines_, 1);
  layout->addWidget(skipped_);
  layout->addWidget(nothing_, 1);
  layout->addWidget(error_);
  layout->addLayout(actions);

  connect(&model_, &AppModel::stateChanged, this, &LocalEditsSheet::refresh);
  connect(&model_, &AppModel::masterChanged, this, &LocalEditsSheet::refresh);
  connect(&model_, &AppModel::isSyncingChanged, this, &LocalEditsSheet::refresh);
  refresh();
}

QSize LocalEditsSheet::sizeHint() const {
  return {600, 540};
}

void LocalEditsSheet::refresh() {
  if (done_) return;
  // What the user was asked to throw away may not be what there is now.
  if (discardBox_) discardBox_->reject();

  const auto* edits = std::get_if<MacState::LocalEdits>(&model_.state().value);
  const bool has = edits != nullptr;
  explanation_->setVisible(has);
  lines_->setVisible(has);
  nothing_->setVisible(!has);
  lines_->clear();
  while (QLayoutItem* item = skippedLines_->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  if (has) {
    explanation_->setText(edits->firstRun ? SheetTexts::firstRunExplanation()
                                          : SheetTexts::localEditsExplanation());
    for (const std::string& line : Diff::lines(edits->diff)) {
      lines_->addItem(QString::fromStdString(line));
    }
    if (const std::optional<AbsorbPlan> plan = model_.absorbPlan()) {
      for (const std::string& message : plan->skipped) {
        auto* item = new ThemedLabel(Theme::sub, SheetTexts::skippedItem(message), skipped_);
        item->setWordWrap(true);
        item->setObjectName(QStringLiteral("skippedItem"));
        item->setFont(UIType::note());
        skippedLines_->addWidget(item);
        item->show();
      }
    }
  }
  skipped_->setVisible(skippedLines_->count() > 0);
  absorb_->setEnabled(has && !model_.isSyncing());
  discard_->setEnabled(has && !model_.isSyncing());
}

void LocalEditsSheet::absorb() {
  if (done_ || !absorb_->isEnabled()) return;
  // Absorbing reads the master again and announces it before it returns.
  done_ = true;
  const std::optional<std::string> error = model_.absorb();
  if (!error) {
    emit closeRequested();
    return;
  }
  done_ = false;
  error_->setText(QString::fromStdString(*error));
  error_->show();
  refresh();
}

void LocalEditsSheet::confirmDiscard() {
  if (done_ || !discard_->isEnabled()) return;
  discardBox_ =
      openConfirmation(this, {SheetTexts::discardTitle(), {}, SheetTexts::discardAction()}, [this] {
        if (done_ || model_.isSyncing()) return;
        done_ = true;
        model_.sync(true, false);
        emit closeRequested();
      });
}
