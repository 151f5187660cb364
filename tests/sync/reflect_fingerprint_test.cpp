#include "sync/reflect_fingerprint.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <functional>

#include "reflect_fixture.h"
#include "sync/ime_dictionary_lock.h"

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t second = 1'000'000'000;

template <class Case>
std::size_t caseIndex() {
  return ApplyResult::Case(Case{}).index();
}

platform::FileStatus statusAt(std::int64_t modified, std::int64_t changed) {
  return {.device = 1,
          .inode = 2,
          .mode = 0100644,
          .size = 3,
          .modified = modified,
          .changed = changed};
}

TEST(ReflectFingerprintRecord, ReadsBackWhatItWroteAndNothingElse) {
  ReflectFingerprint written{
      .takenAt = 1'700'000'000 * second + 5,
      .program = statusAt(4, 5),
      .stamps = {{"/m/a\tb\nc\\d.txt", statusAt(-1, 7)},
                 {"/m/bad\xFF.txt", std::nullopt},
                 {"/m/\xE4\xBA\xBA.txt", platform::FileStatus{.device = ~0ull,
                                                              .inode = ~0ull,
                                                              .mode = 0,
                                                              .size = 0,
                                                              .modified = 0,
                                                              .changed = 0}}},
      .ignoredWords = {{"人\t名",
                        12,
                        {"かん\\じ", "感\nじ", 44, "メモ"},
                        {.kind = ImeRules::Problem::Kind::readingCharacter,
                         .field = ImeRules::Field::reading,
                         .bytes = 0,
                         .character = U'\U0010FFFF'}},
                       {"地名",
                        1,
                        {"ながい", "x", 1, ""},
                        {.kind = ImeRules::Problem::Kind::tooLong,
                         .field = ImeRules::Field::comment,
                         .bytes = 301,
                         .character = 0}}}};
  const std::string bytes = written.serialized();
  EXPECT_EQ(ReflectFingerprint::parse(bytes), written);

  const auto replaced = [&](std::string_view from, std::string_view to) {
    std::string changed = bytes;
    const std::size_t at = changed.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return changed.replace(at, from.size(), to);
  };
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"empty", ""},
      {"cut short", bytes.substr(0, bytes.size() - 1)},
      {"another version", replaced("fingerprint 1", "fingerprint 2")},
      {"unknown escape", replaced("\\t", "\\x")},
      {"unknown kind", replaced("\t3\t0\t0\t", "\t4\t0\t0\t")},
      {"unknown record", replaced("file\t", "fil\t")},
  };
  for (const auto& [name, text] : refused) {
    EXPECT_EQ(ReflectFingerprint::parse(text), std::nullopt) << name;
  }
}

// Stamps equal to those recorded are trusted only when no file changed within
// the granularity before the recording: a second change in the same tick
// would have left them as they were.
TEST(ReflectFingerprintTrust, OnlyStampsAsRecordedAndSettledBeforeTheRecording) {
  const std::int64_t taken = 1'700'000'000 * second;
  const auto recorded = [&](platform::FileStatus status) {
    return ReflectFingerprint{.takenAt = taken,
                              .program = statusAt(taken - 100 * second, taken - 100 * second),
                              .stamps = {{"/m/a.txt", status}, {"/m/gone.txt", std::nullopt}},
                              .ignoredWords = {}};
  };
  struct Case {
    std::string name;
    platform::FileStatus recordedStatus;
    // Changes the record and the stamps found now.
    std::function<void(ReflectFingerprint& record, ReflectFingerprint& now)> change;
    bool trusted;
  };
  const platform::FileStatus old = statusAt(taken - 3 * second, taken - 3 * second);
  const auto none = [](auto&, auto&) {};
  const std::vector<Case> cases = {
      {"unchanged and settled", old, none, true},
      {"changed a second before", statusAt(taken - 3 * second, taken - second), none, false},
      {"changed while the stamps were taken", statusAt(taken + 1, taken + 1), none, false},
      {"modified within the granularity", statusAt(taken - second, taken - 3 * second), none,
       false},
      {"another program", old, [](auto&, auto& now) { now.program->inode += 1; }, false},
      {"no program known", old,
       [](auto& record, auto& now) {
         record.program.reset();
         now.program.reset();
       },
       false},
      {"a stamp that could not be taken", old, [](auto&, auto& now) { now.complete = false; },
       false},
  };
  for (const Case& c : cases) {
    ReflectFingerprint record = recorded(c.recordedStatus);
    ReflectFingerprint now = record;
    now.takenAt = taken + 600 * second;
    c.change(record, now);
    EXPECT_EQ(record.trusts(now), c.trusted) << c.name;
  }
}

