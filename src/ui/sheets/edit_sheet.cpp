#include "ui/sheets/edit_sheet.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>

#include "app/app_model.h"
#include "app/qt_text.h"
#include "platform/text.h"
#include "ui/sheets/part_of_speech_picker.h"
#include "ui/sheets/sheet_texts.h"
#include "ui/style/m_icon.h"
#include "ui/style/styled_button.h"
#include "ui/style/ui_type.h"
#include "ui/widgets/confirmation.h"
#include "ui/widgets/themed_label.h"

namespace {

constexpr std::chrono::milliseconds focusDelay{150};
constexpr int cardWidth = 560;
constexpr int editingHeight = 520;
constexpr int addingHeight = 440;

QLineEdit* makeField(const QString& name, const QString& prompt, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  field->setFont(UIType::body());
  field->setPlaceholderText(prompt);
  return field;
}

// One problem: an icon and the message, in the colour of its kind.
QWidget* problemLine(const std::string& message, bool isError, QWidget* parent) {
  auto* line = new QWidget(parent);
  auto* layout = new QHBoxLayout(line);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(6);
  const ThemeColor& color = isError ? Theme::danger : Theme::warn;
  auto* icon = new MIcon(isError ? QStringLiteral("error") : QStringLiteral("warning"), 16, line);
  icon->setColor(color);
  auto* text = new ThemedLabel(color, qtText(message), line);
  text->setWordWrap(true);
  text->setObjectName(isError ? QStringLiteral("problemError") : QStringLiteral("problemWarning"));
  text->setFont(UIType::note());
  layout->addWidget(icon, 0, Qt::AlignTop);
  layout->addWidget(text, 1);
  return line;
}

}  // namespace

