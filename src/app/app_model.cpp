#include "app/app_model.h"

#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <system_error>

#include "app/word_search.h"
#include "background/app_info.h"
#include "master/master_format.h"
#include "master/master_store.h"
#include "master/master_store_error.h"
#include "model/user_dictionary_file.h"
#include "platform/error_text.h"
#include "platform/text.h"
#include "sync/sync_lock.h"
#include "sync/syncer.h"

namespace {

namespace fs = std::filesystem;

// The modification time of `file`; none when it is missing.
std::optional<std::chrono::system_clock::time_point> modified(const fs::path& file) {
  std::error_code error;
  const fs::file_time_type time = fs::last_write_time(file, error);
  if (error) return std::nullopt;
  return std::chrono::time_point_cast<std::chrono::system_clock::duration>(
      std::chrono::file_clock::to_sys(time));
}

bool contains(const std::vector<std::string>& names, std::string_view name) {
  return std::any_of(names.begin(), names.end(), [&](const std::string& other) {
    return platform::canonicallyEqual(other, name);
  });
}

}  // namespace

AppModel::AppModel(AppContext context, QObject* parent)
    : QObject(parent),
      context_(std::move(context)),
      isPointedAtCopies_(::isPointedAtCopies(context_.environment)),
      paths_(context_.paths ? *context_.paths : syncPathsFromEnvironment(context_.environment)),
      autoSync_(LaunchAgent::isInstalled(context_.agentHost)) {
  reflectThread_.setMaxThreadCount(1);
  connect(&reflectWatcher_, &QFutureWatcher<Reflected>::finished, this, &AppModel::finishSync);
}

AppModel::~AppModel() {
  reflectThread_.waitForDone();
}

void AppModel::setChoosingFolder(bool choosing) {
  isChoosingFolder_ = choosing;
  emit isChoosingFolderChanged();
}

void AppModel::setSelection(std::optional<std::string> dictionary) {
  selection_ = std::move(dictionary);
  emit selectionChanged();
}

void AppModel::setQuery(std::string query) {
  query_ = std::move(query);
  emit queryChanged();
}

void AppModel::setPaths(SyncPaths paths) {
  paths_ = std::move(paths);
  emit pathsChanged();
}

void AppModel::setMaster(std::shared_ptr<const MasterSnapshot> snapshot) {
  master_ = std::move(snapshot);
  words_ = master_ ? std::make_shared<const WordIndex>(master_) : nullptr;
  emit masterChanged();
}

void AppModel::setLoadError(std::optional<std::string> message) {
  loadError_ = std::move(message);
  emit loadErrorChanged();
}

void AppModel::setAutoSyncError(std::optional<std::string> message) {
  autoSyncError_ = std::move(message);
  emit autoSyncErrorChanged();
}

void AppModel::setPending(std::vector<std::string> names) {
  pendingDictionaries_ = std::move(names);
  emit pendingDictionariesChanged();
}

bool AppModel::showsSetup() const {
  return !paths_.isConfigured() || isChoosingFolder_;
}

std::vector<std::string> AppModel::dictionaryNames() const {
  std::vector<std::string> names;
  if (master_) {
    for (const MasterFile& file : master_->files) names.push_back(file.name);
  }
  names.insert(names.end(), pendingDictionaries_.begin(), pendingDictionaries_.end());
  return names;
}

std::optional<std::size_t> AppModel::count(std::string_view name) const {
  if (!master_) return std::nullopt;
  const MasterFile* file = master_->file(name);
  if (file == nullptr) return std::nullopt;
  return file->entries.size();
}

bool AppModel::isPending(std::string_view name) const {
  return contains(pendingDictionaries_, name);
}

WordRows AppModel::rows() const {
  if (!words_) return {};
  return WordRows(words_, words_->matching(selection_, WordSearch::key(query_)));
}

EntryProblems AppModel::check(const DictEntry& entry, std::string_view dictionary,
                              const std::optional<EntryRow>& replacing) const {
  return EntryCheck::check(entry, dictionary, replacing ? &*replacing : nullptr, master_.get());
}

void AppModel::reload() {
  if (!paths_.isConfigured()) {
    setMaster(nullptr);
    setLoadError(std::nullopt);
    return;
  }
  MasterSnapshot snapshot;
  try {
    snapshot = MasterStore::load(paths_.master);
  } catch (const std::exception& error) {
    setLoadError(platform::errorText(error));
    return;
  }
  setMaster(std::make_shared<const MasterSnapshot>(std::move(snapshot)));
  setLoadError(std::nullopt);

  std::vector<std::string> pending = pendingDictionaries_;
  std::erase_if(pending, [&](const std::string& name) { return master_->file(name) != nullptr; });
  if (pending != pendingDictionaries_) setPending(std::move(pending));

  if (selection_ && master_->file(*selection_) == nullptr && !isPending(*selection_)) {
    setSelection(std::nullopt);
  }
}

