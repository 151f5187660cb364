#include "world.h"

#include <unistd.h>

#include <QEventLoop>
#include <QObject>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <variant>

#include "app/app_model.h"
#include "background/background_run.h"
#include "background/notification_sink.h"
#include "master/master_format.h"
#include "master/master_listing.h"
#include "model/user_dictionary_file.h"
#include "mozc_tool.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/trash.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

// Dictionaries by NFC name with their words, in file order: what a reflect is about.
using Content = std::vector<std::pair<std::string, std::vector<DictEntry>>>;

// Where the master lies in each computer's copy of the cloud folder, and its history beside it.
const std::string masterFolder = "辞書/マスター/";
const std::string historyFolder = "辞書/_履歴/";

const std::vector<std::string> dictionaryNames = {"人名", "地名", "専門用語", "顔文字",
                                                  "仕事", "Work", "ガナ"};
// ガナ with its voiced mark apart: the form a name typed on some systems arrives in.
const std::string decomposedName = "\xE3\x82\xAB\xE3\x82\x99\xE3\x83\x8A";
const std::vector<std::int64_t> posCodes = {1, 2, 3, 5, 10, 22, 30, 44};

fs::path u8(std::string_view text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

// Words are told apart by all four fields: every word the simulation makes is new in them.
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

// The words of each dictionary, in no order: a reflect keeps the order this computer's words
// are in, and neither Mozc nor the user loses anything by it.
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

DictEntry entryOfKey(const nlohmann::json& e) {
  return DictEntry(e.at(0).get<std::string>(), e.at(1).get<std::string>(),
                   e.at(2).get<std::int64_t>(), e.at(3).get<std::string>());
}

// The differences the headless run put into its notice key.
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

// The dictionary a conflict copy was made of: its name before the marker the client put in.
std::string originalDictionary(const std::string& copy) {
  std::string stem = copy.substr(0, copy.size() - 4);
  if (const std::size_t at = stem.find(".sync-conflict-"); at != std::string::npos) {
    return stem.substr(0, at);
  }
  if (const std::size_t at = stem.rfind(" ("); at != std::string::npos) return stem.substr(0, at);
  return stem;
}

// A fresh folder for one run, removed with its content at the end; in memory where the system
// has a tmpfs, as every write the engine makes is flushed to disk and a run makes thousands.
class Scratch {
 public:
  Scratch() {
    std::error_code error;
    const fs::path shared = "/dev/shm";
    const fs::path parent =
        ::access(shared.c_str(), W_OK) == 0 ? shared : fs::temp_directory_path();
    std::string pattern = (parent / "wordloom-sim-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
      throw std::system_error(errno, std::generic_category());
    path_ = pattern;
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  ~Scratch() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  fs::path operator/(const fs::path& child) const { return path_ / child; }

 private:
  fs::path path_;
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

class World {
 public:
  explicit World(const Options& options);
  ~World();
  Outcome run();

 private:
  struct Computer {
    int index = 0;
    std::string device;
    fs::path cloud;
    fs::path master;
    fs::path dictionary;
    fs::path state;
    std::chrono::seconds skew{0};
    std::unique_ptr<CloudClient> client;
    std::unique_ptr<MozcTool> tool;
    std::unique_ptr<AppModel> window;
    Notices notices;
    int reflectsHandedBack = 0;
    bool setUp = false;
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
  static bool isMasterText(const std::string& path);
  static bool isHistoryText(const std::string& path);
  void settle();
  void finalChecks();

  // Called at each step of the engine's file writes: when a reflect replaces a computer's
  // dictionary, Mozc's tool opened at that moment must find Mozc's lock taken.
  static void onFileStep(std::string_view step, const fs::path& target);
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

World::World(const Options& options) : options_(options), random_(options.seed) {
  clock_ = std::chrono::sys_days{std::chrono::year{2026} / 3 / 4} + std::chrono::hours{5};
  const int count = options.computers > 0 ? options.computers : random_.between(2, 4);
  if (options_.steps <= 0) options_.steps = random_.between(150, 300);
  outcome_.figures.computers = count;
  // Pruned history goes to the trash, which must not be the user's.
  ::setenv("XDG_DATA_HOME", (dir_ / "trash-home").c_str(), 1);
  platform::writeAtomically(dir_ / "installed", "");
  ime_ = ImePlatform{.installLocations = {(dir_ / "installed").string()},
                     .toolProbe = {"false", {}},
                     .toolCommandText = "wordloom-simulated-dictionary-tool",
                     .dictionaryLockName = ".user_dictionary.db.lock",
                     .reload = {"true", {}},
                     .words = ImePlatform::current().words};

  for (int i = 0; i < count; ++i) {
    auto c = std::make_unique<Computer>();
    c->index = i;
    c->device = "pc" + std::to_string(i + 1);
    const fs::path home = dir_ / c->device;
    c->cloud = home / "Dropbox";
    c->master = c->cloud / u8(masterFolder.substr(0, masterFolder.size() - 1));
    c->dictionary = home / "mozc/user_dictionary.db";
    c->state = home / "state";
    c->skew = std::chrono::seconds(random_.between(-90, 90));
    c->client = std::make_unique<CloudClient>(
        c->cloud, c->device, static_cast<ConflictStyle>(random_.below(conflictStyleCount)),
        server_);
    c->tool = std::make_unique<MozcTool>(c->dictionary);
    fs::create_directories(c->dictionary.parent_path());

    // The words this computer's user had before any setup.
    UserDictionaryFile mine;
    const int dictionaries = i == 0 ? random_.between(1, 2) : 1;
    for (int d = 0; d < dictionaries; ++d) {
      UserDictionary dictionary{
          .id = random_.next() >> 1 | 1,
          .enabled = true,
          .name = d == 0 ? "ユーザー辞書 1" : dictionaryNames[0],
          .entries = newWords(i == 0 ? random_.between(2, 5) : random_.between(0, 3))};
      if (i > 0 && random_.chance(40) && !computers_.empty()) {
        // The same word typed on two computers, sometimes with another comment.
        const UserDictionaryFile first = UserDictionaryFile::read(computers_[0]->dictionary);
        DictEntry shared = first.dictionaries[0].entries[0];
        if (random_.chance(50)) shared.comment = "別メモ" + std::to_string(++words_);
        dictionary.entries.push_back(shared);
      }
      for (const DictEntry& e : dictionary.entries) {
        ledger_.saved(e);
        c->initial.insert(identity(e));
      }
      c->initialDictionaries.insert(platform::nfc(dictionary.name));
      mine.dictionaries.push_back(std::move(dictionary));
    }
    platform::writeAtomically(c->dictionary, mine.serialized());

    Computer* self = c.get();
    const fs::path state = c->state;
    c->window = std::make_unique<AppModel>(AppContext{
        .environment = {.variable = [state](std::string_view name) -> std::optional<std::string> {
                          // A trial run against copies: the model never installs the service or
                          // saves the master's location; no converter to restart.
                          if (name == "LUMI_STATE") return state.string();
                          if (name == "LUMI_NO_RELOAD") return "1";
                          return std::nullopt;
                        },
                        .home = home / "home"},
        .paths = SyncPaths{SyncPaths::unconfigured(c->state), c->dictionary, c->state},
        .agentHost = {.kind = LaunchAgent::Host::Kind::systemd,
                      .folder = home / "units",
                      .tool = "false",
                      .executable = home / "wordloom",
                      .bundleIdentifier = std::nullopt,
                      .uid = 0},
        .ime = ime_,
        .now = [this, self] { return now(*self); },
        .log = [](const std::string&) {},
    });
    QObject::connect(c->window.get(), &AppModel::syncFinished,
                     [self] { ++self->reflectsHandedBack; });
    computers_.push_back(std::move(c));
  }
  current_ = this;
  platform::setFileStepHook(&World::onFileStep);
}

World::~World() {
  for (auto& c : computers_) {
    if (c->window) waitFor(*c);
  }
  platform::setFileStepHook(nullptr);
  current_ = nullptr;
}

World* World::current_ = nullptr;

void World::onFileStep(std::string_view step, const fs::path& target) {
  if (step != "rename" || current_ == nullptr) return;
  for (const auto& c : current_->computers_) {
    if (target != c->dictionary) continue;
    MozcTool probe(target);
    if (probe.open()) {
      current_->violation("Mozc's tool could open while a reflect replaced the file");
    }
  }
}

DictEntry World::newWord() {
  static const char* const kana[] = {"あ", "い", "う", "え", "お", "か", "き", "く", "け", "こ"};
  const int n = ++words_;
  std::string reading = "よ";
  for (const char digit : std::to_string(n)) reading += kana[digit - '0'];
  return DictEntry(reading, "語" + std::to_string(n), random_.pick(posCodes),
                   random_.chance(30) ? "メモ" + std::to_string(n) : "");
}

DictEntry World::newVersion(const DictEntry& old) {
  const int n = ++words_;
  DictEntry e = old;
  switch (random_.below(3)) {
    case 0:
      e.comment = "改" + std::to_string(n);
      break;
    case 1:
      e.posCode = old.posCode % 44 + 1;
      e.comment = "品" + std::to_string(n);
      break;
    default:
      e.word = "語" + std::to_string(n);
      break;
  }
  return e;
}

std::vector<DictEntry> World::newWords(int count) {
  std::vector<DictEntry> list;
  for (int i = 0; i < count; ++i) list.push_back(newWord());
  return list;
}

Syncer World::syncer(const Computer& c) const {
  return Syncer{
      .paths = c.window->paths(), .keepBackups = 30, .reloadsConverter = false, .ime = ime_};
}

void World::note(const std::string& line) {
  if (options_.trace) outcome_.log.push_back(line);
}

void World::violation(const std::string& text) {
  const std::string line = "step " + std::to_string(step_) + " (" + action_ + "): " + text;
  note("VIOLATION " + line);
  // The first few tell the story; a broken run would repeat the same one at every step.
  if (outcome_.violations.size() < 20) outcome_.violations.push_back(line);
}

Outcome World::run() {
  action_ = "setup";
  setUp(*computers_[0]);
  checkEverything();
  for (step_ = 1; step_ <= options_.steps; ++step_) {
    clock_ += std::chrono::seconds(random_.chance(20) ? 0 : random_.between(1, 40));
    step();
    checkEverything();
  }
  outcome_.figures.steps = options_.steps;
  step_ = options_.steps + 1;
  settle();
  for (const auto& c : computers_) {
    const CloudFigures& f = c->client->figures();
    CloudFigures& sum = outcome_.figures.cloud;
    sum.uploads += f.uploads;
    sum.downloads += f.downloads;
    sum.inPlaceDownloads += f.inPlaceDownloads;
    sum.conflicts += f.conflicts;
    sum.abandoned += f.abandoned;
    sum.transientStates += f.transientStates;
  }
  return std::move(outcome_);
}

void World::step() {
  std::vector<Computer*> ready;
  std::vector<Computer*> waiting;
  for (const auto& c : computers_) (c->setUp ? ready : waiting).push_back(c.get());
  const std::size_t roll = random_.below(100);
  if (roll < 40) {
    replicate();
  } else if (roll < 60) {
    windowAction(*random_.pick(ready));
  } else if (roll < 72) {
    toolAction(*computers_[random_.below(computers_.size())]);
  } else if (roll < 92 || waiting.empty()) {
    Computer& c = *random_.pick(ready);
    action_ = c.device + " headless";
    headless(c);
  } else {
    setUp(*random_.pick(waiting));
  }
}

void World::replicate() {
  std::vector<Computer*> busy;
  for (const auto& c : computers_) {
    if (c->client->hasWork()) busy.push_back(c.get());
  }
  if (busy.empty()) {
    action_ = "cloud idle";
    return;
  }
  Computer& c = *random_.pick(busy);
  action_ = c.device + " cloud";
  c.client->step(random_, std::chrono::floor<std::chrono::seconds>(now(c)));
  note("step " + std::to_string(step_) + ": " + action_);
}

bool World::drain() {
  for (int i = 0; i < 100000; ++i) {
    std::vector<Computer*> busy;
    for (const auto& c : computers_) {
      if (c->client->hasWork()) busy.push_back(c.get());
    }
    if (busy.empty()) return true;
    Computer& c = *random_.pick(busy);
    c.client->step(random_, std::chrono::floor<std::chrono::seconds>(now(c)));
  }
  violation("the cloud never settled");
  return false;
}

void World::waitFor(Computer& c) {
  if (!c.window->isSyncing()) return;
  QEventLoop loop;
  QObject::connect(c.window.get(), &AppModel::syncFinished, &loop, &QEventLoop::quit);
  if (c.window->isSyncing()) loop.exec();
}

void World::setUp(Computer& c) {
  action_ = c.device + " setup";
  const std::string before = readIfThere(c.dictionary).value_or("");
  const int handedBack = c.reflectsHandedBack;
  const auto start =
      c.index == 0 ? AppModel::SetupStart::fromThisMac : AppModel::SetupStart::fromFolder;
  const std::optional<std::string> problem = c.window->completeSetup(c.master, start, false);
  waitFor(c);
  c.client->rescan();
  note("step " + std::to_string(step_) + ": " + action_ + " -> " + problem.value_or("ok"));
  if (problem) {
    if (c.index == 0) violation("the first computer could not set up: " + *problem);
    return;
  }
  c.setUp = true;
  afterWindow(c, handedBack, before);
}

std::optional<std::string> World::commit(Computer& c, const AppModel::Change& change) {
  const std::string before = readIfThere(c.dictionary).value_or("");
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
  std::visit(Overloaded{
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
                   ++outcome_.figures.failures;
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
      if (ledger_.isDeleted(e)) continue;
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

std::optional<std::string> World::headless(Computer& c) {
  const Syncer run = syncer(c);
  const std::string before = readIfThere(c.dictionary).value_or("");
  const bool firstRun = !fs::exists(run.paths.lastApplied());
  const std::size_t told = c.notices.bodies.size();
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
    ++outcome_.figures.failures;
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
  if (!master || !mine || wordSets(*master) != wordSets(*mine)) {
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

void World::settle() {
  action_ = "users stop";
  for (const auto& c : computers_) c->tool->close();
  for (int round = 1; round <= 8; ++round) {
    outcome_.figures.settleRounds = round;
    bool acted = false;
    if (!drain()) return;
    for (const auto& c : computers_) {
      if (c->setUp) continue;
      setUp(*c);
      acted = true;
      if (!drain()) return;
    }
    if (resolveConflictCopies(*computers_[0])) {
      acted = true;
      if (!drain()) return;
    }
    for (const auto& c : computers_) {
      action_ = c->device + " settling headless";
      const std::optional<std::string> key = headless(*c);
      if (!key) continue;
      action_ = c->device + " settling in the window";
      appSync(*c, false, false);
      // As a user would: take in or throw away this computer's edits, confirm a big change, and
      // look again at what that led to.
      for (int attempt = 0; attempt < 4; ++attempt) {
        const MacState::Case& state = c->window->state().value;
        if (std::holds_alternative<MacState::LocalEdits>(state)) {
          if (random_.chance(60)) {
            takeIn(*c);
          } else {
            discard(*c);
          }
        } else if (std::holds_alternative<MacState::BigChange>(state)) {
          allowBigChange(*c);
        } else {
          break;
        }
        acted = true;
      }
      c->client->rescan();
      if (!drain()) return;
    }
    checkEverything();
    if (!acted) break;
  }
  finalChecks();
}

void World::finalChecks() {
  action_ = "end";
  if (!drain()) return;
  const std::optional<Content> master = masterContent(*computers_[0]);
  // Words waiting on a computer left stopped with a notice are where its user can still take
  // them in.
  std::set<std::string> waiting;
  for (const auto& c : computers_) {
    if (!c->setUp) {
      violation(c->device + " never got set up");
      continue;
    }
    if (masterContent(*c) != master) violation(c->device + "'s master differs from the others'");
    const std::optional<std::string> key = headless(*c);
    if (!key) continue;
    const bool toldWhy = key->starts_with("local:") || key->starts_with("big:");
    if (!toldWhy) {
      violation(c->device + " is left stopped: " + *key);
    } else if (c->notices.bodies.empty()) {
      violation(c->device + " is left stopped without a notice");
    } else {
      ++outcome_.figures.stoppedAtEnd;
      if (const std::optional<Content> mine = dictionaryContent(*c)) {
        for (const auto& [name, entries] : *mine) {
          for (const DictEntry& e : entries) waiting.insert(identity(e));
        }
      }
    }
  }
  if (const auto snapshot = computers_[0]->window->master();
      snapshot && !snapshot->conflictCopies.empty()) {
    violation("conflict copies are left: " + snapshot->conflictCopies[0]);
  }
  std::set<std::string> inMaster;
  if (master) {
    for (const auto& [name, entries] : *master) {
      for (const DictEntry& e : entries) inMaster.insert(identity(e));
    }
  }
  // Once the users have settled everything, a history or conflict copy is no longer enough: a
  // word kept only there is one the user lost sight of.
  for (const DictEntry* e : ledger_.alive()) {
    if (inMaster.contains(identity(*e)) || waiting.contains(identity(*e))) continue;
    ++outcome_.figures.wordsOnlyInCopies;
    violation("word " + describe(*e) + " that a user kept is, at the end, only in a copy");
  }
  checkEverything();
}

}  // namespace

Outcome simulate(const Options& options) {
  // History folders and backups are named in local time: the same names everywhere.
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  World world(options);
  return world.run();
}

}  // namespace sim