EditSheet::EditSheet(AppModel& model, EditTarget target, QWidget* parent)
    : Sheet(parent), model_(model), target_(std::move(target)) {
  setObjectName(QStringLiteral("editSheet"));
  const EntryDraft start = EntryDraft::from(target_);

  reading_ = makeField(QStringLiteral("reading"), SheetTexts::readingPrompt(), this);
  reading_->setText(qtText(start.reading));
  word_ = makeField(QStringLiteral("word"), SheetTexts::wordPrompt(), this);
  word_->setText(qtText(start.word));
  pos_ = new PartOfSpeechPicker(this);
  pos_->setObjectName(QStringLiteral("posCode"));
  pos_->setFont(UIType::body());
  pos_->setCode(start.posCode);
  comment_ = makeField(QStringLiteral("comment"), {}, this);
  comment_->setText(qtText(start.comment));
  dictionary_ = new QComboBox(this);
  dictionary_->setObjectName(QStringLiteral("dictionary"));
  dictionary_->setFont(UIType::body());
  dictionary_->setPlaceholderText(SheetTexts::dictionaryPrompt());
  fillDictionaries(qtText(start.dictionary));

  auto* form = new QFormLayout;
  form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  form->setHorizontalSpacing(12);
  form->setVerticalSpacing(10);
  const auto addRow = [&](const QString& label, QWidget* field) {
    auto* text = new QLabel(label, this);
    text->setFont(UIType::body());
    text->setBuddy(field);
    form->addRow(text, field);
  };
  addRow(SheetTexts::readingLabel(), reading_);
  addRow(SheetTexts::wordLabel(), word_);
  addRow(SheetTexts::posLabel(), pos_);
  addRow(SheetTexts::commentLabel(), comment_);
  addRow(SheetTexts::dictionaryLabel(), dictionary_);

  problems_ = new QWidget(this);
  problems_->setObjectName(QStringLiteral("problems"));
  problemLines_ = new QVBoxLayout(problems_);
  problemLines_->setContentsMargins(0, 0, 0, 0);
  problemLines_->setSpacing(4);
  saveError_ = makeMessage(QStringLiteral("saveError"), this);

  StyledButton* deleteWord = nullptr;
  if (target_.row) {
    deleteWord = new StyledButton(DangerButtonStyle, SheetTexts::deleteWord(), this);
    deleteWord->setObjectName(QStringLiteral("deleteWord"));
    deleteWord->setSymbol(QStringLiteral("delete"), 16);
    connect(deleteWord, &QPushButton::clicked, this, &EditSheet::confirmDelete);
  }
  auto* cancel = new StyledButton(SubtleButtonStyle, SheetTexts::cancel(), this);
  cancel->setObjectName(QStringLiteral("cancel"));
  save_ = new StyledButton(PrimaryButtonStyle, SheetTexts::save(), this);
  save_->setObjectName(QStringLiteral("save"));
  connect(cancel, &QPushButton::clicked, this, &Sheet::closeRequested);
  connect(save_, &QPushButton::clicked, this, &EditSheet::save);
  setDefaultButton(save_);
  setCancelButton(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(16);
  layout->addWidget(
      makeTitle(target_.row ? SheetTexts::editTitle() : SheetTexts::addTitle(), this));
  layout->addLayout(form);
  layout->addWidget(problems_);
  layout->addWidget(saveError_);
  layout->addStretch(1);
  layout->addLayout(makeButtonRow(deleteWord, {cancel, save_}));

  for (QLineEdit* field : {reading_, word_, comment_}) {
    connect(field, &QLineEdit::textChanged, this, &EditSheet::refresh);
  }
  connect(pos_, &PartOfSpeechPicker::codeChanged, this, &EditSheet::refresh);
  connect(dictionary_, &QComboBox::currentIndexChanged, this, &EditSheet::refresh);
  // The checks look at the master, and the picker lists its dictionaries: both follow it.
  const auto follow = [this] {
    if (done_) return;
    fillDictionaries(QString::fromStdString(draft().dictionary));
    refresh();
  };
  connect(&model_, &AppModel::masterChanged, this, follow);
  connect(&model_, &AppModel::pendingDictionariesChanged, this, follow);
  refresh();
}

EntryDraft EditSheet::draft() const {
  EntryDraft draft;
  draft.reading = reading_->text().toStdString();
  draft.word = word_->text().toStdString();
  draft.posCode = pos_->code();
  draft.comment = comment_->text().toStdString();
  if (dictionary_->currentIndex() >= 0) draft.dictionary = dictionary_->currentText().toStdString();
  return draft;
}

QSize EditSheet::sizeHint() const {
  const int preferred = target_.row ? editingHeight : addingHeight;
  return {cardWidth, std::max(preferred, layout()->sizeHint().height())};
}

void EditSheet::showEvent(QShowEvent* event) {
  Sheet::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  QTimer::singleShot(focusDelay, this, [this] {
    // Someone quicker than the delay already chose where to type.
    const QWidget* focused = QApplication::focusWidget();
    if (focused != nullptr && focused != this && isAncestorOf(focused)) return;
    reading_->setFocus(Qt::OtherFocusReason);
  });
}

void EditSheet::fillDictionaries(const QString& chosen) {
  // The choice is kept by name: the list may change under it, and a dictionary that is gone
  // leaves the picker on its prompt.
  const QSignalBlocker quiet(dictionary_);
  dictionary_->clear();
  int current = -1;
  for (const std::string& name : model_.dictionaryNames()) {
    if (current < 0 && platform::canonicallyEqual(name, chosen.toStdString())) {
      current = dictionary_->count();
    }
    dictionary_->addItem(qtText(name));
  }
  dictionary_->setCurrentIndex(current);
}

void EditSheet::refresh() {
  const EntryDraft now = draft();
  const EntryProblems problems = now.problems(model_, target_.row);

  while (QLayoutItem* item = problemLines_->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  // Shown now: a layout would show new lines only on the next turn of the event loop.
  for (const std::string& error : problems.errors) {
    QWidget* line = problemLine(error, true, problems_);
    problemLines_->addWidget(line);
    line->show();
  }
  for (const std::string& warning : problems.warnings) {
    QWidget* line = problemLine(warning, false, problems_);
    problemLines_->addWidget(line);
    line->show();
  }
  problems_->setVisible(!problems.errors.empty() || !problems.warnings.empty());
  save_->setEnabled(problems.errors.empty() && now.differsFrom(target_.row));
  updateGeometry();
}

void EditSheet::save() {
  if (done_ || !save_->isEnabled()) return;
  commit(draft().change(target_.row));
}

void EditSheet::confirmDelete() {
  if (done_ || !target_.row) return;
  const EntryRow row = *target_.row;
  openConfirmation(this,
                   {SheetTexts::deleteTitle(row.entry.reading, row.entry.word),
                    SheetTexts::deleteMessage(), SheetTexts::deleteAction()},
                   [this, row] {
                     if (!done_) commit(AppModel::Delete{{row}});
                   });
}

void EditSheet::commit(const AppModel::Change& change) {
  // The model announces the new master before it returns: checked against it, the word just
  // saved would show as a duplicate of itself while the card goes away.
  done_ = true;
  const std::optional<std::string> error = model_.commit(change);
  if (!error) {
    emit closeRequested();
    return;
  }
  done_ = false;
  saveError_->setText(qtText(*error));
  saveError_->show();
  // A master changed elsewhere was read again meanwhile.
  fillDictionaries(QString::fromStdString(draft().dictionary));
  refresh();
}
