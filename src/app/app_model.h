#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_context.h"
#include "app/entry_check.h"
#include "app/entry_row.h"
#include "app/word_change.h"
#include "app/word_index.h"
#include "app/word_rows.h"
#include "master/absorb.h"
#include "master/master_snapshot.h"
#include "sync/mac_state.h"
#include "sync/sync_paths.h"

// The one object the windows and menu commands talk to: where the master and this computer's
// dictionary are, the master as last read, the outcome of the last reflect, and the user's
// selection and search text. Every change goes through its operations; it never writes the
// master or the dictionary file itself but through the master store and the reflect.
//
// Everything belongs to the thread the model lives on. Each property notifies every time it is
// assigned, also with the value it already had: a switch the user flipped must snap back when
// the service manager refused. The reflect runs on a worker thread of its own, one at a time.
class AppModel : public QObject {
  Q_OBJECT
  Q_PROPERTY(SyncPaths paths READ paths NOTIFY pathsChanged)
  Q_PROPERTY(bool isChoosingFolder READ isChoosingFolder WRITE setChoosingFolder NOTIFY
                 isChoosingFolderChanged)
  Q_PROPERTY(std::shared_ptr<const MasterSnapshot> master READ master NOTIFY masterChanged)
  Q_PROPERTY(std::optional<std::string> loadError READ loadError NOTIFY loadErrorChanged)
  Q_PROPERTY(std::optional<std::string> selection READ selection WRITE setSelection NOTIFY
                 selectionChanged)
  Q_PROPERTY(std::string query READ query WRITE setQuery NOTIFY queryChanged)
  Q_PROPERTY(MacState state READ state NOTIFY stateChanged)
  Q_PROPERTY(std::optional<std::chrono::system_clock::time_point> lastAppliedAt READ lastAppliedAt
                 NOTIFY lastAppliedAtChanged)
  Q_PROPERTY(bool isSyncing READ isSyncing NOTIFY isSyncingChanged)
  Q_PROPERTY(bool autoSync READ autoSync NOTIFY autoSyncChanged)
  Q_PROPERTY(
      std::optional<std::string> autoSyncError READ autoSyncError NOTIFY autoSyncErrorChanged)
  Q_PROPERTY(std::vector<std::string> pendingDictionaries READ pendingDictionaries NOTIFY
                 pendingDictionariesChanged)

 public:
  using Change = WordChange::Change;
  using Add = WordChange::Add;
  using Edit = WordChange::Edit;
  using Delete = WordChange::Delete;
  using Move = WordChange::Move;

  // How the first setup starts: from this computer's dictionary, or from the dictionaries
  // already in the chosen folder.
  enum class SetupStart { fromThisMac, fromFolder };

  explicit AppModel(AppContext context = AppContext::process(), QObject* parent = nullptr);
  // Waits for a running reflect: it may be writing the dictionary file.
  ~AppModel() override;

  const SyncPaths& paths() const { return paths_; }
  bool isChoosingFolder() const { return isChoosingFolder_; }
  void setChoosingFolder(bool choosing);
  // Null when no master has been read, or no folder is configured.
  const std::shared_ptr<const MasterSnapshot>& master() const { return master_; }
  const std::optional<std::string>& loadError() const { return loadError_; }
  // The dictionary the table shows; none for all of them.
  const std::optional<std::string>& selection() const { return selection_; }
  void setSelection(std::optional<std::string> dictionary);
  const std::string& query() const { return query_; }
  void setQuery(std::string query);
  const MacState& state() const { return state_; }
  // When the last reflected copy of the dictionary was written, read after every reflect.
  const std::optional<std::chrono::system_clock::time_point>& lastAppliedAt() const {
    return lastAppliedAt_;
  }
  bool isSyncing() const { return isSyncing_; }
  // Whether the automatic reflect service is installed.
  bool autoSync() const { return autoSync_; }
  const std::optional<std::string>& autoSyncError() const { return autoSyncError_; }
  // Dictionaries added by the user that have no master file yet, in the order added.
  const std::vector<std::string>& pendingDictionaries() const { return pendingDictionaries_; }

