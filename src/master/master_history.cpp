#include "master/master_history.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <utility>

#include "master/master_store.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/trash.h"

namespace MasterStore {

std::filesystem::path historyDir(const std::filesystem::path& masterDir) {
  const std::filesystem::path master =
      masterDir.has_filename() ? masterDir : masterDir.parent_path();
  return master.parent_path() / "_履歴";
}

}  // namespace MasterStore

namespace MasterHistory {

void keep(const std::filesystem::path& masterDir, std::string_view suffix,
          std::chrono::system_clock::time_point now, const std::vector<const MasterFile*>& files) {
  if (files.empty()) return;
  const std::filesystem::path folder =
      MasterStore::historyDir(masterDir) / (platform::stamp(now) + std::string(suffix));
  std::filesystem::create_directories(folder);
  for (const MasterFile* file : files) {
    // Two operations in the same second share the folder: neither may
    // replace the other's copy, so a different content gets a numbered name.
    const std::filesystem::path plain = folder / file->fileName;
    std::filesystem::path copy = plain;
    for (int n = 2; std::filesystem::exists(std::filesystem::symlink_status(copy)); ++n) {
      if (platform::readFile(copy) == file->raw) {
        copy.clear();
        break;
      }
      copy = folder /
             (plain.stem().string() + " (" + std::to_string(n) + ")" + plain.extension().string());
    }
    if (!copy.empty()) platform::writeAtomically(copy, file->raw);
  }
}

void prune(const std::filesystem::path& masterDir, std::chrono::system_clock::time_point now) {
  const std::filesystem::path history = MasterStore::historyDir(masterDir);
  // (NFC name, name as listed)
  std::vector<std::pair<std::string, std::string>> backups;
  for (const auto& entry : std::filesystem::directory_iterator(history)) {
    std::string listed = entry.path().filename().string();
    std::string normal = platform::nfc(listed);
    if (normal.ends_with(MasterStore::historySuffix)) {
      backups.emplace_back(std::move(normal), std::move(listed));
    }
  }
  if (backups.size() <= static_cast<std::size_t>(MasterStore::keepHistory)) return;
  std::sort(backups.begin(), backups.end(), std::greater<>());
  for (std::size_t i = MasterStore::keepHistory; i < backups.size(); ++i) {
    try {
      platform::moveToTrash(history / backups[i].second, now);
    } catch (const std::system_error&) {
      // An old backup left in place costs only space.
    }
  }
}

}  // namespace MasterHistory
