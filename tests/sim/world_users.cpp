#include <QEventLoop>
#include <QObject>
#include <algorithm>
#include <set>
#include <variant>

#include "master/master_listing.h"
#include "platform/files.h"
#include "platform/overloaded.h"
#include "platform/text.h"
#include "platform/trash.h"
#include "world_state.h"

namespace sim {

namespace fs = std::filesystem;

void World::waitFor(Computer& c) {
  if (!c.window->isSyncing()) return;
  QEventLoop loop;
  QObject::connect(c.window.get(), &AppModel::syncFinished, &loop, &QEventLoop::quit);
  if (c.window->isSyncing()) loop.exec();
}

std::optional<std::string> World::commit(Computer& c, const AppModel::Change& change) {
  const std::string before = readIfThere(c.dictionary).value_or("");
  c.cutAtStart = readsCutFile(c);
  const int handedBack = c.reflectsHandedBack;
  std::optional<std::string> problem = c.window->commit(change);
  waitFor(c);
  c.client->rescan();
  ++(problem ? outcome_.figures.windowRefusals : outcome_.figures.windowSaves);
  note("step " + std::to_string(step_) + ": " + action_ + " -> " + problem.value_or("ok"));
  afterWindow(c, handedBack, before);
  return problem;
}

void World::appSync(Computer& c, bool discard, bool allowBig) {
  const std::string before = readIfThere(c.dictionary).value_or("");
  c.cutAtStart = readsCutFile(c);
  const int handedBack = c.reflectsHandedBack;
  c.window->sync(discard, allowBig);
  waitFor(c);
  note("step " + std::to_string(step_) + ": " + action_ + " -> " + c.window->state().summary());
  afterWindow(c, handedBack, before);
}

void World::afterWindow(Computer& c, int handedBack, const std::string& bytesBefore) {
  if (c.reflectsHandedBack == handedBack) return;
  ++outcome_.figures.reflects;
  if (options_.trace) {
    std::string detail = "  window state: " + c.window->state().summary();
    if (auto* big = std::get_if<MacState::BigChange>(&c.window->state().value))
      detail += " " + big->reason;
    if (auto* f = std::get_if<MacState::Failed>(&c.window->state().value))
      detail += " " + f->description;
    note(detail);
  }
  const std::string after = readIfThere(c.dictionary).value_or("");
  const std::string what = c.device + " window reflect";
  const bool unchanged = after == bytesBefore;
  if (!unchanged && c.window->state().isOK() && c.cutAtStart) {
    ++outcome_.figures.cutFilesReflected;
  }
  std::visit(platform::Overloaded{
                 [&](const MacState::Applied&) {
                   ++outcome_.figures.applied;
                   checkMatchesMaster(c, what);
                 },
                 [&](const MacState::UpToDate&) {
                   ++outcome_.figures.upToDate;
                   checkMatchesMaster(c, what);
                 },
                 [&](const MacState::LocalEdits& edits) {
                   ++outcome_.figures.localEditStops;
                   checkEdits(c, edits.diff, edits.firstRun, what);
                 },
                 [&](const MacState::BigChange&) { ++outcome_.figures.bigChangeStops; },
                 [&](const MacState::MasterProblem& problem) {
                   ++outcome_.figures.masterProblemStops;
                   note("  master problem: " + (problem.lines.empty() ? "" : problem.lines[0]));
                 },
                 [&](const MacState::Failed& failed) {
                   countFailure(failed.description);
                   note("  failed: " + failed.description);
                 },
                 [&](const MacState::ToolOpen&) { ++outcome_.figures.toolOpen; },
                 [](const MacState::Checking&) {},
             },
             c.window->state().value);
  if (!c.window->state().isOK() && !unchanged) {
    violation(what + " stopped (" + c.window->state().summary() +
              ") yet the dictionary file changed");
  }
}

void World::windowAction(Computer& c) {
  AppModel& w = *c.window;
  const std::shared_ptr<const MasterSnapshot> snapshot = w.master();
  std::vector<EntryRow> rows;
  if (snapshot) {
    for (const MasterFile& file : snapshot->files) {
      for (std::size_t i = 0; i < file.entries.size(); ++i) {
        rows.push_back({file.name, i, file.entries[i]});
      }
    }
  }
  const std::vector<std::string> names = w.dictionaryNames();
  const auto pickRows = [&] {
    std::vector<EntryRow> picked;
    const int count = random_.chance(70) ? 1 : 2;
    for (int i = 0; i < count; ++i) picked.push_back(random_.pick(rows));
    return picked;
  };
  const std::string who = c.device + " window ";
  const bool stopped = std::holds_alternative<MacState::LocalEdits>(w.state().value) ||
                       std::holds_alternative<MacState::BigChange>(w.state().value);
  // A stop shown in the window gets the user's attention more often than not.
  if (stopped && random_.chance(40)) {
    if (std::holds_alternative<MacState::BigChange>(w.state().value)) {
      action_ = who + "allow big change";
      allowBigChange(c);
    } else if (random_.chance(60)) {
      action_ = who + "take in";
      takeIn(c);
    } else {
      action_ = who + "discard";
      discard(c);
    }
    return;
  }
  const std::size_t roll = random_.below(100);
  if (roll < 10) {
    action_ = who + "reload";
    w.reload();
  } else if (roll < 60 || names.empty()) {
    if (names.empty()) return;
    const std::string& to = random_.pick(names);
    const std::vector<DictEntry> added = newWords(random_.between(1, 3));
    action_ = who + "add " + added[0].word + " to " + to;
    if (!commit(c, AppModel::Add{added, to})) {
      for (const DictEntry& e : added) ledger_.saved(e);
    }
  } else if (roll < 70 && !rows.empty()) {
    const EntryRow row = random_.pick(rows);
    const DictEntry to = newVersion(row.entry);
    const std::string in = random_.chance(80) ? row.dictionary : random_.pick(names);
    action_ = who + "edit " + describe(row.entry) + " to " + describe(to) + " in " + in;
    if (!commit(c, AppModel::Edit{row, to, in})) {
      ledger_.deleted(row.entry);
      ledger_.saved(to);
    }
  } else if (roll < 78 && !rows.empty()) {
    const std::vector<EntryRow> picked = pickRows();
    action_ = who + "delete " + describe(picked[0].entry);
    if (!commit(c, AppModel::Delete{picked})) {
      for (const EntryRow& row : picked) ledger_.deleted(row.entry);
    }
  } else if (roll < 86 && !rows.empty()) {
    const std::vector<EntryRow> picked = pickRows();
    const std::string& to = random_.pick(names);
    action_ = who + "move " + describe(picked[0].entry) + " to " + to;
    commit(c, AppModel::Move{picked, to});
  } else if (roll < 92) {
    const std::string& name = random_.pick(dictionaryNames);
    action_ = who + "new dictionary " + name;
    if (w.addDictionary(name)) return;
    const std::vector<DictEntry> added = newWords(random_.between(1, 3));
    if (!commit(c, AppModel::Add{added, name})) {
      for (const DictEntry& e : added) ledger_.saved(e);
    }
  } else if (roll < 95 && snapshot && snapshot->files.size() >= 2) {
    const MasterFile& file = random_.pick(snapshot->files);
    action_ = who + "delete dictionary " + file.name;
    const std::string before = readIfThere(c.dictionary).value_or("");
    c.cutAtStart = readsCutFile(c);
    c.cutAtStart = readsCutFile(c);
    const int handedBack = c.reflectsHandedBack;
    const std::optional<std::string> problem = w.deleteDictionary(file.name);
    waitFor(c);
    c.client->rescan();
    note("step " + std::to_string(step_) + ": " + action_ + " -> " + problem.value_or("ok"));
    if (!problem) {
      for (const DictEntry& e : file.entries) ledger_.deleted(e);
    }
    afterWindow(c, handedBack, before);
  } else {
    action_ = who + "reflect";
    appSync(c, false, false);
  }
}

void World::takeIn(Computer& c) {
  AppModel& w = *c.window;
  // What the sheet shows the user before they press the button: the differences and what will
  // not be taken in.
  w.reload();
  const auto* edits = std::get_if<MacState::LocalEdits>(&w.state().value);
  const std::optional<AbsorbPlan> plan = w.absorbPlan();
  if (edits == nullptr || !plan || !w.master()) return;
  const std::vector<DictionaryDiff> shown = edits->diff;
  if (options_.trace) {
    std::string text = "  plan:";
    for (const auto& [name, entries] : plan->changes) text += " change " + name;
    for (const auto& [name, entries] : plan->newDictionaries) text += " new " + name;
    for (const std::string& line : plan->skipped) text += " skip " + line;
    note(text);
  }

  const std::string before = readIfThere(c.dictionary).value_or("");
  c.cutAtStart = readsCutFile(c);
  const int handedBack = c.reflectsHandedBack;
  const std::optional<std::string> problem = w.absorb();
  waitFor(c);
  c.client->rescan();
  note("step " + std::to_string(step_) + ": " + action_ + " -> " + problem.value_or("ok"));
  if (!problem) ++outcome_.figures.absorbs;
  // The user was told these stay out of the master, and went on; they go once the reflect that
  // follows wrote the master's words over them.
  if (!problem && c.window->master()) {
    const auto told = [&](const std::string& name) {
      return std::any_of(plan->skipped.begin(), plan->skipped.end(), [&](const std::string& line) {
        return line.find("「" + name + "」") != std::string::npos;
      });
    };
    std::set<std::string> inMaster;
    for (const MasterFile& file : c.window->master()->files) {
      for (const DictEntry& e : file.entries) inMaster.insert(identity(e));
    }
    std::vector<DictEntry> left;
    for (const DictionaryDiff& diff : shown) {
      if (!told(diff.name)) continue;
      for (const DictEntry& e : diff.added) {
        if (!inMaster.contains(identity(e))) left.push_back(e);
      }
      for (const ChangedEntry& pair : diff.changed) {
        if (!inMaster.contains(identity(pair.new_))) left.push_back(pair.new_);
      }
    }
    letGo(c, std::move(left));
  }
  afterWindow(c, handedBack, before);
}

void World::discard(Computer& c) {
  const auto* edits = std::get_if<MacState::LocalEdits>(&c.window->state().value);
  if (edits == nullptr) return;
  std::vector<DictEntry> shown;
  for (const DictionaryDiff& diff : edits->diff) {
    shown.insert(shown.end(), diff.added.begin(), diff.added.end());
    for (const ChangedEntry& pair : diff.changed) shown.push_back(pair.new_);
  }
  ++outcome_.figures.discards;
  appSync(c, true, false);
  letGo(c, std::move(shown));
}

void World::allowBigChange(Computer& c) {
  ++outcome_.figures.bigChangesAllowed;
  std::vector<DictEntry> pending = std::move(c.pendingLoss);
  c.pendingLoss.clear();
  appSync(c, false, true);
  if (c.window->state().isOK()) {
    for (const DictEntry& e : pending) ledger_.deleted(e);
  }
}

void World::letGo(Computer& c, std::vector<DictEntry> entries) {
  c.pendingLoss.clear();
  if (c.window->state().isOK()) {
    for (const DictEntry& e : entries) ledger_.deleted(e);
  } else if (std::holds_alternative<MacState::BigChange>(c.window->state().value)) {
    c.pendingLoss = std::move(entries);
  }
}

bool World::resolveConflictCopies(Computer& c) {
  AppModel& w = *c.window;
  w.reload();
  if (!w.master() || w.master()->conflictCopies.empty()) return false;
  const std::vector<std::string> copies = w.master()->conflictCopies;
  for (const std::string& copy : copies) {
    action_ = c.device + " window merge " + copy;
    // The window names copies in NFC; the file may be stored in another form.
    fs::path file = c.master / u8(copy);
    for (const auto& entry : fs::directory_iterator(c.master)) {
      const std::u8string name = entry.path().filename().u8string();
      if (platform::nfc(std::string(name.begin(), name.end())) == copy) file = entry.path();
    }
    const std::optional<std::string> text = readIfThere(file);
    std::vector<DictEntry> entries;
    try {
      entries = MasterListing::parseFile(text.value_or(""), copy);
    } catch (const std::exception& error) {
      violation("conflict copy " + copy + " does not read: " + error.what());
      continue;
    }
    // The user adds the words the master lacks, leaves out what they deleted themselves, and
    // keeps the master's version of a word both hold.
    std::set<std::string> keys;
    for (const MasterFile& file : w.master()->files) {
      for (const DictEntry& e : file.entries) keys.insert(platform::nfc(e.key()));
    }
    std::vector<DictEntry> missing;
    for (const DictEntry& e : entries) {
      // A word no user saved is not the user's to bring back: a master file the cloud had cut
      // inside its last line, reflected as it was, and kept in a copy since.
      if (ledger_.isDeleted(e) || !ledger_.knows(e)) continue;
      if (keys.insert(platform::nfc(e.key())).second) {
        missing.push_back(e);
      } else {
        bool inMaster = false;
        for (const MasterFile& file : w.master()->files) {
          inMaster = inMaster ||
                     std::find(file.entries.begin(), file.entries.end(), e) != file.entries.end();
        }
        if (!inMaster) ledger_.deleted(e);
      }
    }
    const std::string name = originalDictionary(copy);
    if (!missing.empty()) {
      if (!w.master()->file(name)) w.addDictionary(name);
      if (commit(c, AppModel::Add{missing, name})) return true;
      for (const DictEntry& e : missing) ledger_.saved(e);
    }
    platform::moveToTrash(file, now(c));
    c.client->rescan();
    ++outcome_.figures.conflictCopiesResolved;
    w.reload();
  }
  return true;
}

void World::toolAction(Computer& c) {
  const auto open = [&] {
    try {
      if (c.tool->open()) return true;
      violation("the tool found Mozc's lock held");
    } catch (const std::exception& error) {
      violation(std::string("the tool cannot read the dictionary file: ") + error.what());
    }
    return false;
  };
  if (c.tool->isOpen()) {
    if (random_.chance(60)) {
      toolEdit(c);
    } else {
      action_ = c.device + " tool close";
      note("step " + std::to_string(step_) + ": " + action_);
      c.tool->close();
    }
  } else if (random_.chance(70)) {
    // The word-register dialog: one word, saved, and the lock let go.
    if (!open()) return;
    toolEdit(c);
    c.tool->close();
  } else {
    action_ = c.device + " tool open";
    note("step " + std::to_string(step_) + ": " + action_);
    open();
  }
}

void World::toolEdit(Computer& c) {
  UserDictionaryFile& file = c.tool->file();
  const auto add = [&](UserDictionary& d, const std::vector<DictEntry>& words) {
    for (const DictEntry& e : words) {
      d.entries.push_back(e);
      ledger_.saved(e);
      c.toolSaved.insert(identity(e));
    }
  };
  const auto remove = [&](const DictEntry& e) {
    ledger_.deleted(e);
    c.toolRemoved.insert(identity(e));
  };
  const std::size_t roll = random_.below(100);
  if (file.dictionaries.empty() || roll < 8) {
    std::string name;
    for (int n = 1; name.empty(); ++n) {
      std::string candidate = random_.chance(15)   ? decomposedName
                              : random_.chance(50) ? random_.pick(dictionaryNames)
                                                   : "ユーザー辞書 " + std::to_string(n);
      const bool taken = std::any_of(
          file.dictionaries.begin(), file.dictionaries.end(),
          [&](const UserDictionary& d) { return platform::canonicallyEqual(d.name, candidate); });
      if (!taken) name = std::move(candidate);
    }
    file.dictionaries.push_back(
        {.id = random_.next() >> 1 | 1, .enabled = true, .name = name, .entries = {}});
    add(file.dictionaries.back(), newWords(random_.between(1, 2)));
    c.toolDictionaries.insert(platform::nfc(name));
    action_ = c.device + " tool new dictionary " + name;
  } else {
    UserDictionary& d = file.dictionaries[random_.below(file.dictionaries.size())];
    if (roll < 50 || d.entries.empty()) {
      const std::vector<DictEntry> words = newWords(1);
      add(d, words);
      action_ = c.device + " tool add " + describe(words[0]) + " to " + d.name;
    } else if (roll < 75) {
      DictEntry& e = d.entries[random_.below(d.entries.size())];
      const DictEntry to = newVersion(e);
      action_ = c.device + " tool edit " + describe(e) + " to " + describe(to) + " in " + d.name;
      remove(e);
      e = to;
      ledger_.saved(to);
      c.toolSaved.insert(identity(to));
    } else if (roll < 95 || file.dictionaries.size() < 2) {
      const std::size_t at = random_.below(d.entries.size());
      action_ = c.device + " tool delete " + describe(d.entries[at]) + " in " + d.name;
      remove(d.entries[at]);
      d.entries.erase(d.entries.begin() + static_cast<std::ptrdiff_t>(at));
    } else {
      action_ = c.device + " tool delete dictionary " + d.name;
      for (const DictEntry& e : d.entries) remove(e);
      c.toolDictionaries.insert(platform::nfc(d.name));
      file.dictionaries.erase(file.dictionaries.begin() +
                              static_cast<std::ptrdiff_t>(&d - file.dictionaries.data()));
    }
  }
  c.tool->save();
  ++outcome_.figures.toolSaves;
  note("step " + std::to_string(step_) + ": " + action_);
}

}  // namespace sim
