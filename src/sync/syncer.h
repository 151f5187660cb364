#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "master/diff.h"
#include "master/encoded_master.h"
#include "master/master_snapshot.h"
#include "model/user_dictionary_file.h"
#include "platform/ime_platform.h"
#include "sync/apply_result.h"
#include "sync/mac_state.h"
#include "sync/sync_error.h"
#include "sync/sync_paths.h"

struct ApplyOptions {
  // The master overwrites words changed directly on this computer.
  bool discardLocalEdits = false;
  // Skips the stop for a whole dictionary deleted or more than half the words gone.
  bool allowBigChange = false;
  // Everything but writing: no record, no backup, no dictionary write.
  bool dryRun = false;
  // With discardLocalEdits, the fileHash of the stop the user decided on: a file saved by a tool
  // since holds edits the user has not seen, so the reflect stops with them instead.
  std::optional<std::size_t> editsSeenIn = std::nullopt;
};

// The settings of one reflect of the master into the IME's dictionary file.
// Callers run `apply` inside SyncLock::run(paths.state, ...).
struct Syncer {
  SyncPaths paths = SyncPaths::standard();
  int keepBackups = 30;
  bool reloadsConverter = true;
  ImePlatform ime = ImePlatform::current();

  // Throws SyncError, and the errors of the layers below unchanged.
  ApplyResult apply(const ApplyOptions& options = {}) const;

  // The master's dictionaries; throws SyncError::ZeroByteMaster or
  // MasterChanging while cloud files are still arriving, and MasterError.
  EncodedMaster loadMaster() const;

  // Differences from the last applied copy (or from a write a killed run left
  // pending, when that is what the file holds) to `current`; nothing before
  // the first reflect.
  std::optional<std::vector<DictionaryDiff>> localEdits(const UserDictionaryFile& current) const;

  // Writes `data` as a new backup, prunes to `keepBackups` and returns the new file.
  std::filesystem::path backupCurrent(std::string_view data) const;

  // Makes the last applied copy hold `data` (not rewritten when already equal).
  void record(std::string_view data) const;

  // Throws SyncError::NoUserDictionary or NoIME when the dictionary file is missing.
  void checkDictionary() const;
  // The IME's install locations with "~" expanded.
  std::vector<std::filesystem::path> imeApps() const;
  // True when a dictionary tool runs, the IME's own lock is held by another
  // process, or the probe cannot start.
  bool isToolOpen() const;
  // Restarts the converter so that it reads the new file; failures are ignored.
  void reloadConverter() const;

 private:
  // `apply`, telling through `ignored` which words of the master the IME will not offer.
  ApplyResult reflect(const ApplyOptions& options, std::vector<IgnoredWord>& ignored) const;
};
