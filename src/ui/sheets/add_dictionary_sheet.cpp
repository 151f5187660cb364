#include "ui/sheets/add_dictionary_sheet.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/app_model.h"
#include "master/master_store.h"
#include "ui/sheets/sheet_texts.h"
#include "ui/style/styled_button.h"
#include "ui/style/ui_type.h"
#include "ui/widgets/themed_label.h"

AddDictionarySheet::AddDictionarySheet(AppModel& model, QWidget* parent)
    : Sheet(parent), model_(model) {
  setObjectName(QStringLiteral("addDictionarySheet"));

  auto* note = new ThemedLabel(Theme::sub, SheetTexts::addDictionaryNote(), this);
  note->setWordWrap(true);
  note->setObjectName(QStringLiteral("note"));
  note->setFont(UIType::note());

  auto* label = new QLabel(SheetTexts::nameLabel(), this);
  label->setFont(UIType::body());
  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("name"));
  name_->setFont(UIType::body());
  label->setBuddy(name_);
  setFocusProxy(name_);
  auto* nameRow = new QHBoxLayout;
  nameRow->setSpacing(12);
  nameRow->addWidget(label);
  nameRow->addWidget(name_, 1);

  problem_ = makeMessage(QStringLiteral("problem"), this);

  auto* cancel = new StyledButton(SubtleButtonStyle, SheetTexts::cancel(), this);
  cancel->setObjectName(QStringLiteral("cancel"));
  add_ = new StyledButton(PrimaryButtonStyle, SheetTexts::add(), this);
  add_->setObjectName(QStringLiteral("add"));
  connect(cancel, &QPushButton::clicked, this, &Sheet::closeRequested);
  connect(add_, &QPushButton::clicked, this, &AddDictionarySheet::add);
  setDefaultButton(add_);
  setCancelButton(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(14);
  layout->addWidget(makeTitle(SheetTexts::addDictionaryTitle(), this));
  layout->addWidget(note);
  layout->addLayout(nameRow);
  layout->addWidget(problem_);
  layout->addStretch(1);
  layout->addLayout(makeButtonRow(nullptr, {cancel, add_}));

  connect(name_, &QLineEdit::textChanged, this, &AddDictionarySheet::refresh);
  connect(&model_, &AppModel::masterChanged, this, &AddDictionarySheet::refresh);
  connect(&model_, &AppModel::pendingDictionariesChanged, this, &AddDictionarySheet::refresh);
  refresh();
}

QSize AddDictionarySheet::sizeHint() const {
  return {460, std::max(260, layout()->sizeHint().height())};
}

void AddDictionarySheet::refresh() {
  if (done_) return;
  const std::string name = name_->text().toStdString();
  const std::optional<std::string> problem =
      name.empty() ? std::nullopt : MasterStore::nameProblem(name, model_.dictionaryNames());
  showProblem(problem);
  add_->setEnabled(!name.empty() && !problem);
}

void AddDictionarySheet::add() {
  if (done_ || !add_->isEnabled()) return;
  // Checked again: the model trims and normalises, and the master may have changed meanwhile.
  // The model announces the new dictionary before it returns; until then the sheet must not
  // check the name against it.
  done_ = true;
  const std::optional<std::string> problem = model_.addDictionary(name_->text().toStdString());
  if (problem) {
    done_ = false;
    showProblem(problem);
    return;
  }
  emit closeRequested();
}

void AddDictionarySheet::showProblem(const std::optional<std::string>& problem) {
  problem_->setText(problem ? QString::fromStdString(*problem) : QString());
  problem_->setVisible(problem.has_value());
  updateGeometry();
}
