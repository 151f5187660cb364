#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "master/encoded_master.h"
#include "master/master_snapshot.h"
#include "model/dict_entry.h"
#include "model/user_dictionary_file.h"

// The text format of one master file (reading TAB word TAB part of speech
// [TAB comment], one word per LF-terminated line) and the reflect engine's
// reader of the master folder.
namespace Master {

// Throws MasterError (badLine). `file` names the file in messages.
std::vector<DictEntry> parse(std::string_view text, std::string_view file);

// The entries parse reads, each written into `out` as the IME file's entry
// field, in order and back to back; returns the views of their messages.
// `out` must have room for encodedCapacity(text) bytes. Throws as parse.
MessageList encode(std::string_view text, std::string_view file, char* out);
std::size_t encodedCapacity(std::string_view text);

std::string text(const std::vector<DictEntry>& entries);

std::string normalized(std::string_view text);

bool isConflictCopy(std::string_view name);

struct Loaded {
  std::vector<MasterDictionary> dictionaries;
  std::vector<std::string> conflictCopies;

  bool operator==(const Loaded&) const = default;
};

// Throws MasterError; listing and reading errors pass through.
Loaded load(const std::filesystem::path& dir);

// Draws a candidate id for a new dictionary, uniformly in 1...2^63-1.
using RandomId = std::function<std::uint64_t()>;
RandomId systemRandomId();

// The IME file holding exactly the master's dictionaries, keeping the id,
// enabled flag and spelling of the name of dictionaries `current` already has.
// The words are moved from `master`: a caller done with it hands it over
// rather than holding a million words twice.
UserDictionaryFile build(std::vector<MasterDictionary> master, const UserDictionaryFile* current);
UserDictionaryFile build(std::vector<MasterDictionary> master, const UserDictionaryFile* current,
                         const RandomId& randomId);
UserDictionaryFile build(std::vector<MasterDictionary> master,
                         const EncodedUserDictionaryFile& current);
// The same for a master whose words are encoded: their views move out of
// `master`, which keeps their bytes and must outlive the result.
EncodedUserDictionaryFile build(EncodedMaster& master, const EncodedUserDictionaryFile& current);

}  // namespace Master
