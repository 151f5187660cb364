#include "sync/syncer.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <set>
#include <system_error>

#include "master/master_format.h"
#include "master/master_listing.h"
#include "master/master_store.h"
#include "master/validation.h"
#include "model/proto_wire.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/home.h"
#include "platform/process.h"
#include "platform/process_scan.h"
#include "sync/ime_dictionary_lock.h"

namespace {

constexpr std::string_view temporaryName = ".wordloom.tmp";

// Why the change is too big to write without asking, or nothing.
std::optional<std::string> bigChange(const std::vector<DictionaryDiff>& diff,
                                     const UserDictionaryFile& current,
                                     const std::filesystem::path& master) {
  std::set<std::string> deleted;
  for (const std::string& name : MasterStore::deletedDictionaries(master)) {
    deleted.insert(Master::normalized(name));
  }
  const auto isDeleted = [&](std::string_view name) {
    return deleted.contains(Master::normalized(name));
  };

  std::int64_t total = 0;
  for (const UserDictionary& dictionary : current.dictionaries) {
    if (!isDeleted(dictionary.name)) total += static_cast<std::int64_t>(dictionary.entries.size());
  }
  std::int64_t gone = 0;
  const DictionaryDiff* removedWhole = nullptr;
  for (const DictionaryDiff& d : diff) {
    if (d.dictionaryRemoved && isDeleted(d.name)) continue;
    gone += static_cast<std::int64_t>(d.removed.size());
    if (d.dictionaryRemoved && removedWhole == nullptr) removedWhole = &d;
  }
  if (removedWhole != nullptr) return "辞書「" + removedWhole->name + "」が丸ごと削除されます";
  if (total > 0 && total < 2 * gone) {
    return "語が " + std::to_string(total) + " から " + std::to_string(total - gone) +
           " に減ります";
  }
  return std::nullopt;
}

// Writes the new file in the IME's folder and checks what landed there.
void writeDictionary(const std::filesystem::path& dictionary, const std::string& bytes,
                     const UserDictionaryFile& target) {
  platform::writeAtomically(dictionary, bytes, {.tempName = std::string(temporaryName)});
  UserDictionaryFile written;
  try {
    written = UserDictionaryFile::read(dictionary);
  } catch (const ProtoError&) {
    throw SyncError(SyncError::VerifyFailed{});
  } catch (const DictionaryFileError&) {
    throw SyncError(SyncError::VerifyFailed{});
  }
  if (written != target) throw SyncError(SyncError::VerifyFailed{});
}

// The last applied copy, or nothing before the first reflect.
std::optional<std::string> lastAppliedBytes(const SyncPaths& paths) {
  std::error_code error;
  if (!std::filesystem::exists(paths.lastApplied(), error)) {
    if (error) {
      throw std::filesystem::filesystem_error("cannot look at", paths.lastApplied(), error);
    }
    return std::nullopt;
  }
  return platform::readFile(paths.lastApplied());
}

}  // namespace

ApplyResult Syncer::apply(const ApplyOptions& options) const {
  std::vector<IgnoredWord> ignored;
  ApplyResult result = reflect(options, ignored);
  result.ignoredWords = std::move(ignored);
  return result;
}

ApplyResult Syncer::reflect(const ApplyOptions& options, std::vector<IgnoredWord>& ignored) const {
  if (!paths.isConfigured()) throw SyncError(SyncError::NotConfigured{});
  checkDictionary();
  if (isToolOpen()) return {ApplyResult::ToolOpen{}};

  const std::vector<MasterDictionary> master = loadMaster();
  std::vector<std::string> problems;
  for (const ValidationIssue& issue : Validation::check(master, ignored)) {
    if (issue.level == ValidationIssue::Level::error) {
      problems.push_back(issue.dictionary + ": " + issue.message);
    }
  }
  if (!problems.empty()) return {ApplyResult::MasterProblem{std::move(problems)}};

  // From reading the file to replacing it, a dictionary tool opened meanwhile
  // must not save: its save would be lost, or would undo ours.
  std::optional<ImeDictionaryLock> imeLock;
  if (!options.dryRun && !ime.dictionaryLockName.empty()) {
    imeLock = ImeDictionaryLock::tryTake(paths.dictionary.parent_path() / ime.dictionaryLockName);
    if (!imeLock) return {ApplyResult::ToolOpen{}};
  }

  const std::string data = platform::readFile(paths.dictionary);
  const UserDictionaryFile current = UserDictionaryFile::parse(data);
  // Byte-equal files have no differences: the usual up-to-date reflect of a
  // large dictionary then neither decodes the copy nor compares word lists.
  std::optional<std::vector<DictionaryDiff>> edits;
  if (const std::optional<std::string> recorded = lastAppliedBytes(paths)) {
    edits = *recorded == data ? std::vector<DictionaryDiff>{}
                              : Diff::between(UserDictionaryFile::parse(*recorded), current);
  }
  const UserDictionaryFile target = Master::build(master, &current);
  const std::string bytes = target.serialized();
  std::vector<DictionaryDiff> diff =
      bytes == data ? std::vector<DictionaryDiff>{} : Diff::between(current, target);

  // A dictionary that already holds the master's words loses nothing to the
  // reflect, whatever was recorded: after a crash between writing the file and
  // recording it, our own write must not come back as direct edits.
  if (!options.discardLocalEdits && !diff.empty()) {
    if (edits && !edits->empty()) return {ApplyResult::LocalEdits{*edits, false}};
    if (!edits) return {ApplyResult::LocalEdits{Diff::between(target, current), true}};
  }
  if (diff.empty()) {
    if (!options.dryRun) {
      record(data);
      // A file that differs from the record yet equals the master is most
      // likely our own write whose run ended before the record and the
      // reload: the converter may still hold the old words.
      if (edits && !edits->empty() && reloadsConverter) reloadConverter();
    }
    return {ApplyResult::UpToDate{}};
  }
  if (!options.allowBigChange) {
    if (std::optional<std::string> reason = bigChange(diff, current, paths.master)) {
      return {ApplyResult::BigChange{std::move(diff), std::move(*reason)}};
    }
  }
  if (options.dryRun) return {ApplyResult::Applied{std::move(diff), paths.backups()}};

  const std::filesystem::path backup = backupCurrent(data);
  writeDictionary(paths.dictionary, bytes, target);
  imeLock.reset();
  record(bytes);
  if (reloadsConverter) reloadConverter();
  return {ApplyResult::Applied{std::move(diff), backup}};
}

