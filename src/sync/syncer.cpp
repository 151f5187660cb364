#include "sync/syncer.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <set>
#include <system_error>
#include <tuple>
#include <unordered_set>

#include "master/in_parallel.h"
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
#include "platform/text.h"
#include "sync/file_compare.h"
#include "sync/ime_dictionary_lock.h"
#include "sync/reflect_fingerprint.h"

namespace {

constexpr std::string_view temporaryName = ".wordloom.tmp";

// Normalized names of the dictionaries the user deleted through the application.
std::set<std::string> deletedNames(const std::filesystem::path& master) {
  std::set<std::string> deleted;
  for (const std::string& name : MasterStore::deletedDictionaries(master)) {
    deleted.insert(Master::normalized(name));
  }
  return deleted;
}

// Why the change is too big to write without asking, or nothing.
std::optional<std::string> bigChange(const std::vector<DictionaryDiff>& diff,
                                     const EncodedUserDictionaryFile& current,
                                     const std::set<std::string>& deleted) {
  const auto isDeleted = [&](std::string_view name) {
    return deleted.contains(Master::normalized(name));
  };

  // Only the removal of a listed dictionary is exempt. One on the list that the master holds
  // again (brought back by the cloud, or made anew on another computer) counts like any other:
  // left out of the total alone, its removed words would make the count go below zero, and with
  // every dictionary listed nothing would ever be big.
  std::set<std::string> exempt;
  for (const DictionaryDiff& d : diff) {
    if (d.dictionaryRemoved && isDeleted(d.name)) exempt.insert(Master::normalized(d.name));
  }
  std::int64_t total = 0;
  for (const EncodedUserDictionaryFile::Dictionary& dictionary : current.dictionaries) {
    if (!exempt.contains(Master::normalized(dictionary.name))) {
      total += static_cast<std::int64_t>(dictionary.entries.size());
    }
  }
  std::int64_t gone = 0;
  const DictionaryDiff* removedWhole = nullptr;
  for (const DictionaryDiff& d : diff) {
    if (exempt.contains(Master::normalized(d.name))) continue;
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

// Makes the new file in the IME's folder a copy of the pending write, which
// holds `bytes` already, and checks what landed there against `bytes`
// themselves. They are our writer's own, so landing byte for byte is landing
// whole; a million words are not decoded again to see it.
void writeDictionary(const std::filesystem::path& dictionary, const std::filesystem::path& pending,
                     std::uint64_t size, const platform::ByteSource& bytes) {
  platform::copyAtomically(pending, dictionary, {.tempName = std::string(temporaryName)});
  if (!fileHoldsExactly(dictionary, size, bytes)) throw SyncError(SyncError::VerifyFailed{});
}

bool isPresent(const std::filesystem::path& file) {
  std::error_code error;
  const bool found = std::filesystem::exists(file, error);
  if (error) throw std::filesystem::filesystem_error("cannot look at", file, error);
  return found;
}

std::optional<std::string> readIfPresent(const std::filesystem::path& file) {
  if (!isPresent(file)) return std::nullopt;
  return platform::readFile(file);
}

// What the dictionary file is compared with to find direct edits: the last
// applied copy, or nothing before the first reflect; or the pending write of
// a run killed between replacing the file and recording it.
struct Baseline {
  bool present = false;
  // True when the baseline holds exactly the file's bytes; `bytes` is then
  // left empty rather than keep a second copy of a large file.
  bool equalsFile = false;
  std::string bytes;
  bool pendingExists = false;
  bool fromPending = false;

  // The direct edits: the differences from the baseline to `current`.
  template <class File>
  std::optional<std::vector<DictionaryDiff>> edits(const File& current) const;
};

// A file that holds the pending write took it. A file that holds neither the
// pending write nor the record was saved by a tool since: it is compared with
// whichever of the two it differs less from, so that neither our own write
// comes back as direct edits nor the user's edits vanish.
template <class File>
Baseline baselineOf(const SyncPaths& paths, std::string_view data, const File& current) {
  Baseline baseline;
  std::optional<std::string> recorded;
  if (isPresent(paths.lastApplied())) {
    baseline.present = true;
    baseline.equalsFile = fileHoldsExactly(paths.lastApplied(), data);
    if (!baseline.equalsFile) recorded = platform::readFile(paths.lastApplied());
  }
  if (std::optional<std::string> pending = readIfPresent(paths.pendingWrite())) {
    baseline.pendingExists = true;
    bool takePending = *pending == data;
    if (!takePending && recorded) {
      const auto distance = [&](const std::string& bytes) {
        return Diff::changeCount(Diff::between(EncodedUserDictionaryFile::parse(bytes), current));
      };
      takePending = distance(*pending) < distance(*recorded);
    }
    if (takePending) {
      recorded = std::move(pending);
      baseline.present = true;
      baseline.equalsFile = *recorded == data;
      baseline.fromPending = true;
    }
  }
  if (recorded && !baseline.equalsFile) baseline.bytes = std::move(*recorded);
  return baseline;
}

// Makes the choice of baselineOf last: the pending write becomes the record,
// or goes.
void settlePending(const SyncPaths& paths, const Baseline& baseline) {
  if (!baseline.pendingExists) return;
  if (baseline.fromPending) {
    platform::moveOver(paths.pendingWrite(), paths.lastApplied());
  } else {
    std::filesystem::remove(paths.pendingWrite());
  }
}

// The stored name of a dictionary whose name an earlier one already has.
std::optional<std::string> repeatedName(const EncodedUserDictionaryFile& file) {
  std::unordered_set<std::string> seen;
  for (const EncodedUserDictionaryFile::Dictionary& dictionary : file.dictionaries) {
    if (!seen.insert(platform::nfc(dictionary.name)).second) return dictionary.name;
  }
  return std::nullopt;
}

// Two master files whose names differ only in how characters are composed
// would become two dictionaries of one name.
std::vector<std::string> repeatedMasterNames(const EncodedMaster& master) {
  std::unordered_set<std::string> seen;
  std::vector<std::string> lines;
  for (const EncodedMaster::Dictionary& dictionary : master.dictionaries) {
    if (!seen.insert(platform::nfc(dictionary.name)).second) {
      lines.push_back(platform::printable(dictionary.name) +
                      ": 同じ名前の辞書ファイルがマスターに複数あります");
    }
  }
  return lines;
}

// A dictionary of this computer that has no words and no master file stays
// as it is: no master file can hold it (the master store writes no empty
// dictionary), and removing it loses nothing but the one the user made (Mozc's
// tool makes "ユーザー辞書 1" before any word). One the user deleted through
// the application goes.
void keepEmptyDictionaries(EncodedUserDictionaryFile& target,
                           const EncodedUserDictionaryFile& current,
                           const std::set<std::string>& deleted) {
  std::unordered_set<std::string> names;
  for (const EncodedUserDictionaryFile::Dictionary& dictionary : target.dictionaries) {
    names.insert(Master::normalized(dictionary.name));
  }
  for (const EncodedUserDictionaryFile::Dictionary& dictionary : current.dictionaries) {
    const std::string name = Master::normalized(dictionary.name);
    if (dictionary.entries.empty() && !names.contains(name) && !deleted.contains(name)) {
      target.dictionaries.push_back({dictionary.id, dictionary.enabled, dictionary.name, {}});
    }
  }
}

// A dictionary without words that came or went is no direct edit: no word of
// the user's is in it.
std::vector<DictionaryDiff> withoutEmptyDictionaries(std::vector<DictionaryDiff> diffs) {
  std::erase_if(diffs, [](const DictionaryDiff& d) {
    return (d.dictionaryAdded || d.dictionaryRemoved) && d.added.empty() && d.removed.empty() &&
           d.changed.empty();
  });
  return diffs;
}

// Byte-equal files have no differences: the usual reflect of a large
// dictionary then neither decodes the copy nor compares word lists.
template <class File>
std::optional<std::vector<DictionaryDiff>> Baseline::edits(const File& current) const {
  if (!present) return std::nullopt;
  if (equalsFile) return std::vector<DictionaryDiff>{};
  return withoutEmptyDictionaries(Diff::between(EncodedUserDictionaryFile::parse(bytes), current));
}

std::vector<DictEntryView> sortedByBytes(const MessageList& messages) {
  std::vector<DictEntryView> entries;
  entries.reserve(messages.size());
  for (const std::string_view message : messages) {
    entries.push_back(EncodedUserDictionaryFile::entry(message));
  }
  std::sort(entries.begin(), entries.end(), [](const DictEntryView& a, const DictEntryView& b) {
    return std::tie(a.reading, a.word, a.posCode, a.comment) <
           std::tie(b.reading, b.word, b.posCode, b.comment);
  });
  return entries;
}

// True when every dictionary of `target` holds, byte for byte, the words its
// counterpart in `current` (the one whose id it kept) holds, in any order.
// Words compare by canonical equivalence everywhere else; but Mozc matches a
// reading by its bytes, so a word the master corrected from a decomposed to a
// composed form must still be written.
bool holdsTheSameBytes(const EncodedUserDictionaryFile& target,
                       const EncodedUserDictionaryFile& current) {
  for (const EncodedUserDictionaryFile::Dictionary& dictionary : target.dictionaries) {
    const auto same = std::find_if(
        current.dictionaries.begin(), current.dictionaries.end(),
        [&](const EncodedUserDictionaryFile::Dictionary& d) { return d.id == dictionary.id; });
    if (same == current.dictionaries.end() || same->entries.size() != dictionary.entries.size()) {
      return false;
    }
    const std::vector<DictEntryView> a = sortedByBytes(dictionary.entries);
    const std::vector<DictEntryView> b = sortedByBytes(same->entries);
    const auto bytesEqual = [](const DictEntryView& x, const DictEntryView& y) {
      return x.reading == y.reading && x.word == y.word && x.posCode == y.posCode &&
             x.comment == y.comment;
    };
    if (!std::equal(a.begin(), a.end(), b.begin(), bytesEqual)) return false;
  }
  return true;
}

// Temporary files of killed writes, in every folder a reflect writes to. Only
// a reflect writes the dictionary's temporary file, and reflects run one at a
// time: one found now is a leftover whatever its age.
void removeLeftovers(const SyncPaths& paths) {
  platform::removeStaleTemporaries(paths.state);
  platform::removeStaleTemporaries(paths.backups());
  std::error_code ignored;
  std::filesystem::remove(paths.dictionary.parent_path() / temporaryName, ignored);
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

  // The service runs every few minutes, mostly to find nothing changed: the
  // stamps of what the last successful reflect read tell that without
  // reading a word.
  if (!options.dryRun) {
    if (std::optional<std::vector<IgnoredWord>> words = ReflectFingerprint::upToDate(paths)) {
      ignored = std::move(*words);
      return {ApplyResult::UpToDate{}};
    }
    ReflectFingerprint::forget(paths);
  }
  ReflectFingerprint seen = ReflectFingerprint::begin(paths);

  EncodedMaster master = loadMaster();
  std::vector<std::string> problems;
  for (const ValidationIssue& issue : Validation::check(master, ignored)) {
    if (issue.level == ValidationIssue::Level::error) {
      problems.push_back(issue.dictionary + ": " + issue.message);
    }
  }
  for (std::string& line : repeatedMasterNames(master)) problems.push_back(std::move(line));
  if (!problems.empty()) return {ApplyResult::MasterProblem{std::move(problems)}};

  // From reading the file to replacing it, a dictionary tool opened meanwhile
  // must not save: its save would be lost, or would undo ours. A lock that
  // cannot be taken fails the run, the dry run too, which must not promise a
  // write the real run cannot make.
  std::optional<ImeDictionaryLock> imeLock;
  if (!ime.dictionaryLockName.empty()) {
    const std::filesystem::path lockFile = paths.dictionary.parent_path() / ime.dictionaryLockName;
    const SyncError unavailable(SyncError::ImeLockUnavailable{lockFile.string()});
    if (options.dryRun) {
      if (!ImeDictionaryLock::canTake(lockFile)) throw unavailable;
    } else {
      try {
        imeLock = ImeDictionaryLock::tryTake(lockFile);
      } catch (const std::filesystem::filesystem_error&) {
        throw unavailable;
      }
      if (!imeLock) return {ApplyResult::ToolOpen{}};
    }
  }
  if (!options.dryRun) removeLeftovers(paths);

  seen.stamp(paths.dictionary);
  const std::string data = platform::readFile(paths.dictionary);
  // The words stay in `data`: a million words decoded into strings would
  // take three times the file.
  EncodedUserDictionaryFile current = EncodedUserDictionaryFile::parse(data);
  // Dictionaries are paired by name: a second one of the same name would be
  // dropped by the write without any guard seeing its words go.
  if (const std::optional<std::string> name = repeatedName(current)) {
    throw SyncError(SyncError::DuplicateDictionaryName{*name});
  }
  const Baseline baseline = baselineOf(paths, data, current);
  if (!options.dryRun) settlePending(paths, baseline);
  const std::optional<std::vector<DictionaryDiff>> edits = baseline.edits(current);
  const std::set<std::string> deleted = deletedNames(paths.master);
  // The new file's words stay in `master`'s bytes and are written from there,
  // a piece at a time.
  EncodedUserDictionaryFile target = Master::build(master, current);
  keepEmptyDictionaries(target, current, deleted);
  const platform::ByteSource bytes = [&target](const platform::ByteSink& sink) {
    target.write(sink);
  };
  const std::uint64_t size = target.serializedSize();
  const bool sameBytes = size == data.size() && makesExactly(bytes, data);
  std::vector<DictionaryDiff> diff =
      sameBytes ? std::vector<DictionaryDiff>{} : Diff::between(current, target);
  // Files that differ only in the order of dictionaries or words are left as they are.
  const bool upToDate = diff.empty() && (sameBytes || holdsTheSameBytes(target, current));

  // A dictionary that already holds the master's words loses nothing to the
  // reflect, whatever was recorded.
  const std::size_t fileHash = std::hash<std::string_view>{}(data);
  const bool discard =
      options.discardLocalEdits && (!options.editsSeenIn || *options.editsSeenIn == fileHash);
  if (!discard && !diff.empty()) {
    if (edits && !edits->empty()) return {ApplyResult::LocalEdits{*edits, false, fileHash}};
    if (!edits) {
      std::vector<DictionaryDiff> firstRun =
          withoutEmptyDictionaries(Diff::between(target, current));
      if (!firstRun.empty()) {
        return {ApplyResult::LocalEdits{std::move(firstRun), true, fileHash}};
      }
    }
  }
  if (upToDate) {
    if (!options.dryRun) {
      record(data);
      // Our own write whose run ended before the reload, or a file that
      // differs from the record yet equals the master, most likely such a
      // write too: the converter may still hold the old words.
      const bool unreloaded = baseline.fromPending || (edits && !edits->empty());
      if (unreloaded && reloadsConverter) reloadConverter();
      seen.save(paths, ignored);
    }
    return {ApplyResult::UpToDate{}};
  }
  if (!options.allowBigChange) {
    if (std::optional<std::string> reason = bigChange(diff, current, deleted)) {
      return {ApplyResult::BigChange{std::move(diff), std::move(*reason)}};
    }
  }
  if (options.dryRun) return {ApplyResult::Applied{std::move(diff), paths.backups()}};
  current = {};

  const std::filesystem::path backup = backupCurrent(data);
  // Written before the replace and recorded by a rename once the file is
  // verified: a run killed or failing in between, the file replaced or not,
  // leaves it for the next run to settle against what the file holds.
  std::filesystem::create_directories(paths.state);
  platform::writeAtomically(paths.pendingWrite(), bytes);
  writeDictionary(paths.dictionary, paths.pendingWrite(), size, bytes);
  // Stamped while no tool can save: a save after the lock goes shows as a change.
  seen.stamp(paths.dictionary);
  imeLock.reset();
  platform::moveOver(paths.pendingWrite(), paths.lastApplied());
  if (reloadsConverter) reloadConverter();
  seen.save(paths, ignored);
  return {ApplyResult::Applied{std::move(diff), backup}};
}

EncodedMaster Syncer::loadMaster() const {
  struct File {
    const MasterListing::Name* name;
    std::optional<platform::FileStamp> before;
    std::string bytes;
    bool vanished = false;
  };
  const std::vector<MasterListing::Name> names = MasterListing::dictionaryFiles(paths.master);
  std::vector<File> files;
  for (const MasterListing::Name& name : names) {
    if (!Master::isConflictCopy(name.nfc)) {
      files.push_back({&name, platform::fileStamp(paths.master / name.listed), {}});
    }
  }
  // Judged on the bytes read, and on every file staying the same from before
  // the first read to after the last: a cloud client may empty, cut or
  // rewrite a file in place at any moment.
  for (File& file : files) {
    if (!file.before) continue;
    try {
      file.bytes = platform::readFile(paths.master / file.name->listed);
    } catch (const std::filesystem::filesystem_error& error) {
      if (error.code() != std::errc::no_such_file_or_directory) throw;
      file.vanished = true;
    }
  }
  std::vector<std::string> empty;
  std::vector<std::string> changing;
  for (const File& file : files) {
    if (file.vanished ||
        (file.before && (file.bytes.size() != file.before->size ||
                         platform::fileStamp(paths.master / file.name->listed) != file.before))) {
      changing.push_back(platform::printable(file.name->nfc));
    } else if (file.bytes.empty()) {
      empty.push_back(platform::printable(file.name->nfc));
    }
  }
  if (!empty.empty()) throw SyncError(SyncError::ZeroByteMaster{std::move(empty)});
  if (!changing.empty()) throw SyncError(SyncError::MasterChanging{std::move(changing)});

  // Each file's text goes once its words are encoded.
  EncodedMaster master(files.size());
  inParallel(files.size(), [&](std::size_t i) {
    File& file = files[i];
    const std::string name = platform::printable(file.name->nfc);
    master.encode(i, MasterListing::dictionaryName(file.name->nfc),
                  MasterListing::checkedText(file.bytes, name), name);
    file.bytes = std::string();
  });
  return master;
}

std::optional<std::vector<DictionaryDiff>> Syncer::localEdits(
    const UserDictionaryFile& current) const {
  // Our writer's bytes are canonical, so a file that took a pending write
  // serializes back to it.
  return baselineOf(paths, current.serialized(), current).edits(current);
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
    if (fileHoldsExactly(paths.lastApplied(), data)) return;
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
