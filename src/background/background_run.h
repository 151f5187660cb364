#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "background/notification_sink.h"
#include "master/diff.h"
#include "sync/sync_paths.h"
#include "sync/syncer.h"

// The reflect the per-user service starts with --apply: once, without a
// window, telling the user through a notification when it stopped or failed.
// A stop is notified once per distinct situation; the key of the last notice
// is kept in the state folder until a reflect succeeds.
namespace BackgroundRun {

inline constexpr std::string_view noticeFileName = "最後の知らせ.txt";
std::filesystem::path noticeFile(const SyncPaths& paths);

// The settings of the headless reflect: paths and converter reload from the environment.
Syncer headlessSyncer();

// Reflects once with headlessSyncer() and ends the process with status 0.
[[noreturn]] void run(NotificationSink& notifier);

// One headless reflect under the sync lock, with its notices. Runs again
// (a few times at most) while the master folder or the dictionary file changed
// during the run, and tells only the last outcome.
void reflect(const Syncer& syncer, NotificationSink& notifier);

// A reflect that writes nothing and posts nothing, not even the state folder
// or its lock file: prints the state and the differences for a person at a
// terminal.
void dryRun(const Syncer& syncer, std::ostream& out);

// Posts `message` unless `key` was the last notice.
void notifyOnce(const std::string& message, const std::string& key, const SyncPaths& paths,
                NotificationSink& notifier);

// Forgets the last notice.
void clearNotice(const SyncPaths& paths);

// The notice key of direct edits: changes whenever any field of any diff changes.
std::string localEditsKey(const std::vector<DictionaryDiff>& diffs);

}  // namespace BackgroundRun