// Two master files, the dictionary equal to them, a reflect recorded long
// enough after the files last changed.
class UpToDateCheck : public ReflectFixture {
 protected:
  void settle() {
    fs::remove_all(master);
    fs::remove_all(state);
    fs::create_directories(master);
    writeMaster("人名", words("人", 10));
    writeMaster("地名", words("地", 5));
    writeDictionary(file({{"人名", words("人", 10)}, {"地名", words("地", 5)}}));
    reflectOnce();
    ageFingerprint();
  }

  // Rewrites `path` in place, then sets its modification time back, as a
  // cloud client that keeps the sender's time does.
  static void rewriteInPlaceKeepingTheTime(const fs::path& path, const std::string& bytes) {
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    ASSERT_EQ(static_cast<std::size_t>(before.st_size), bytes.size());
    std::ofstream(path, std::ios::binary | std::ios::in | std::ios::out) << bytes;
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }

  static void replaceByRenameKeepingTheTime(const fs::path& path, const std::string& bytes) {
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    const fs::path temporary = path.parent_path() / ".incoming";
    platform::writeAtomically(temporary, bytes);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, temporary.c_str(), times, 0), 0);
    fs::rename(temporary, path);
  }
};

TEST_F(UpToDateCheck, AnUnchangedRunReadsNoWordAndKeepsTheIgnoredWords) {
  Words people = words("人", 10);
  people.push_back({"漢字", "感じ", 1, ""});
  writeMaster("人名", people);
  writeMaster("地名", words("地", 5));
  writeDictionary(file({{"人名", words("人", 10)}, {"地名", words("地", 5)}}));
  const ApplyResult written = syncer().apply({.discardLocalEdits = true});
  ASSERT_EQ(written.ignoredWords.size(), 1u);
  ageFingerprint();
  const std::string before = platform::readFile(paths().reflectFingerprint());

  countWordReads();
  for (int run = 0; run < 2; ++run) {
    EXPECT_EQ(syncer().apply(), ApplyResult(ApplyResult::UpToDate{}, written.ignoredWords));
  }
  EXPECT_EQ(wordReads(), 0);
  EXPECT_EQ(platform::readFile(paths().reflectFingerprint()), before);
  EXPECT_EQ(reloads(), 1);

  // A dry run is for a person who wants to know: it reads everything.
  EXPECT_EQ(syncer().apply({.dryRun = true}).value, ApplyResult::Case{ApplyResult::UpToDate{}});
  EXPECT_GT(wordReads(), 0);

  // An open tool still stops the run before the record is looked at.
  Syncer toolOpen = syncer();
  toolOpen.ime.toolProbe = {"true", {}};
  EXPECT_EQ(toolOpen.apply(), ApplyResult{ApplyResult::ToolOpen{}});
}

