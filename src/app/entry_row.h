#pragma once

#include <QUuid>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "model/dict_entry.h"

// One row of the word table: a claim that the snapshot it was made from holds `entry` at `index`
// of `dictionary`. Every change that uses a row checks the claim against the master first.
struct EntryRow {
  std::string dictionary;
  std::size_t index = 0;
  DictEntry entry;

  bool operator==(const EntryRow&) const = default;

  // dictionary + "#" + index: how the table and its selection name the row.
  std::string id() const;
  // The part-of-speech name, or "?" for a code outside the table.
  std::string_view posName() const;
  const std::string& comment() const { return entry.comment; }
};

// What the entry sheet edits. Each target has an id of its own, so that opening the sheet again
// for the same row makes a new sheet.
struct EditTarget {
  QUuid id = QUuid::createUuid();
  // Absent when a new word is being added.
  std::optional<EntryRow> row;
  // The dictionary the sheet starts with.
  std::string dictionary;

  bool operator==(const EditTarget&) const = default;

  static EditTarget adding(std::string dictionary);
  static EditTarget editing(EntryRow row);
};

// The part-of-speech name of a code, or "?".
std::string_view posNameOrUnknown(std::int64_t code);
