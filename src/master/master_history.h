#pragma once

#include <chrono>
#include <filesystem>
#include <string_view>
#include <vector>

#include "master/master_snapshot.h"

// Dated copies of master files, kept in P/_履歴 beside the master folder P/M.
namespace MasterHistory {

inline constexpr std::string_view deletionSuffix = "-辞書削除前";

// Writes the files' bytes as read into P/_履歴/<stamp of now><suffix>/, under
// their file names; a folder of that name (same second) is reused, keeping
// the copies it already holds.
void keep(const std::filesystem::path& masterDir, std::string_view suffix,
          std::chrono::system_clock::time_point now, const std::vector<const MasterFile*>& files);

// Moves all but the newest MasterStore::keepHistory save backups to the Trash.
// Failures to move are ignored; a failure to list the folder is not.
void prune(const std::filesystem::path& masterDir, std::chrono::system_clock::time_point now);

}  // namespace MasterHistory
