#include "background/background_run.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <system_error>
#include <thread>
#include <variant>

#include "background/app_info.h"
#include "background/ignored_words_notice.h"
#include "platform/error_text.h"
#include "platform/files.h"
#include "platform/ime_platform.h"
#include "platform/overloaded.h"
#include "sync/file_compare.h"
#include "sync/mac_state.h"
#include "sync/sync_lock.h"

namespace BackgroundRun {
namespace {

using platform::Overloaded;

constexpr std::string_view failedPrefix = "反映できませんでした: ";

// The service manager drops a trigger that comes while the run is under way,
// so a change made meanwhile is picked up by running again; a folder that
// never settles must not keep the run going.
constexpr int maxRuns = 4;
constexpr auto pauseBeforeRerun = std::chrono::milliseconds(500);

// What the service's triggers watch: the entries of the master folder and the
// dictionary file, as far as a change shows in their size, time and inode.
struct Watched {
  std::vector<std::pair<std::string, std::optional<platform::FileStamp>>> master;
  std::optional<platform::FileStamp> dictionary;
};

Watched watched(const SyncPaths& paths) {
  Watched now{.master = {}, .dictionary = platform::fileStamp(paths.dictionary)};
  std::error_code error;
  for (std::filesystem::directory_iterator it(paths.master, error), end; !error && it != end;
       it.increment(error)) {
    now.master.emplace_back(it->path().filename().string(), platform::fileStamp(it->path()));
  }
  std::sort(now.master.begin(), now.master.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  return now;
}

bool changedSince(const Watched& before, const SyncPaths& paths) {
  const Watched after = watched(paths);
  if (after.master != before.master) return true;
  if (after.dictionary == before.dictionary) return false;
  // Our own write changes the file too: only a file that no longer holds
  // what was recorded changed after it.
  try {
    return !filesHoldTheSame(paths.dictionary, paths.lastApplied());
  } catch (const std::filesystem::filesystem_error&) {
    return true;
  }
}

// Words, not dictionaries: whole-dictionary flags do not count.
std::int64_t wordCount(const std::vector<DictionaryDiff>& diffs) {
  std::int64_t count = 0;
  for (const auto& diff : diffs) {
    count +=
        static_cast<std::int64_t>(diff.added.size() + diff.removed.size() + diff.changed.size());
  }
  return count;
}

std::string joined(const std::vector<std::string>& lines, std::string_view separator) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += separator;
    text += lines[i];
  }
  return text;
}

nlohmann::json entryJson(const DictEntry& entry) {
  return nlohmann::json::array({entry.reading, entry.word, entry.posCode, entry.comment});
}

nlohmann::json entriesJson(const std::vector<DictEntry>& entries) {
  auto list = nlohmann::json::array();
  for (const auto& entry : entries) list.push_back(entryJson(entry));
  return list;
}

}  // namespace

std::filesystem::path noticeFile(const SyncPaths& paths) {
  return paths.state / std::string(noticeFileName);
}

Syncer headlessSyncer() {
  return Syncer{.paths = syncPathsFromEnvironment(),
                .reloadsConverter = reloadsConverterFromEnvironment()};
}

void run(NotificationSink& notifier) {
  platform::failWritesOverTheSizeLimit();
  try {
    reflect(headlessSyncer(), notifier);
  } catch (const std::exception& error) {
    // Only the notifier itself can get here; the service must still end well.
    std::cerr << AppInfo::name() << ": " << platform::errorText(error) << std::endl;
  }
  // Everything that matters is on disk already. Skipping the teardown of
  // static objects keeps a notification's bus thread from racing it.
  std::cout.flush();
  std::cerr.flush();
  std::_Exit(0);
}