TEST_F(UpToDateCheck, EveryKindOfChangeIsSeen) {
  Words renamedPeople = words("人", 10);
  renamedPeople[0].word = "仁0";  // 仁 and 人 take the same bytes
  struct Case {
    std::string name;
    std::function<void()> change;
    std::size_t outcome;
  };
  const std::vector<Case> cases = {
      {"master file rewritten in place, same size, time set back",
       [&] { rewriteInPlaceKeepingTheTime(master / u8("人名.txt"), Master::text(renamedPeople)); },
       caseIndex<ApplyResult::Applied>()},
      {"master file replaced by rename, same size, time set back",
       [&] { replaceByRenameKeepingTheTime(master / u8("人名.txt"), Master::text(renamedPeople)); },
       caseIndex<ApplyResult::Applied>()},
      {"master file added", [&] { writeMaster("新しい辞書", words("新", 2)); },
       caseIndex<ApplyResult::Applied>()},
      {"master file removed", [&] { fs::remove(master / u8("地名.txt")); },
       caseIndex<ApplyResult::BigChange>()},
      {"conflict copy added",
       [&] { platform::writeAtomically(master / u8("人名 (競合コピー).txt"), "a\tb\t名詞\n"); },
       caseIndex<ApplyResult::UpToDate>()},
      {"deleted-dictionaries list written",
       [&] { platform::writeAtomically(master / u8(".消した辞書"), "旧\t20240101-000000\n"); },
       caseIndex<ApplyResult::UpToDate>()},
      {"master folder replaced by an equal copy",
       [&] {
         fs::rename(master, dir / "old-master");
         fs::copy(dir / "old-master", master);
       },
       caseIndex<ApplyResult::UpToDate>()},
      {"dictionary rewritten in place, same size, time set back",
       [&] {
         rewriteInPlaceKeepingTheTime(
             dictionary, file({{"人名", renamedPeople}, {"地名", words("地", 5)}}).serialized());
       },
       caseIndex<ApplyResult::LocalEdits>()},
      {"dictionary saved by Mozc: temporary file and rename under its lock",
       [&] {
         std::optional<ImeDictionaryLock> lock =
             ImeDictionaryLock::tryTake(dictionary.parent_path() / ".user_dictionary.db.lock");
         ASSERT_TRUE(lock.has_value());
         const fs::path temporary = dictionary.parent_path() / "user_dictionary.db.tmp";
         Words more = words("人", 10);
         more.push_back({"ついか", "追加", 1, ""});
         platform::writeAtomically(temporary,
                                   file({{"人名", more}, {"地名", words("地", 5)}}).serialized());
         fs::rename(temporary, dictionary);
       },
       caseIndex<ApplyResult::LocalEdits>()},
      {"last applied copy removed", [&] { fs::remove(paths().lastApplied()); },
       caseIndex<ApplyResult::UpToDate>()},
      {"a write pending", [&] { fs::copy_file(dictionary, paths().pendingWrite()); },
       caseIndex<ApplyResult::UpToDate>()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir / "old-master");
    settle();
    countWordReads();
    ASSERT_EQ(syncer().apply(), ApplyResult{ApplyResult::UpToDate{}});
    ASSERT_EQ(wordReads(), 0);

    c.change();
    EXPECT_EQ(syncer().apply().value.index(), c.outcome);
    EXPECT_GT(wordReads(), 0);
    // Only a reflect that ended well leaves a record.
    const bool succeeded = c.outcome == caseIndex<ApplyResult::Applied>() ||
                           c.outcome == caseIndex<ApplyResult::UpToDate>();
    EXPECT_EQ(fs::exists(paths().reflectFingerprint()), succeeded);
  }
}

// A file system whose clock ticks coarsely can leave a second change with the
// stamps of the first. Such a change is simulated by recording the stamps the
// file has after it: recorded close to the change, they are not trusted.
TEST_F(UpToDateCheck, AChangeWithinTheGranularityOfTheRecordingIsNeverTrusted) {
  for (const bool close : {true, false}) {
    SCOPED_TRACE(close ? "close to the recording" : "long before the recording");
    settle();
    ReflectFingerprint recorded =
        *ReflectFingerprint::parse(platform::readFile(paths().reflectFingerprint()));
    writeMaster("人名", words("人", 11));

    ReflectFingerprint stamps = ReflectFingerprint::begin(paths());
    for (const fs::path& file : {dictionary, paths().lastApplied(), paths().pendingWrite()}) {
      stamps.stamp(file);
    }
    recorded.stamps = stamps.stamps;
    recorded.takenAt =
        stamps.takenAt + (close ? 0 : std::chrono::nanoseconds(std::chrono::seconds(3)).count());
    platform::writeAtomically(paths().reflectFingerprint(), recorded.serialized());

    countWordReads();
    const ApplyResult result = syncer().apply();
    EXPECT_EQ(wordReads() > 0, close);
    EXPECT_EQ(result.value.index(),
              close ? caseIndex<ApplyResult::Applied>() : caseIndex<ApplyResult::UpToDate>());
  }
}

}  // namespace
