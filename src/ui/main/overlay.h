#pragma once

#include <QString>
#include <variant>

#include "app/entry_row.h"

// The sheet shown as a card over the main window: the entry sheet for a target, the direct-edits
// sheet, or the new-dictionary sheet. One at a time.
struct Overlay {
  struct LocalEdits {
    bool operator==(const LocalEdits&) const = default;
  };
  struct AddDictionary {
    bool operator==(const AddDictionary&) const = default;
  };
  using Case = std::variant<EditTarget, LocalEdits, AddDictionary>;

  Case value;
  bool operator==(const Overlay&) const = default;

  static Overlay edit(EditTarget target) { return {std::move(target)}; }
  static Overlay localEdits() { return {LocalEdits{}}; }
  static Overlay addDictionary() { return {AddDictionary{}}; }

  // The target's id for the entry sheet, so that each new target opens a fresh sheet; a fixed
  // value for the two others.
  QString id() const;
};