void reflect(const Syncer& syncer, NotificationSink& notifier) {
  const SyncPaths& paths = syncer.paths;
  ApplyResult result;
  std::optional<std::string> failure;
  // Only the last run's outcome is told: an earlier one is already out of date.
  for (int run = 1;; ++run) {
    const Watched before = watched(paths);
    failure.reset();
    try {
      result = SyncLock::run(paths.state, [&] { return syncer.apply(); });
    } catch (const std::exception& error) {
      failure = platform::errorText(error);
    }
    if (run == maxRuns || !changedSince(before, paths)) break;
    std::this_thread::sleep_for(pauseBeforeRerun);
  }
  if (failure) {
    notifyOnce(std::string(failedPrefix) + *failure, "error:" + *failure, paths, notifier);
    return;
  }
  std::visit(
      Overloaded{
          [&](const ApplyResult::Applied&) {
            IgnoredWordsNotice::settle(result.ignoredWords, paths, notifier);
          },
          [&](const ApplyResult::UpToDate&) {
            IgnoredWordsNotice::settle(result.ignoredWords, paths, notifier);
          },
          [](const ApplyResult::ToolOpen&) {},
          [&](const ApplyResult::MasterProblem& problem) {
            notifyOnce(
                "マスターに問題があるので、反映を停止しています。アプリを開いて確認してください",
                "master:" + joined(problem.lines, "|"), paths, notifier);
          },
          [&](const ApplyResult::LocalEdits& edits) {
            notifyOnce(platformWords().thisComputer("で直接変更した語が ") +
                           std::to_string(wordCount(edits.diff)) +
                           "語あります。アプリを開いて、取り込むか破棄するかを選択してください",
                       localEditsKey(edits.diff), paths, notifier);
          },
          [&](const ApplyResult::BigChange& big) {
            notifyOnce("大きな変更なので反映を停止しました（" + big.reason +
                           "）。アプリを開いて確認してください",
                       "big:" + big.reason, paths, notifier);
          },
      },
      result.value);
}

void dryRun(const Syncer& syncer, std::ostream& out) {
  MacState state;
  std::vector<IgnoredWord> ignored;
  try {
    const ApplyResult result = SyncLock::runIfPresent(
        syncer.paths.state, [&] { return syncer.apply(ApplyOptions{.dryRun = true}); });
    state = MacState::from(result);
    ignored = result.ignoredWords;
  } catch (const std::exception& error) {
    state = MacState{MacState::Failed{platform::errorText(error)}};
  }
  // Nothing was written, so a reflect that would write must not read as done.
  const bool wouldWrite = std::holds_alternative<MacState::Applied>(state.value);
  out << (wouldWrite ? "反映すると、次のように変わります（まだ書き込んでいません）"
                     : state.summary())
      << '\n';
  const auto print = [&out](const std::vector<std::string>& lines) {
    for (const auto& line : lines) out << line << '\n';
  };
  std::visit(Overloaded{
                 [&](const MacState::Applied& applied) { print(Diff::lines(applied.diff)); },
                 [&](const MacState::LocalEdits& edits) { print(Diff::lines(edits.diff)); },
                 [&](const MacState::BigChange& big) {
                   out << big.reason << '\n';
                   print(Diff::lines(big.diff));
                 },
                 [&](const MacState::MasterProblem& problem) { print(problem.lines); },
                 [&](const MacState::Failed& failed) { out << failed.description << '\n'; },
                 [](const auto&) {},
             },
             state.value);
  print(IgnoredWordsNotice::lines(ignored));
  out.flush();
}

void notifyOnce(const std::string& message, const std::string& key, const SyncPaths& paths,
                NotificationSink& notifier) {
  const std::filesystem::path file = noticeFile(paths);
  try {
    if (platform::readFile(file) == key) return;
  } catch (const std::filesystem::filesystem_error&) {
  }
  // The key goes down before the notice is posted, so that a notice that
  // fails to appear is not retried by every later run.
  std::error_code ignored;
  std::filesystem::create_directories(paths.state, ignored);
  try {
    platform::writeAtomically(file, key);
  } catch (const std::filesystem::filesystem_error&) {
  }
  notifier.sendAndWait(message);
}

void clearNotice(const SyncPaths& paths) {
  std::error_code ignored;
  std::filesystem::remove(noticeFile(paths), ignored);
}

std::string localEditsKey(const std::vector<DictionaryDiff>& diffs) {
  auto list = nlohmann::json::array();
  for (const auto& diff : diffs) {
    auto changed = nlohmann::json::array();
    for (const auto& change : diff.changed) {
      changed.push_back(nlohmann::json::array({entryJson(change.old), entryJson(change.new_)}));
    }
    list.push_back({{"name", diff.name},
                    {"added", entriesJson(diff.added)},
                    {"removed", entriesJson(diff.removed)},
                    {"changed", std::move(changed)},
                    {"dictionaryAdded", diff.dictionaryAdded},
                    {"dictionaryRemoved", diff.dictionaryRemoved}});
  }
  // Decoded entries are strict UTF-8; the replacement only keeps a bad byte
  // from turning a notice into a crash.
  return "local:" + list.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace BackgroundRun
