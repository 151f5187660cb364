#include "master/deleted_list.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <system_error>

#include "master/master_store.h"
#include "platform/files.h"
#include "platform/text.h"

namespace DeletedList {
namespace {

std::filesystem::path listPath(const std::filesystem::path& masterDir) {
  return masterDir / std::string(MasterStore::deletedListName);
}

// One line of the file: an entry, or bytes that are not UTF-8, kept to be
// written back unchanged.
struct Line {
  std::optional<Entry> entry;
  std::string raw;
};

std::vector<Line> parse(std::string_view text) {
  std::vector<Line> lines;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (line.empty()) continue;
    if (!platform::isValidUtf8(line)) {
      lines.push_back({std::nullopt, std::string(line)});
      continue;
    }
    const std::size_t tab = line.find('\t');
    const std::string_view name = line.substr(0, tab);
    if (name.empty()) continue;
    std::string_view stamp;
    if (tab != line.npos) {
      stamp = line.substr(tab + 1);
      stamp = stamp.substr(0, stamp.find('\t'));
    }
    lines.push_back({Entry{platform::nfc(name), std::string(stamp)}, {}});
  }
  return lines;
}

// The lines as they stand before a change; only a missing list counts as empty.
std::vector<Line> linesToChange(const std::filesystem::path& masterDir) {
  try {
    return parse(platform::readFile(listPath(masterDir)));
  } catch (const std::filesystem::filesystem_error& error) {
    if (error.code() == std::errc::no_such_file_or_directory) return {};
    throw;
  }
}

void write(const std::filesystem::path& masterDir, const std::vector<Line>& lines) {
  if (lines.empty()) {
    std::filesystem::remove(listPath(masterDir));
    return;
  }
  std::string text;
  for (const Line& line : lines) {
    text += line.entry ? line.entry->name + "\t" + line.entry->stamp : line.raw;
    text += '\n';
  }
  platform::writeAtomically(listPath(masterDir), text);
}

}  // namespace

std::vector<Entry> read(const std::filesystem::path& masterDir) {
  std::string text;
  try {
    text = platform::readFile(listPath(masterDir));
  } catch (const std::filesystem::filesystem_error&) {
    return {};
  }
  std::vector<Entry> entries;
  for (Line& line : parse(text)) {
    if (line.entry) entries.push_back(std::move(*line.entry));
  }
  return entries;
}

void add(const std::filesystem::path& masterDir, const Entry& entry) {
  if (!platform::isValidUtf8(entry.name) || entry.name.find_first_of("\t\n") != std::string::npos) {
    return;
  }
  std::vector<Line> lines = linesToChange(masterDir);
  std::erase_if(lines,
                [&](const Line& line) { return line.entry && line.entry->name == entry.name; });
  lines.push_back({entry, {}});
  write(masterDir, lines);
}

void forget(const std::filesystem::path& masterDir, const std::set<std::string>& names) {
  std::vector<Line> lines;
  try {
    lines = linesToChange(masterDir);
  } catch (const std::filesystem::filesystem_error&) {
    // Runs after the dictionaries were written: a list that cannot be read
    // stays as it is rather than fail a save that happened.
    return;
  }
  const auto dropped = std::erase_if(lines, [&](const Line& line) {
    return line.entry && std::any_of(names.begin(), names.end(), [&](const std::string& name) {
             return platform::nfc(name) == line.entry->name;
           });
  });
  if (dropped > 0) write(masterDir, lines);
}

}  // namespace DeletedList