std::vector<MasterDictionary> Syncer::loadMaster() const {
  std::vector<std::string> empty;
  for (const MasterListing::Name& name : MasterListing::dictionaryFiles(paths.master)) {
    if (Master::isConflictCopy(name.nfc)) continue;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(paths.master / name.listed, error);
    if (error || size == 0) empty.push_back(name.nfc);
  }
  if (!empty.empty()) throw SyncError(SyncError::ZeroByteMaster{std::move(empty)});
  return Master::load(paths.master).dictionaries;
}

std::optional<std::vector<DictionaryDiff>> Syncer::localEdits(
    const UserDictionaryFile& current) const {
  const std::optional<std::string> recorded = lastAppliedBytes(paths);
  if (!recorded) return std::nullopt;
  return Diff::between(UserDictionaryFile::parse(*recorded), current);
}

std::filesystem::path Syncer::backupCurrent(std::string_view data) const {
  const std::filesystem::path folder = paths.backups();
  std::filesystem::create_directories(folder);

  // Two writes within one second must not share a backup: the second would
  // overwrite the first. A suffix after "_" sorts after the plain name, so
  // newest-first pruning stays right.
  const std::string stem = "user_dictionary-" + platform::stamp(std::chrono::system_clock::now());
  std::filesystem::path backup = folder / (stem + ".db");
  for (int n = 1; std::filesystem::exists(backup); ++n) {
    const std::string suffix = (n < 10 ? "_0" : "_") + std::to_string(n);
    backup = folder / (stem + suffix + ".db");
  }
  platform::writeAtomically(backup, data);

  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    if (name.ends_with(".db")) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end(), std::greater<>());
  for (std::size_t i = static_cast<std::size_t>(std::max(keepBackups, 0)); i < names.size(); ++i) {
    std::error_code ignored;
    std::filesystem::remove(folder / names[i], ignored);
  }
  return backup;
}

void Syncer::record(std::string_view data) const {
  std::filesystem::create_directories(paths.state);
  try {
    if (platform::readFile(paths.lastApplied()) == data) return;
  } catch (const std::filesystem::filesystem_error&) {
    // Missing or unreadable: write it.
  }
  platform::writeAtomically(paths.lastApplied(), data);
}

void Syncer::checkDictionary() const {
  std::error_code error;
  if (std::filesystem::exists(paths.dictionary, error)) return;
  for (const std::filesystem::path& app : imeApps()) {
    if (std::filesystem::exists(app, error)) throw SyncError(SyncError::NoUserDictionary{});
  }
  throw SyncError(SyncError::NoIME{});
}

std::vector<std::filesystem::path> Syncer::imeApps() const {
  std::vector<std::filesystem::path> apps;
  for (const std::string& location : ime.installLocations) {
    apps.push_back(platform::expandTilde(location));
  }
  return apps;
}

bool Syncer::isToolOpen() const {
  if (!ime.dictionaryLockName.empty() &&
      ImeDictionaryLock::isHeldElsewhere(paths.dictionary.parent_path() / ime.dictionaryLockName)) {
    return true;
  }
  // A probe that cannot run cannot vouch that no tool is open.
  if (!ime.toolCommandText.empty()) {
    try {
      return platform::isProcessRunning(::geteuid(), ime.toolCommandText);
    } catch (const std::system_error&) {
      return true;
    }
  }
  const platform::ProcessResult probe =
      platform::runProcess(ime.toolProbe.program, ime.toolProbe.arguments);
  return probe.status == 0 || probe.status == -1;
}

void Syncer::reloadConverter() const {
  platform::runProcess(ime.reload.program, ime.reload.arguments);
}
