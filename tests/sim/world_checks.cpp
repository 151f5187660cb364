#include <algorithm>
#include <set>
#include <variant>

#include "background/background_run.h"
#include "master/master_format.h"
#include "master/master_listing.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/trash.h"
#include "world_state.h"

namespace sim {

namespace fs = std::filesystem;

std::optional<std::string> World::headless(Computer& c) {
  const Syncer run = syncer(c);
  const std::string before = readIfThere(c.dictionary).value_or("");
  const bool firstRun = !fs::exists(run.paths.lastApplied());
  const std::size_t told = c.notices.bodies.size();
  const bool cut = readsCutFile(c);
  BackgroundRun::reflect(run, c.notices);
  ++outcome_.figures.reflects;
  const std::string after = readIfThere(c.dictionary).value_or("");
  const std::optional<std::string> key = readIfThere(BackgroundRun::noticeFile(run.paths));
  const std::string what = c.device + " headless reflect";
  note("step " + std::to_string(step_) + ": " + what + " -> " + key.value_or("ok") +
       (c.notices.bodies.size() > told ? " (notified: " + c.notices.bodies.back() + ")" : ""));
  if (c.tool->isOpen()) {
    note("  (the tool is open: the notice file is left as it was)");
    ++outcome_.figures.toolOpen;
    if (after != before) violation(what + " wrote while Mozc's tool was open");
    return key;
  }
  if (!key) {
    ++(after == before ? outcome_.figures.upToDate : outcome_.figures.applied);
    if (cut && after != before) ++outcome_.figures.cutFilesReflected;
    checkMatchesMaster(c, what);
    return key;
  }
  if (after != before) violation(what + " stopped (" + *key + ") yet the dictionary file changed");
  if (options_.trace) {
    std::string listing = "  master:";
    for (const auto& entry : fs::directory_iterator(c.master))
      listing += " " + entry.path().filename().string();
    note(listing);
    if (auto m = masterContent(c)) note("  content: " + describe(*m));
    if (auto d = dictionaryContent(c)) note("  dictionary: " + describe(*d));
    try {
      note("  last: " + describe(contentOf(UserDictionaryFile::read(run.paths.lastApplied()))));
    } catch (...) {
    }
  }
  if (key->starts_with("local:")) {
    ++outcome_.figures.localEditStops;
    checkEdits(c, diffsOfKey(std::string_view(*key).substr(6)), firstRun, what);
  } else if (key->starts_with("big:")) {
    ++outcome_.figures.bigChangeStops;
  } else if (key->starts_with("master:")) {
    ++outcome_.figures.masterProblemStops;
  } else {
    countFailure(key->substr(key->find(':') + 1));
  }
  return key;
}

std::optional<Content> World::masterContent(const Computer& c) const {
  try {
    const Master::Loaded loaded = Master::load(c.master);
    Content content;
    for (const MasterDictionary& d : loaded.dictionaries) {
      content.emplace_back(platform::nfc(d.name), d.entries);
    }
    return content;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<Content> World::dictionaryContent(const Computer& c) const {
  try {
    return contentOf(UserDictionaryFile::read(c.dictionary));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

void World::checkMatchesMaster(const Computer& c, const std::string& what) {
  const std::optional<Content> master = masterContent(c);
  const std::optional<Content> mine = dictionaryContent(c);
  const auto same = [&] {
    auto ours = wordSets(*mine);
    const auto theirs = wordSets(*master);
    // A dictionary without words stays in this computer's file: no master file can hold one.
    std::erase_if(ours,
                  [&](const auto& d) { return d.second.empty() && !theirs.contains(d.first); });
    return ours == theirs;
  };
  if (!master || !mine || !same()) {
    violation(what + " reported the dictionary as the master's, but it holds " +
              (mine ? describe(*mine) : "(unreadable)") + " and the master " +
              (master ? describe(*master) : "(unreadable)"));
  }
}

void World::checkEdits(const Computer& c, const std::vector<DictionaryDiff>& diffs, bool firstRun,
                       const std::string& what) {
  const auto madeHere = [&](const DictEntry& e) {
    return c.toolSaved.contains(identity(e)) || (firstRun && c.initial.contains(identity(e)));
  };
  const auto removedHere = [&](const DictEntry& e) {
    return firstRun || c.toolRemoved.contains(identity(e));
  };
  const auto phantom = [&](const std::string& kind, const DictEntry& e, const std::string& in) {
    violation(what + " reported a direct edit nobody made (" + kind + " " + describe(e) + " in " +
              in + (firstRun ? ", first run" : "") + ")");
  };
  for (const DictionaryDiff& d : diffs) {
    const std::string name = platform::nfc(d.name);
    for (const DictEntry& e : d.added) {
      if (!madeHere(e)) phantom("added", e, d.name);
    }
    for (const DictEntry& e : d.removed) {
      if (!removedHere(e)) phantom("removed", e, d.name);
    }
    for (const ChangedEntry& pair : d.changed) {
      if (!madeHere(pair.new_)) phantom("changed to", pair.new_, d.name);
      if (!removedHere(pair.old)) phantom("changed from", pair.old, d.name);
    }
    const bool knownHere =
        c.toolDictionaries.contains(name) || (firstRun && c.initialDictionaries.contains(name));
    if (d.dictionaryAdded && !knownHere) {
      violation(what + " reported dictionary " + d.name + " added here, which nobody did");
    }
    if (d.dictionaryRemoved && !firstRun && !c.toolDictionaries.contains(name)) {
      violation(what + " reported dictionary " + d.name + " removed here, which nobody did");
    }
  }
}

bool World::readsCutFile(const Computer& c) {
  for (const auto& [path, text] : c.client->files()) {
    if (isMasterText(path) && c.client->isMidWrite(path) && !text.ends_with('\n') &&
        wordsOf(text) != nullptr) {
      return true;
    }
  }
  return false;
}

bool World::isMasterText(const std::string& path) {
  return path.starts_with(masterFolder) && path.ends_with(".txt") &&
         path.find('/', masterFolder.size()) == std::string::npos &&
         path[masterFolder.size()] != '.';
}

bool World::isHistoryText(const std::string& path) {
  return path.starts_with(historyFolder) && path.ends_with(".txt");
}

const std::vector<std::string>* World::wordsOf(const std::string& text) {
  auto found = parsed_.find(text);
  if (found == parsed_.end()) {
    std::optional<std::vector<std::string>> ids;
    try {
      if (!text.empty()) {
        ids.emplace();
        for (const DictEntry& e : MasterListing::parseFile(text, "")) ids->push_back(identity(e));
      }
    } catch (const std::exception&) {
      ids.reset();
    }
    found = parsed_.emplace(text, std::move(ids)).first;
  }
  return found->second ? &*found->second : nullptr;
}

void World::checkEverything() {
  std::set<std::string> present;
  const auto take = [&](const std::vector<std::string>* ids) {
    if (ids) present.insert(ids->begin(), ids->end());
  };

  for (const auto& c : computers_) {
    if (!fs::exists(c->dictionary)) {
      violation(c->device + "'s dictionary file is gone");
      continue;
    }
    try {
      for (const UserDictionary& d : UserDictionaryFile::read(c->dictionary).dictionaries) {
        for (const DictEntry& e : d.entries) present.insert(identity(e));
      }
    } catch (const std::exception& error) {
      violation(c->device + "'s dictionary file does not decode: " + error.what());
    }
    for (const auto& [path, text] : c->client->files()) {
      if (!isMasterText(path)) continue;
      const std::vector<std::string>* ids = wordsOf(text);
      take(ids);
      const bool conflictCopy = Master::isConflictCopy(path);
      if (!ids && !conflictCopy && !c->client->isMidWrite(path)) {
        violation(c->device + "'s master file " + path + " is empty or does not read");
      }
    }
  }
  for (const auto& [path, file] : server_.files()) {
    if (!file.content || !isMasterText(path)) continue;
    const std::vector<std::string>* ids = wordsOf(*file.content);
    take(ids);
    if (!ids && !Master::isConflictCopy(path)) {
      violation("the cloud's master file " + path + " is empty or does not read");
    }
  }

  std::vector<const DictEntry*> missing;
  for (const DictEntry* e : ledger_.alive()) {
    if (!present.contains(identity(*e))) missing.push_back(e);
  }
  if (missing.empty()) return;
  // Only now the history and the trash: they are large and rarely needed.
  for (const auto& c : computers_) {
    for (const auto& [path, text] : c->client->files()) {
      if (isHistoryText(path)) take(wordsOf(text));
    }
  }
  for (const auto& [path, file] : server_.files()) {
    if (file.content && isHistoryText(path)) take(wordsOf(*file.content));
  }
  const fs::path trash = platform::trashDirectory() / "files";
  if (fs::exists(trash)) {
    for (const auto& entry : fs::recursive_directory_iterator(trash)) {
      if (entry.is_regular_file()) take(wordsOf(platform::readFile(entry.path())));
    }
  }
  for (const DictEntry* e : missing) {
    if (!present.contains(identity(*e))) {
      violation("word " + describe(*e) + " that a user saved is gone without a trace");
    }
  }
}

}  // namespace sim
