#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "background/notification_sink.h"
#include "master/diff.h"
#include "model/dict_entry.h"
#include "model/user_dictionary_file.h"

// What the parts of the simulation share: names, the ledger of saved words, and small helpers.
namespace sim {

// Dictionaries by NFC name with their words, in file order: what a reflect is about.
using Content = std::vector<std::pair<std::string, std::vector<DictEntry>>>;

// Where the master lies in each computer's copy of the cloud folder, and its history beside it.
inline const std::string masterFolder = "辞書/マスター/";
inline const std::string historyFolder = "辞書/_履歴/";

inline const std::vector<std::string> dictionaryNames = {"人名", "地名", "専門用語", "顔文字",
                                                         "仕事", "Work", "ガナ"};
// ガナ with its voiced mark apart: the form a name typed on some systems arrives in.
inline const std::string decomposedName = "\xE3\x82\xAB\xE3\x82\x99\xE3\x83\x8A";
inline const std::vector<std::int64_t> posCodes = {1, 2, 3, 5, 10, 22, 30, 44};

std::filesystem::path u8(std::string_view text);

// Words are told apart by all four fields: every word the simulation makes is new in them.
std::string identity(const DictEntry& e);
std::string describe(const DictEntry& e);
std::string describe(const Content& content);

std::optional<std::string> readIfThere(const std::filesystem::path& path);
Content contentOf(const UserDictionaryFile& file);
// The words of each dictionary, in no order: a reflect keeps the order this computer's words
// are in, and neither Mozc nor the user loses anything by it.
std::map<std::string, std::multiset<std::string>> wordSets(const Content& content);
// The differences the headless run put into its notice key (without "local:").
std::vector<DictionaryDiff> diffsOfKey(std::string_view key);
// The dictionary a conflict copy was made of: its name before the marker the client put in.
std::string originalDictionary(const std::string& copy);

// A fresh folder for one run, removed with its content at the end; in memory where the system
// has a tmpfs, as every write the engine makes is flushed to disk and a run makes thousands.
class Scratch {
 public:
  Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  ~Scratch();
  std::filesystem::path operator/(const std::filesystem::path& child) const {
    return path_ / child;
  }

 private:
  std::filesystem::path path_;
};

struct Notices : NotificationSink {
  std::vector<std::string> bodies;
  void sendAndWait(const std::string& body) override { bodies.push_back(body); }
};

// What a user saved: alive until a user removes it on purpose.
class Ledger {
 public:
  void saved(const DictEntry& e) { words_[identity(e)] = {e, true}; }
  void deleted(const DictEntry& e) {
    const auto found = words_.find(identity(e));
    if (found != words_.end()) found->second.alive = false;
  }
  bool knows(const DictEntry& e) const { return words_.contains(identity(e)); }
  bool isDeleted(const DictEntry& e) const {
    const auto found = words_.find(identity(e));
    return found != words_.end() && !found->second.alive;
  }
  std::vector<const DictEntry*> alive() const {
    std::vector<const DictEntry*> list;
    for (const auto& [id, word] : words_) {
      if (word.alive) list.push_back(&word.entry);
    }
    return list;
  }

 private:
  struct Word {
    DictEntry entry;
    bool alive = true;
  };
  std::map<std::string, Word> words_;
};

}  // namespace sim
