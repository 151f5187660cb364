#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "master/master_snapshot.h"
#include "model/dict_entry.h"

// The only writer of the master folder. Every change starts from the snapshot
// the user was looking at and is refused when a file it touches changed since.
namespace MasterStore {

inline constexpr int keepHistory = 100;
inline constexpr std::string_view historySuffix = "-アプリ保存前";
inline constexpr std::string_view deletedListName = ".消した辞書";

// Throws MasterError, MasterStoreError (zeroByte); listing and reading errors pass through.
MasterSnapshot load(const std::filesystem::path& dir);

// `changes`: complete new word lists of existing dictionaries; `newDictionaries`:
// dictionaries to create. Returns the folder as read after the save.
// Throws MasterStoreError, MasterError; file-system errors pass through.
MasterSnapshot save(const std::map<std::string, std::vector<DictEntry>>& changes,
                    const std::map<std::string, std::vector<DictEntry>>& newDictionaries,
                    const MasterSnapshot& base, std::chrono::system_clock::time_point now);

MasterSnapshot deleteDictionary(std::string_view name, const MasterSnapshot& base,
                                std::chrono::system_clock::time_point now);

// The message why `name` cannot name a new dictionary, or nothing.
std::optional<std::string> nameProblem(std::string_view name,
                                       const std::vector<std::string>& existing);

// P/_履歴 beside the master folder P/M.
std::filesystem::path historyDir(const std::filesystem::path& masterDir);

// NFC names on the deleted-dictionary list.
std::set<std::string> deletedDictionaries(const std::filesystem::path& masterDir);

}  // namespace MasterStore
