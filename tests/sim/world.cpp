#include "world.h"

#include <QObject>
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <set>
#include <variant>

#include "background/background_run.h"
#include "platform/files.h"
#include "platform/text.h"
#include "world_state.h"

namespace sim {

namespace fs = std::filesystem;

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

void World::countFailure(const std::string& description) {
  // Every check reads each master file that is not being downloaded, so one that does not parse
  // here is the cloud's unfinished copy.
  const bool unfinished =
      description.find("クラウドとの同期が終わっていない") != std::string::npos ||
      (description.starts_with("マスター「") && description.find("行目: ") != std::string::npos);
  ++(unfinished ? outcome_.figures.unfinishedMasterStops : outcome_.figures.failures);
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

void World::setUp(Computer& c) {
  action_ = c.device + " setup";
  const std::string before = readIfThere(c.dictionary).value_or("");
  c.cutAtStart = readsCutFile(c);
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

Outcome simulate(const Options& options) {
  // History folders and backups are named in local time: the same names everywhere.
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  World world(options);
  return world.run();
}

}  // namespace sim
