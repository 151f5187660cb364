#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

// The list of dictionaries deleted through the application (M/.消した辞書):
// one "name TAB stamp" line each. Other computers' runs and older versions
// write it too, so a change never drops what it cannot read.
namespace DeletedList {

struct Entry {
  std::string name;  // NFC
  std::string stamp;
  bool operator==(const Entry&) const = default;
};

// A missing or unreadable list is empty; lines that are not UTF-8 are left out.
std::vector<Entry> read(const std::filesystem::path& masterDir);

// Both changes below keep the lines they cannot read as they are, write
// atomically and remove the file when nothing is left. A list that exists but
// cannot be read is never replaced: `add` throws its read error, `forget`
// leaves it.

// Puts `entry` on the list in place of any entry of the same name. A name the
// list cannot hold (not UTF-8, TAB or LF in it) is left off: no line could
// give it back.
void add(const std::filesystem::path& masterDir, const Entry& entry);

// Drops the given names (any normalisation form); writes only when something went.
void forget(const std::filesystem::path& masterDir, const std::set<std::string>& names);

}  // namespace DeletedList
