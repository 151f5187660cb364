#include "app/entry_row.h"

#include "model/part_of_speech.h"

std::string EntryRow::id() const {
  return dictionary + "#" + std::to_string(index);
}

std::string_view EntryRow::posName() const {
  return posNameOrUnknown(entry.posCode);
}

EditTarget EditTarget::adding(std::string dictionary) {
  EditTarget target;
  target.dictionary = std::move(dictionary);
  return target;
}

EditTarget EditTarget::editing(EntryRow row) {
  EditTarget target;
  target.dictionary = row.dictionary;
  target.row = std::move(row);
  return target;
}

std::string_view posNameOrUnknown(std::int64_t code) {
  return PartOfSpeech::name(code).value_or("?");
}
