#pragma once

#include <QString>
#include <string_view>

// The sheets' own texts, with the platform's words put in when asked for.
namespace SheetTexts {

// The word sheet.
QString editTitle();
QString addTitle();
QString readingLabel();
QString readingPrompt();
QString wordLabel();
QString wordPrompt();
QString posLabel();
QString frequentSection();
QString otherSection();
QString commentLabel();
QString dictionaryLabel();
QString dictionaryPrompt();
QString deleteWord();
QString save();
QString cancel();
QString deleteAction();
QString deleteTitle(std::string_view reading, std::string_view word);
QString deleteMessage();

// Problems the sheet finds itself, beyond the model's checks.
std::string chooseDictionary();
std::string lineBreak();
std::string byteOrderMark();

// The dictionary sheet.
QString addDictionaryTitle();
QString addDictionaryNote();
QString nameLabel();
QString add();

// The direct-edits sheet.
QString localEditsTitle();
QString firstRunExplanation();
QString localEditsExplanation();
QString noLocalEdits();
QString skippedItem(std::string_view message);
QString absorb();
QString discard();
QString discardNote();
QString later();
QString discardTitle();
QString discardAction();

}  // namespace SheetTexts
