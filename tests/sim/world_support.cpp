#include "world_support.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <system_error>

#include "platform/files.h"
#include "platform/text.h"

namespace sim {

namespace fs = std::filesystem;

fs::path u8(std::string_view text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

std::string identity(const DictEntry& e) {
  return platform::nfc(e.reading) + '\t' + platform::nfc(e.word) + '\t' +
         std::to_string(e.posCode) + '\t' + platform::nfc(e.comment);
}

std::string describe(const DictEntry& e) {
  return e.reading + "/" + e.word + "/" + std::to_string(e.posCode) + "/" + e.comment;
}

std::optional<std::string> readIfThere(const fs::path& path) {
  try {
    return platform::readFile(path);
  } catch (const fs::filesystem_error&) {
    return std::nullopt;
  }
}

Content contentOf(const UserDictionaryFile& file) {
  Content content;
  for (const UserDictionary& d : file.dictionaries) {
    content.emplace_back(platform::nfc(d.name), d.entries);
  }
  return content;
}

std::map<std::string, std::multiset<std::string>> wordSets(const Content& content) {
  std::map<std::string, std::multiset<std::string>> words;
  for (const auto& [name, entries] : content) {
    std::multiset<std::string>& set = words[name];
    for (const DictEntry& e : entries) set.insert(identity(e));
  }
  return words;
}

std::string describe(const Content& content) {
  std::string text;
  for (const auto& [name, entries] : content) {
    text += "[" + name + ":";
    for (const DictEntry& e : entries) text += " " + e.word + "/" + e.comment;
    text += "]";
  }
  return text;
}

namespace {

DictEntry entryOfKey(const nlohmann::json& e) {
  return DictEntry(e.at(0).get<std::string>(), e.at(1).get<std::string>(),
                   e.at(2).get<std::int64_t>(), e.at(3).get<std::string>());
}

}  // namespace

std::vector<DictionaryDiff> diffsOfKey(std::string_view key) {
  std::vector<DictionaryDiff> diffs;
  for (const nlohmann::json& d : nlohmann::json::parse(key)) {
    DictionaryDiff diff;
    diff.name = d.at("name").get<std::string>();
    for (const auto& e : d.at("added")) diff.added.push_back(entryOfKey(e));
    for (const auto& e : d.at("removed")) diff.removed.push_back(entryOfKey(e));
    for (const auto& pair : d.at("changed")) {
      diff.changed.push_back({entryOfKey(pair.at(0)), entryOfKey(pair.at(1))});
    }
    diff.dictionaryAdded = d.at("dictionaryAdded").get<bool>();
    diff.dictionaryRemoved = d.at("dictionaryRemoved").get<bool>();
    diffs.push_back(std::move(diff));
  }
  return diffs;
}

std::string originalDictionary(const std::string& copy) {
  std::string stem = copy.substr(0, copy.size() - 4);
  if (const std::size_t at = stem.find(".sync-conflict-"); at != std::string::npos) {
    return stem.substr(0, at);
  }
  if (const std::size_t at = stem.rfind(" ("); at != std::string::npos) return stem.substr(0, at);
  return stem;
}

Scratch::Scratch() {
  const fs::path shared = "/dev/shm";
  const fs::path parent = ::access(shared.c_str(), W_OK) == 0 ? shared : fs::temp_directory_path();
  std::string pattern = (parent / "wordloom-sim-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::system_error(errno, std::generic_category());
  path_ = pattern;
}

Scratch::~Scratch() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

}  // namespace sim
