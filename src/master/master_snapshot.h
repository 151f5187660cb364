#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "model/dict_entry.h"

// One dictionary of the master: its name (NFC) and its words in file order.
struct MasterDictionary {
  std::string name;
  std::vector<DictEntry> entries;

  bool operator==(const MasterDictionary&) const = default;
};

// One dictionary file as read, with its bytes kept so that a later save can
// tell whether another computer changed it meanwhile.
struct MasterFile {
  std::string name;      // dictionary name, NFC
  std::string fileName;  // as the folder listing gave it, ".txt" included
  std::vector<DictEntry> entries;
  std::string raw;

  bool operator==(const MasterFile&) const = default;
};

// The master folder as read by MasterStore::load.
struct MasterSnapshot {
  std::filesystem::path dir;
  std::vector<MasterFile> files;
  std::vector<std::string> conflictCopies;  // NFC names, in reading order

  bool operator==(const MasterSnapshot&) const = default;

  std::vector<MasterDictionary> dictionaries() const;
  // The first file whose dictionary name is canonically equal to `named`.
  const MasterFile* file(std::string_view named) const;
};
