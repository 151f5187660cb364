#include "ui/sheets/entry_draft.h"

#include <algorithm>

#include "app/app_model.h"
#include "platform/text.h"
#include "ui/sheets/sheet_texts.h"

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

void addOnce(std::vector<std::string>& list, std::string message) {
  if (std::find(list.begin(), list.end(), message) == list.end())
    list.push_back(std::move(message));
}

}  // namespace

EntryDraft EntryDraft::from(const EditTarget& target) {
  EntryDraft draft;
  draft.dictionary = target.dictionary;
  if (target.row) {
    const DictEntry& entry = target.row->entry;
    draft.reading = entry.reading;
    draft.word = entry.word;
    draft.posCode = entry.posCode;
    draft.comment = entry.comment;
  }
  return draft;
}

DictEntry EntryDraft::entry() const {
  return DictEntry(platform::trimSpaces(reading), platform::trimSpaces(word), posCode,
                   platform::trimSpaces(comment));
}

EntryProblems EntryDraft::problems(const AppModel& model,
                                   const std::optional<EntryRow>& row) const {
  const DictEntry saved = entry();
  const EntryProblems checked = model.check(saved, dictionary, row);
  EntryProblems problems;
  for (const std::string& error : checked.errors) addOnce(problems.errors, error);
  // Pasted text brings these: a carriage return from another system's line ends, a byte-order
  // mark from the start of a file. The master store would refuse them only when saving.
  for (const std::string* text : {&saved.reading, &saved.word, &saved.comment}) {
    if (text->find('\r') != std::string::npos) addOnce(problems.errors, SheetTexts::lineBreak());
  }
  if (saved.reading.starts_with(byteOrderMark) || saved.word.starts_with(byteOrderMark)) {
    addOnce(problems.errors, SheetTexts::byteOrderMark());
  }
  if (dictionary.empty()) addOnce(problems.errors, SheetTexts::chooseDictionary());
  for (const std::string& warning : checked.warnings) {
    if (std::find(problems.errors.begin(), problems.errors.end(), warning) ==
        problems.errors.end()) {
      addOnce(problems.warnings, warning);
    }
  }
  return problems;
}

bool EntryDraft::differsFrom(const std::optional<EntryRow>& row) const {
  if (!row) return true;
  return !(entry() == row->entry) || !platform::canonicallyEqual(dictionary, row->dictionary);
}

WordChange::Change EntryDraft::change(const std::optional<EntryRow>& row) const {
  if (row) return WordChange::Edit{*row, entry(), dictionary};
  return WordChange::Add{{entry()}, dictionary};
}
