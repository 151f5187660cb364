#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/app_model.h"
#include "cloud.h"
#include "mozc_tool.h"
#include "sim_random.h"
#include "sync/syncer.h"
#include "world.h"
#include "world_support.h"

namespace sim {

// One run of the simulation: the computers, their users and the checks, in the files
// world.cpp (the run and its settling), world_users.cpp (what users do) and world_checks.cpp.
class World {
 public:
  explicit World(const Options& options);
  ~World();
  Outcome run();

 private:
  struct Computer {
    int index = 0;
    std::string device;
    std::filesystem::path cloud;
    std::filesystem::path master;
    std::filesystem::path dictionary;
    std::filesystem::path state;
    std::chrono::seconds skew{0};
    std::unique_ptr<CloudClient> client;
    std::unique_ptr<MozcTool> tool;
    std::unique_ptr<AppModel> window;
    Notices notices;
    int reflectsHandedBack = 0;
    bool setUp = false;
    // A master file was cut inside its last line when the window's operation began.
    bool cutAtStart = false;
    // Words and dictionary names this computer's user put into its dictionary file: before the
    // first setup, and with the tool since.
    std::set<std::string> initial;
    std::set<std::string> initialDictionaries;
    std::set<std::string> toolSaved;
    std::set<std::string> toolRemoved;
    std::set<std::string> toolDictionaries;
    // Words a discard or take-in was to throw away when it stopped on a big change: they go when
    // the user confirms it.
    std::vector<DictEntry> pendingLoss;
  };

  // Building blocks.
  DictEntry newWord();
  DictEntry newVersion(const DictEntry& old);
  std::vector<DictEntry> newWords(int count);
  std::chrono::system_clock::time_point now(const Computer& c) const { return clock_ + c.skew; }
  Syncer syncer(const Computer& c) const;
  void note(const std::string& line);
  void countFailure(const std::string& description);
  void violation(const std::string& text);

  // What the user and the programs do.
  void step();
  void replicate();
  bool drain();
  void setUp(Computer& c);
  void windowAction(Computer& c);
  void toolAction(Computer& c);
  void toolEdit(Computer& c);
  // The headless run; returns the notice key it left (none: the dictionary matches the master).
  std::optional<std::string> headless(Computer& c);

  // The window's operations, each waited for and followed by the checks of its reflect.
  std::optional<std::string> commit(Computer& c, const AppModel::Change& change);
  void appSync(Computer& c, bool discard, bool allowBig);
  void takeIn(Computer& c);
  void discard(Computer& c);
  void allowBigChange(Computer& c);
  // The user let these go, once the reflect that followed wrote the master over them.
  void letGo(Computer& c, std::vector<DictEntry> entries);
  bool resolveConflictCopies(Computer& c);
  void afterWindow(Computer& c, int handedBack, const std::string& bytesBefore);
  void waitFor(Computer& c);

  // Checks.
  std::optional<Content> masterContent(const Computer& c) const;
  std::optional<Content> dictionaryContent(const Computer& c) const;
  void checkMatchesMaster(const Computer& c, const std::string& what);
  void checkEdits(const Computer& c, const std::vector<DictionaryDiff>& diffs, bool firstRun,
                  const std::string& what);
  void checkEverything();
  // Identities of the words in a master text; none when it does not parse.
  const std::vector<std::string>* wordsOf(const std::string& text);
  // Whether the file at `path` of the cloud folder is a dictionary file or a conflict copy of one.
  // Whether a master file of this computer is cut inside its last line, yet reads.
  bool readsCutFile(const Computer& c);
  static bool isMasterText(const std::string& path);
  static bool isHistoryText(const std::string& path);
  void settle();
  void finalChecks();

  // Called at each step of the engine's file writes: when a reflect replaces a computer's
  // dictionary, Mozc's tool opened at that moment must find Mozc's lock taken.
  static void onFileStep(std::string_view step, const std::filesystem::path& target);
  static World* current_;

  Options options_;
  Random random_;
  Scratch dir_;
  CloudServer server_;
  std::vector<std::unique_ptr<Computer>> computers_;
  Ledger ledger_;
  Outcome outcome_;
  std::chrono::sys_seconds clock_;
  int words_ = 0;
  int step_ = 0;
  std::string action_;
  std::unordered_map<std::string, std::optional<std::vector<std::string>>> parsed_;
  ImePlatform ime_;
};

}  // namespace sim