void AppModel::sync(bool discardLocalEdits, bool allowBigChange) {
  if (isSyncing_) return;
  if (!paths_.isConfigured()) return;
  isSyncing_ = true;
  emit isSyncingChanged();

  // The worker gets copies only: it reads nothing of the model and writes back through
  // finishSync on this thread.
  Syncer syncer;
  syncer.paths = paths_;
  syncer.reloadsConverter = reloadsConverterFromEnvironment(context_.environment);
  syncer.ime = context_.ime;
  // A discard throws away the edits the user was shown, and none a tool saved since.
  std::optional<Discard> discard;
  if (discardLocalEdits) {
    discard.emplace();
    if (const auto* edits = std::get_if<MacState::LocalEdits>(&state_.value)) {
      discard->editsSeenIn = edits->fileHash;
    }
  } else if (allowBigChange && std::holds_alternative<MacState::BigChange>(state_.value)) {
    discard = bigChangeAfterDiscard_;
  }
  runningDiscard_ = discard;
  const ApplyOptions options{.discardLocalEdits = discard.has_value(),
                             .allowBigChange = allowBigChange,
                             .dryRun = false,
                             .editsSeenIn = discard ? discard->editsSeenIn : std::nullopt};
  reflectWatcher_.setFuture(QtConcurrent::run(&reflectThread_, [syncer, options] {
    Reflected reflected;
    try {
      reflected.state =
          MacState::from(SyncLock::run(syncer.paths.state, [&] { return syncer.apply(options); }));
    } catch (const std::exception& error) {
      reflected.state = MacState{MacState::Failed{platform::errorText(error)}};
    }
    reflected.lastAppliedAt = modified(syncer.paths.lastApplied());
    return reflected;
  }));
}

void AppModel::finishSync() {
  Reflected reflected = reflectWatcher_.result();
  state_ = std::move(reflected.state);
  bigChangeAfterDiscard_ =
      std::holds_alternative<MacState::BigChange>(state_.value) ? runningDiscard_ : std::nullopt;
  emit stateChanged();
  lastAppliedAt_ = reflected.lastAppliedAt;
  emit lastAppliedAtChanged();
  isSyncing_ = false;
  emit isSyncingChanged();
  emit syncFinished();
}

std::string AppModel::noSnapshotMessage() const {
  return loadError_.value_or("マスターを読めていません");
}

std::string AppModel::storeFailure(const std::exception& error) {
  std::string message = platform::errorText(error);
  const auto* store = dynamic_cast<const MasterStoreError*>(&error);
  if (store != nullptr &&
      std::holds_alternative<MasterStoreError::ChangedElsewhere>(store->errorCase())) {
    reload();
  }
  return message;
}

std::optional<std::string> AppModel::commit(const Change& change) {
  if (!master_) return noSnapshotMessage();
  WordChange::Plan plan = WordChange::plan(change, *master_);
  if (plan.problem) return plan.problem;
  if (plan.lists.empty()) return std::nullopt;

  WordChange::Lists changes;
  WordChange::Lists newDictionaries;
  for (auto& [name, entries] : plan.lists) {
    (isPending(name) ? newDictionaries : changes).emplace(name, std::move(entries));
  }
  MasterSnapshot saved;
  try {
    saved = MasterStore::save(changes, newDictionaries, *master_, context_.now());
  } catch (const std::exception& error) {
    return storeFailure(error);
  }
  setMaster(std::make_shared<const MasterSnapshot>(std::move(saved)));
  if (!newDictionaries.empty()) {
    std::vector<std::string> pending = pendingDictionaries_;
    std::erase_if(pending, [&](const std::string& name) {
      return newDictionaries.contains(platform::nfc(name));
    });
    setPending(std::move(pending));
  }
  sync();
  return std::nullopt;
}

std::optional<std::string> AppModel::addDictionary(std::string_view name) {
  std::string normal = platform::nfc(platform::trimSpaces(name));
  if (std::optional<std::string> problem = MasterStore::nameProblem(normal, dictionaryNames())) {
    return problem;
  }
  std::vector<std::string> pending = pendingDictionaries_;
  pending.push_back(normal);
  setPending(std::move(pending));
  setSelection(std::move(normal));
  return std::nullopt;
}