  // True while no folder is configured or the user is choosing another one.
  bool showsSetup() const;
  // The master's dictionaries in snapshot order, then the pending ones.
  std::vector<std::string> dictionaryNames() const;
  // The number of words of the master file `name`; none for a pending or unknown dictionary.
  std::optional<std::size_t> count(std::string_view name) const;
  bool isPending(std::string_view name) const;
  // What the word table shows: the selected dictionary's words (every dictionary's without a
  // selection) that match the query, in snapshot order; empty without a snapshot.
  WordRows rows() const;
  // The snapshot ready for searching and sorting; null without one.
  const std::shared_ptr<const WordIndex>& words() const { return words_; }
  EntryProblems check(const DictEntry& entry, std::string_view dictionary,
                      const std::optional<EntryRow>& replacing = std::nullopt) const;
  // True when LUMI_MASTER, LUMI_DICT or LUMI_STATE is set: a trial run against copies, which
  // never saves the master location and never touches the automatic reflect service.
  bool isPointedAtCopies() const { return isPointedAtCopies_; }
  // The environment, IME and service host the model works with; windows that look at this
  // computer themselves (the setup reading the IME's dictionary) take them from here.
  const AppContext& context() const { return context_; }

  // Operations returning a message return none on success.
  void reload();
  // Starts a reflect unless one runs (then the request is dropped) or no folder is configured.
  void sync(bool discardLocalEdits = false, bool allowBigChange = false);
  std::optional<std::string> commit(const Change& change);
  std::optional<std::string> addDictionary(std::string_view name);
  std::optional<std::string> deleteDictionary(std::string_view name);
  // What taking this computer's direct edits into the master would change; none unless the
  // last reflect stopped for them.
  std::optional<AbsorbPlan> absorbPlan() const;
  std::optional<std::string> absorb();
  std::optional<std::string> completeSetup(const std::filesystem::path& master, SetupStart start,
                                           bool autoSync);
  void setAutoSync(bool on);
  void repairAutoSyncIfMoved();
  void saveLegacyLocationIfNeeded();

 signals:
  void pathsChanged();
  void isChoosingFolderChanged();
  void masterChanged();
  void loadErrorChanged();
  void selectionChanged();
  void queryChanged();
  void stateChanged();
  void lastAppliedAtChanged();
  void isSyncingChanged();
  void autoSyncChanged();
  void autoSyncErrorChanged();
  void pendingDictionariesChanged();
  // A reflect ended and its outcome is stored.
  void syncFinished();

 private:
  struct Reflected {
    MacState state;
    std::optional<std::chrono::system_clock::time_point> lastAppliedAt;
  };

  void setPaths(SyncPaths paths);
  void setMaster(std::shared_ptr<const MasterSnapshot> snapshot);
  void setLoadError(std::optional<std::string> message);
  void setAutoSyncError(std::optional<std::string> message);
  void setPending(std::vector<std::string> names);
  void finishSync();
  // The message of a failed master write; reloads first when another computer changed the
  // master meanwhile.
  std::string storeFailure(const std::exception& error);
  std::string noSnapshotMessage() const;

  AppContext context_;
  bool isPointedAtCopies_ = false;

  SyncPaths paths_;
  bool isChoosingFolder_ = false;
  std::shared_ptr<const MasterSnapshot> master_;
  std::shared_ptr<const WordIndex> words_;
  std::optional<std::string> loadError_;
  std::optional<std::string> selection_;
  std::string query_;
  MacState state_{MacState::Checking{}};
  std::optional<std::chrono::system_clock::time_point> lastAppliedAt_;
  bool isSyncing_ = false;
  bool autoSync_ = false;
  std::optional<std::string> autoSyncError_;
  std::vector<std::string> pendingDictionaries_;

  // A discard that stopped on a big change: confirming the big change goes on with it, which
  // would otherwise stop on the same direct edits again.
  struct Discard {
    std::optional<std::size_t> editsSeenIn;
  };
  std::optional<Discard> runningDiscard_;
  std::optional<Discard> bigChangeAfterDiscard_;

  QThreadPool reflectThread_;
  QFutureWatcher<Reflected> reflectWatcher_;
};
