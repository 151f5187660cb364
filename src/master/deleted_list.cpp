#include "master/deleted_list.h"

#include <algorithm>
#include <system_error>

#include "master/master_store.h"
#include "platform/files.h"
#include "platform/text.h"

namespace DeletedList {
namespace {

std::filesystem::path listPath(const std::filesystem::path& masterDir) {
  return masterDir / std::string(MasterStore::deletedListName);
}

}  // namespace

std::vector<Entry> read(const std::filesystem::path& masterDir) {
  std::string text;
  try {
    text = platform::readFile(listPath(masterDir));
  } catch (const std::filesystem::filesystem_error&) {
    return {};
  }
  if (!platform::isValidUtf8(text)) return {};
  std::vector<Entry> entries;
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    const std::size_t tab = line.find('\t');
    const std::string_view name = line.substr(0, tab);
    if (name.empty()) continue;
    std::string_view stamp;
    if (tab != line.npos) {
      stamp = line.substr(tab + 1);
      stamp = stamp.substr(0, stamp.find('\t'));
    }
    entries.push_back({platform::nfc(name), std::string(stamp)});
  }
  return entries;
}

void write(const std::filesystem::path& masterDir, const std::vector<Entry>& entries) {
  if (entries.empty()) {
    std::filesystem::remove(listPath(masterDir));
    return;
  }
  std::string text;
  for (const Entry& e : entries) text += e.name + "\t" + e.stamp + "\n";
  platform::writeAtomically(listPath(masterDir), text);
}

void forget(const std::filesystem::path& masterDir, const std::set<std::string>& names) {
  std::vector<Entry> entries = read(masterDir);
  const auto dropped = std::erase_if(entries, [&](const Entry& e) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& name) { return platform::nfc(name) == e.name; });
  });
  if (dropped > 0) write(masterDir, entries);
}

}  // namespace DeletedList