std::optional<std::string> AppModel::deleteDictionary(std::string_view name) {
  const bool isSelected = selection_ && platform::canonicallyEqual(*selection_, name);
  if (isPending(name)) {
    std::vector<std::string> pending = pendingDictionaries_;
    std::erase_if(
        pending, [&](const std::string& other) { return platform::canonicallyEqual(other, name); });
    setPending(std::move(pending));
    if (isSelected) setSelection(std::nullopt);
    return std::nullopt;
  }
  if (!master_) return noSnapshotMessage();
  MasterSnapshot saved;
  try {
    saved = MasterStore::deleteDictionary(name, *master_, context_.now());
  } catch (const std::exception& error) {
    return storeFailure(error);
  }
  setMaster(std::make_shared<const MasterSnapshot>(std::move(saved)));
  if (isSelected) setSelection(std::nullopt);
  sync();
  return std::nullopt;
}

std::optional<AbsorbPlan> AppModel::absorbPlan() const {
  const auto* edits = std::get_if<MacState::LocalEdits>(&state_.value);
  if (edits == nullptr || !master_) return std::nullopt;
  return Absorb::plan(edits->diff, *master_, edits->firstRun);
}

std::optional<std::string> AppModel::absorb() {
  reload();
  const std::optional<AbsorbPlan> plan = absorbPlan();
  if (!plan || !master_) return loadError_.value_or("取り込むものがありません");
  if (!plan->isEmpty()) {
    MasterSnapshot saved;
    try {
      saved = MasterStore::save(plan->changes, plan->newDictionaries, *master_, context_.now());
    } catch (const std::exception& error) {
      return storeFailure(error);
    }
    setMaster(std::make_shared<const MasterSnapshot>(std::move(saved)));
  }
  sync(true, false);
  return std::nullopt;
}

std::optional<std::string> AppModel::completeSetup(const fs::path& master, SetupStart start,
                                                   bool autoSync) {
  try {
    Syncer{.paths = paths_, .ime = context_.ime}.checkDictionary();
    fs::create_directories(master);
    const MasterSnapshot snapshot = MasterStore::load(master);
    if (start == SetupStart::fromFolder && snapshot.files.empty()) {
      return "このフォルダにはまだ辞書がありません。「" +
             platformWords().thisComputer("の辞書から作る") + "」を選択してください";
    }
    if (start == SetupStart::fromThisMac) {
      if (!snapshot.files.empty()) {
        return "このフォルダにはすでに辞書があります。「フォルダにある辞書を使う」を選択してくださ"
               "い";
      }
      const UserDictionaryFile mine = UserDictionaryFile::read(paths_.dictionary);
      WordChange::Lists collected;
      for (const UserDictionary& dictionary : mine.dictionaries) {
        if (dictionary.entries.empty()) continue;
        std::vector<DictEntry>& list = collected[Master::normalized(dictionary.name)];
        list.insert(list.end(), dictionary.entries.begin(), dictionary.entries.end());
      }
      if (collected.empty()) {
        return platformWords().thisComputer(
            "の辞書に語がありません。辞書ツールで語を登録してから、もう一度お試しください");
      }
      MasterStore::save({}, collected, snapshot, context_.now());
    }
    SyncPaths chosen = paths_;
    chosen.master = master;
    if (!isPointedAtCopies_) SyncConfig::save(master, chosen.state);
    setPaths(std::move(chosen));
  } catch (const std::exception& error) {
    return platform::errorText(error);
  }
  setChoosingFolder(false);
  reload();
  if (autoSync) {
    setAutoSync(true);
  } else if (autoSync_) {
    setAutoSync(false);
  }
  sync();
  return std::nullopt;
}

void AppModel::setAutoSync(bool on) {
  if (isPointedAtCopies_) {
    setAutoSyncError("テスト用のフォルダで動かしているため、自動反映は切り替えられません");
    // Unchanged, but a switch showing it may have moved.
    emit autoSyncChanged();
    return;
  }
  try {
    if (on) {
      LaunchAgent::install(paths_, context_.agentHost);
    } else {
      LaunchAgent::uninstall(context_.agentHost);
    }
    setAutoSyncError(std::nullopt);
  } catch (const std::exception& error) {
    setAutoSyncError(platform::errorText(error));
  }
  autoSync_ = LaunchAgent::isInstalled(context_.agentHost);
  emit autoSyncChanged();
}

void AppModel::repairAutoSyncIfMoved() {
  const LaunchAgent::Host& host = context_.agentHost;
  if (isPointedAtCopies_ || !LaunchAgent::isInstalled(host)) return;
  if (LaunchAgent::hasLegacy(host) || !LaunchAgent::pointsToThisApp(host) ||
      !LaunchAgent::hasAssociatedBundle(host)) {
    setAutoSync(true);
  }
}

void AppModel::saveLegacyLocationIfNeeded() {
  if (isPointedAtCopies_ || !paths_.isConfigured() || SyncConfig::isSaved(paths_.state)) return;
  try {
    SyncConfig::save(paths_.master, paths_.state);
  } catch (const std::exception& error) {
    context_.log(AppInfo::name() +
                 ": マスターの場所を保存できませんでした: " + platform::errorText(error));
  }
}
