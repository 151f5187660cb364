#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

// The list of dictionaries deleted through the application (M/.消した辞書):
// one "name TAB stamp" line each.
namespace DeletedList {

struct Entry {
  std::string name;  // NFC
  std::string stamp;
  bool operator==(const Entry&) const = default;
};

// A missing or unreadable list is empty.
std::vector<Entry> read(const std::filesystem::path& masterDir);

// Written atomically; an empty list removes the file.
void write(const std::filesystem::path& masterDir, const std::vector<Entry>& entries);

// Drops the given names (any normalisation form); writes only when something went.
void forget(const std::filesystem::path& masterDir, const std::set<std::string>& names);

}  // namespace DeletedList
