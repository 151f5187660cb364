#include "sync/syncer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>

#include "master/master_error.h"
#include "model/proto_wire.h"
#include "platform/home.h"
#include "reflect_fixture.h"
#include "support/child_process.h"
#include "sync/ime_dictionary_lock.h"

namespace {

namespace fs = std::filesystem;

template <class Case>
Case as(const ApplyResult& result) {
  EXPECT_TRUE(std::holds_alternative<Case>(result.value)) << "case " << result.value.index();
  const Case* found = std::get_if<Case>(&result.value);
  return found != nullptr ? *found : Case{};
}

SyncError::Case raised(const Syncer& syncer, const ApplyOptions& options = {}) {
  try {
    syncer.apply(options);
  } catch (const SyncError& error) {
    return error.errorCase();
  }
  ADD_FAILURE() << "no SyncError";
  return {};
}

ino_t inodeOf(const fs::path& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info.st_ino;
}

using Reflect = ReflectFixture;

TEST(SyncErrorText, DescriptionsAreExact) {
  EXPECT_STREQ(SyncError(SyncError::ZeroByteMaster{{"人名.txt", "地名.txt"}}).what(),
               "マスターに 0 "
               "バイトのファイルがあります（クラウドとの同期が終わっていない可能性があります）: "
               "人名.txt、地名.txt");
  EXPECT_STREQ(SyncError(SyncError::MasterChanging{{"人名.txt", "地名.txt"}}).what(),
               "マスターに読み込み中に変わったファイルがあります"
               "（クラウドとの同期が終わっていない可能性があります）: 人名.txt、地名.txt");
  EXPECT_STREQ(SyncError(SyncError::VerifyFailed{}).what(),
               "辞書ファイルに書き込めませんでした（書き込み後に読み込んだ内容が一致しません）。"
               "辞書のバックアップから復元してください");
  EXPECT_STREQ(SyncError(SyncError::NotConfigured{}).what(),
               "同期に使うフォルダが未設定です。アプリを開いて設定してください");
  EXPECT_STREQ(SyncError(SyncError::NoIME{}).what(),
               "Mozc が見つかりません。インストールしてから、もう一度お試しください");
  EXPECT_STREQ(SyncError(SyncError::NoUserDictionary{}).what(),
               "Mozc のユーザー辞書がまだありません。"
               "辞書ツールで語を1つ登録してから、もう一度お試しください");
}

TEST(MacStateOfResult, SameCaseWithoutTheBackupAndTheTexts) {
  DictionaryDiff added;
  added.name = "人名";
  added.added = {{"あ", "亜", 1, ""}};
  const std::vector<DictionaryDiff> diff = {added};
  EXPECT_EQ(MacState::from({ApplyResult::Applied{diff, "/backup.db"}}),
            MacState{MacState::Applied{diff}});
  EXPECT_EQ(MacState::from({ApplyResult::MasterProblem{{"a: b"}}}),
            MacState{MacState::MasterProblem{{"a: b"}}});
  EXPECT_EQ(MacState::from({ApplyResult::LocalEdits{diff, true}}),
            (MacState{MacState::LocalEdits{diff, true}}));
  EXPECT_EQ(MacState::from({ApplyResult::BigChange{diff, "r"}}),
            (MacState{MacState::BigChange{diff, "r"}}));
  EXPECT_EQ(MacState::from({ApplyResult::UpToDate{}}), MacState{MacState::UpToDate{}});
  EXPECT_EQ(MacState::from({ApplyResult::ToolOpen{}}), MacState{MacState::ToolOpen{}});

  const std::vector<std::pair<MacState, std::string>> summaries = {
      {{MacState::Applied{}}, "マスターどおりです"},
      {{MacState::MasterProblem{}}, "マスターに問題があります"},
      {{MacState::LocalEdits{}}, "直接変更した語があります"},
      {{MacState::BigChange{}}, "大きな変更で停止しています"},
      {{MacState::Failed{"x"}}, "反映できませんでした"},
      {{MacState::Checking{}}, "確認しています…"},
      {{MacState::UpToDate{}}, "マスターどおりです"},
      {{MacState::ToolOpen{}}, "辞書ツールを閉じると反映します"},
  };
  for (const auto& [state, summary] : summaries) {
    EXPECT_EQ(state.summary(), summary);
    const bool ok = std::holds_alternative<MacState::Applied>(state.value) ||
                    std::holds_alternative<MacState::UpToDate>(state.value);
    EXPECT_EQ(state.isOK(), ok) << summary;
  }
}

TEST_F(Reflect, UnconfiguredIsRaisedBeforeTheDictionaryOrToolsAreLookedAt) {
  Syncer s = syncer();
  s.paths.master = SyncPaths::unconfigured(state);
  s.ime.toolProbe = {"true", {}};
  EXPECT_EQ(raised(s), SyncError::Case{SyncError::NotConfigured{}});
}

TEST_F(Reflect, MissingDictionaryTellsWhetherTheImeIsInstalled) {
  writeMaster("人名", words("人", 1));
  EXPECT_EQ(raised(syncer()), SyncError::Case{SyncError::NoUserDictionary{}});
  fs::remove(installed);
  EXPECT_EQ(raised(syncer()), SyncError::Case{SyncError::NoIME{}});
}

TEST_F(Reflect, ImeAppsExpandTheHomeFolder) {
  Syncer s = syncer();
  s.ime = ImePlatform::googleJapaneseInput();
  EXPECT_EQ(s.imeApps(),
            (std::vector<fs::path>{
                "/Library/Input Methods/GoogleJapaneseInput.app",
                platform::homeDirectory() / "Library/Input Methods/GoogleJapaneseInput.app"}));
}

TEST_F(Reflect, OpenToolStopsEvenABrokenMaster) {
  platform::writeAtomically(master / "壊れた.txt", "no tabs here\n");
  writeDictionary(file({{"壊れた", words("語", 2)}}));
  const std::string before = platform::readFile(dictionary);
  for (const ImeCommand& probe :
       {ImeCommand{"true", {}}, ImeCommand{(dir / "no-such-probe").string(), {}}}) {
    Syncer s = syncer();
    s.ime.toolProbe = probe;
    EXPECT_EQ(s.apply(), ApplyResult{ApplyResult::ToolOpen{}}) << probe.program;
  }
  EXPECT_THROW(syncer().apply(), MasterError);
  EXPECT_EQ(platform::readFile(dictionary), before);
  EXPECT_FALSE(fs::exists(state));
}

TEST_F(Reflect, ImesOwnLockHeldByAToolStopsTheReflect) {
  writeMaster("人名", words("人", 3));
  writeDictionary(file({{"人名", words("人", 2)}}));
  const fs::path lockFile = dictionary.parent_path() / ".user_dictionary.db.lock";
  Signal locked, done;
  const pid_t tool = forkChild([&] {
    auto lock = ImeDictionaryLock::tryTake(lockFile);
    locked.post();
    done.wait();
    return lock ? 0 : 1;
  });
  locked.wait();
  EXPECT_TRUE(syncer().isToolOpen());
  EXPECT_EQ(syncer().apply({.discardLocalEdits = true}), ApplyResult{ApplyResult::ToolOpen{}});
  done.post();
  EXPECT_EQ(platform::waitForExit(tool), 0);
  EXPECT_FALSE(syncer().isToolOpen());
  EXPECT_TRUE(std::holds_alternative<ApplyResult::Applied>(
      syncer().apply({.discardLocalEdits = true}).value));
}

// The lock is ours while the file is replaced, so a tool opened at that
// moment cannot save over it.
TEST_F(Reflect, ImesLockIsHeldWhileTheFileIsReplaced) {
  writeMaster("人名", words("人", 3));
  writeDictionary(file({{"人名", words("人", 3)}}));
  reflectOnce();
  writeMaster("人名", words("人", 4));
  static fs::path watched;
  static fs::path lockFile;
  static int heldAtRename;
  watched = dictionary;
  lockFile = dictionary.parent_path() / ".user_dictionary.db.lock";
  heldAtRename = -1;
  platform::setFileStepHook([](std::string_view step, const fs::path& target) {
    if (step != "rename" || target != watched) return;
    const pid_t probe =
        forkChild([] { return ImeDictionaryLock::isHeldElsewhere(lockFile) ? 0 : 1; });
    heldAtRename = platform::waitForExit(probe);
  });
  EXPECT_TRUE(std::holds_alternative<ApplyResult::Applied>(syncer().apply().value));
  EXPECT_EQ(heldAtRename, 0);
}

TEST_F(Reflect, ZeroByteFilesStopBeforeTheMasterIsRead) {
  writeMaster("人名", words("人", 2));
  platform::writeAtomically(master / u8("地名.txt"), "");
  platform::writeAtomically(master / u8(".隠し.txt"), "");
  platform::writeAtomically(master / u8("人名 (競合コピー).txt"), "");
  platform::writeAtomically(master / u8("壊れた.txt"), "not a master line\n");
  writeDictionary(file({{"人名", words("人", 2)}}));
  EXPECT_EQ(raised(syncer()), SyncError::Case{SyncError::ZeroByteMaster{{"地名.txt"}}});
}

// They stay in the file as the IME's own tools keep them: the dictionary goes on matching the
// master, so they are neither lost nor taken for direct edits by the next reflect.
TEST_F(Reflect, WordsTheImeWillNotOfferAreWrittenAllTheSameAndReported) {
  writeMaster("人名", words("人", 2));
  writeDictionary(file({{"人名", words("人", 2)}}));
  reflectOnce();
  Words withIgnored = words("人", 2);
  withIgnored.push_back({"漢字", "感じ", 1, ""});
  withIgnored.push_back({"ながい", std::string(301, 'x'), 1, ""});
  writeMaster("人名", withIgnored);
  const std::vector<IgnoredWord> ignored = {
      {"人名",
       3,
       withIgnored[2],
       {.kind = ImeRules::Problem::Kind::readingCharacter, .character = U'漢'}},
      {"人名",
       4,
       withIgnored[3],
       {.kind = ImeRules::Problem::Kind::tooLong, .field = ImeRules::Field::word, .bytes = 301}}};

  EXPECT_EQ(syncer().apply({.dryRun = true}).ignoredWords, ignored);
  const ApplyResult written = syncer().apply();
  EXPECT_EQ(as<ApplyResult::Applied>(written).diff.at(0).added.size(), 2u);
  EXPECT_EQ(written.ignoredWords, ignored);
  EXPECT_EQ(dictionaryContent(),
            (std::vector<std::pair<std::string, Words>>{{"人名", withIgnored}}));
  EXPECT_EQ(syncer().apply(), ApplyResult(ApplyResult::UpToDate{}, ignored));

  // Stops carry them too; an open tool reads no master.
  writeMaster("人名", {withIgnored[2]});
  EXPECT_EQ(syncer().apply().ignoredWords.size(), 1u);
  Syncer toolOpen = syncer();
  toolOpen.ime.toolProbe = {"true", {}};
  EXPECT_EQ(toolOpen.apply(), ApplyResult{ApplyResult::ToolOpen{}});
}

TEST_F(Reflect, FirstRunWithTheSameWordsIsUpToDateAndRemembersTheFile) {
  writeMaster("人名", words("人", 3));
  writeDictionary(file({{"人名", words("人", 3)}}));
  EXPECT_EQ(syncer().apply(), ApplyResult{ApplyResult::UpToDate{}});
  EXPECT_EQ(platform::readFile(paths().lastApplied()), platform::readFile(dictionary));
  EXPECT_FALSE(fs::exists(paths().backups()));
  EXPECT_EQ(reloads(), 0);
}

TEST_F(Reflect, FirstRunWithOtherWordsOffersThemThenDiscardWritesTheMaster) {
  const Words master = {{"あ", "亜", 1, ""}, {"い", "伊", 1, ""}};
  writeMaster("人名", master);
  const Words mine = {{"あ", "亜", 1, ""}, {"う", "宇", 1, ""}};
  writeDictionary(file({{"人名", mine}}));
  const std::string before = platform::readFile(dictionary);

  const auto edits = as<ApplyResult::LocalEdits>(syncer().apply());
  EXPECT_TRUE(edits.firstRun);
  ASSERT_EQ(edits.diff.size(), 1u);
  EXPECT_EQ(edits.diff[0].added, (Words{{"う", "宇", 1, ""}}));
  EXPECT_EQ(edits.diff[0].removed, (Words{{"い", "伊", 1, ""}}));
  EXPECT_EQ(platform::readFile(dictionary), before);
  EXPECT_FALSE(fs::exists(state / u8("前回反映した辞書.db")));

  const auto applied = as<ApplyResult::Applied>(syncer().apply({.discardLocalEdits = true}));
  EXPECT_EQ(platform::readFile(applied.backup), before);
  EXPECT_EQ(dictionaryContent(), (std::vector<std::pair<std::string, Words>>{{"人名", master}}));
  EXPECT_EQ(UserDictionaryFile::read(dictionary).dictionaries[0].id, 100u);
  EXPECT_EQ(platform::readFile(state / u8("前回反映した辞書.db")), platform::readFile(dictionary));
  EXPECT_EQ(reloads(), 1);
  EXPECT_FALSE(fs::exists(dictionary.parent_path() / ".wordloom.tmp"));
}

// The user decides on the edits a stop showed; a word a tool saved after that must not go with
// them. Both on a first run and after one.
TEST_F(Reflect, ADiscardThrowsAwayOnlyTheEditsTheUserSaw) {
  const auto plus = [](Words a, const Words& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  for (const bool firstRun : {true, false}) {
    SCOPED_TRACE(firstRun ? "first run" : "after a reflect");
    fs::remove(paths().lastApplied());
    writeMaster("人名", words("人", 3));
    writeDictionary(file({{"人名", words("人", 3)}}));
    if (!firstRun) reflectOnce();
    const Words seen = {{"み", "見", 1, ""}};
    const Words later = {{"あと", "後", 1, ""}};
    writeDictionary(file({{"人名", plus(words("人", 3), seen)}}));
    const auto shown = as<ApplyResult::LocalEdits>(syncer().apply());
    EXPECT_EQ(shown.firstRun, firstRun);

    writeDictionary(file({{"人名", plus(plus(words("人", 3), seen), later)}}));
    const std::string saved = platform::readFile(dictionary);
    const auto again = as<ApplyResult::LocalEdits>(
        syncer().apply({.discardLocalEdits = true, .editsSeenIn = shown.fileHash}));
    EXPECT_EQ(again.diff.at(0).added, plus(seen, later));
    EXPECT_EQ(platform::readFile(dictionary), saved);

    as<ApplyResult::Applied>(
        syncer().apply({.discardLocalEdits = true, .editsSeenIn = again.fileHash}));
    EXPECT_EQ(dictionaryContent(),
              (std::vector<std::pair<std::string, Words>>{{"人名", words("人", 3)}}));
  }
}

TEST_F(Reflect, WordsChangedDirectlyAfterAReflectStopIt) {
  writeMaster("人名", words("人", 3));
  writeDictionary(file({{"人名", words("人", 3)}}));
  reflectOnce();
  Words mine = words("人", 3);
  mine[1].comment = "直接";
  writeDictionary(file({{"人名", mine}}));
  writeMaster("人名", words("人", 4));

  const auto edits = as<ApplyResult::LocalEdits>(syncer().apply());
  EXPECT_FALSE(edits.firstRun);
  ASSERT_EQ(edits.diff.size(), 1u);
  EXPECT_EQ(edits.diff[0].changed, (std::vector<ChangedEntry>{{words("人", 3)[1], mine[1]}}));

  as<ApplyResult::Applied>(syncer().apply({.discardLocalEdits = true}));
  EXPECT_EQ(dictionaryContent(),
            (std::vector<std::pair<std::string, Words>>{{"人名", words("人", 4)}}));
}

TEST_F(Reflect, ErrorLevelFindingsStopButWarningsDoNot) {
  Words twice = words("人", 2);
  twice.push_back(twice[0]);
  writeMaster("人名", twice);
  writeMaster("地名", words("地", 1));
  writeDictionary(file({{"人名", words("人", 2)}}));
  const auto problem = as<ApplyResult::MasterProblem>(syncer().apply());
  ASSERT_EQ(problem.lines.size(), 1u);
  EXPECT_TRUE(problem.lines[0].starts_with("人名: ")) << problem.lines[0];

  // The same word in two dictionaries is only a warning.
  writeMaster("人名", words("人", 2));
  writeMaster("地名", words("人", 1));
  EXPECT_TRUE(std::holds_alternative<ApplyResult::Applied>(
      syncer().apply({.discardLocalEdits = true}).value));
}

// Written into the IME file, such a name broke every later reflect, even
// after the file was gone.
TEST_F(Reflect, AFileNameMozcCannotHoldIsAMasterProblem) {
  writeMaster("人名", words("人", 2));
  writeDictionary(file({{"人名", words("人", 2)}}));
  reflectOnce();
  const std::string before = platform::readFile(dictionary);
  const std::vector<std::string> names = {"bad\xFF", "ctl\x01", "line\nend", "tab\there"};
  for (const std::string& name : names) writeMaster(name, words("語", 1));
  for (const bool dryRun : {true, false}) {
    const auto problem = as<ApplyResult::MasterProblem>(
        syncer().apply({.discardLocalEdits = true, .dryRun = dryRun}));
    ASSERT_EQ(problem.lines.size(), names.size());
    EXPECT_EQ(problem.lines[0],
              "bad\\xFF: ファイル名が UTF-8 ではないので、辞書の名前にできません。"
              "ファイル名を変えてください");
    EXPECT_TRUE(problem.lines[3].starts_with("tab\\there: ファイル名にタブや改行などの制御文字"))
        << problem.lines[3];
  }
  EXPECT_EQ(platform::readFile(dictionary), before);
  for (const std::string& name : names) fs::remove(master / u8(name + ".txt"));
  EXPECT_EQ(syncer().apply(), ApplyResult{ApplyResult::UpToDate{}});
}

TEST_F(Reflect, HalfTheWordsGoingIsNotBigMoreIs) {
  writeMaster("人名", words("人", 10));
  writeDictionary(file({{"人名", words("人", 10)}}));
  reflectOnce();

  writeMaster("人名", words("人", 4));
  const auto big = as<ApplyResult::BigChange>(syncer().apply());
  EXPECT_EQ(big.reason, "語が 10 から 4 に減ります");
  EXPECT_EQ(big.diff[0].removed.size(), 6u);
  EXPECT_EQ(dictionaryContent()[0].second.size(), 10u);
  as<ApplyResult::Applied>(syncer().apply({.allowBigChange = true}));
  EXPECT_EQ(dictionaryContent()[0].second.size(), 4u);

  writeMaster("人名", words("人", 10));
  reflectOnce();
  writeMaster("人名", words("人", 5));
  as<ApplyResult::Applied>(syncer().apply());
}

TEST_F(Reflect, TheTotalCountsEveryDictionary) {
  writeMaster("人名", words("人", 10));
  writeMaster("地名", words("地", 100));
  writeDictionary(file({{"人名", words("人", 10)}, {"地名", words("地", 100)}}));
  reflectOnce();
  writeMaster("人名", words("人", 4));
  as<ApplyResult::Applied>(syncer().apply());
}

TEST_F(Reflect, AWholeDictionaryGoingStopsUnlessDeletedThroughTheStore) {
  writeMaster("人名", words("人", 10));
  writeMaster("地名", words("地", 50));
  writeDictionary(file({{"人名", words("人", 10)}, {"地名", words("地", 50)}}));
  reflectOnce();

  fs::remove(master / u8("地名.txt"));
  EXPECT_EQ(as<ApplyResult::BigChange>(syncer().apply()).reason,
            "辞書「地名」が丸ごと削除されます");

  // Deleted through the store: allowed, and its words no longer count, so
  // losing 6 of the remaining 10 is big again.
  platform::writeAtomically(master / u8(".消した辞書"), "地名\t20240101-000000\n");
  writeMaster("人名", words("人", 4));
  EXPECT_EQ(as<ApplyResult::BigChange>(syncer().apply()).reason, "語が 10 から 4 に減ります");
  writeMaster("人名", words("人", 5));
  as<ApplyResult::Applied>(syncer().apply());
  EXPECT_EQ(dictionaryContent(),
            (std::vector<std::pair<std::string, Words>>{{"人名", words("人", 5)}}));
}

// The cloud can bring back a dictionary deleted through the store while its name stays on the
// list: it is judged like any other, however many dictionaries the list names.
TEST_F(Reflect, ADeletedDictionaryBackInTheMasterCountsLikeAnyOther) {
  struct Case {
    std::string listed;
    int people;
    int places;
    std::optional<std::string> reason;
  };
  const Case cases[] = {
      {"人名\t20240101-000000\n地名\t20240101-000000\n", 1, 1, "語が 20 から 2 に減ります"},
      {"人名\t20240101-000000\n", 1, 10, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.listed);
    writeMaster("人名", words("人", 10));
    writeMaster("地名", words("地", 10));
    writeDictionary(file({{"人名", words("人", 10)}, {"地名", words("地", 10)}}));
    reflectOnce();
    platform::writeAtomically(master / u8(".消した辞書"), c.listed);
    writeMaster("人名", words("人", c.people));
    writeMaster("地名", words("地", c.places));
    const ApplyResult result = syncer().apply();
    if (c.reason) {
      EXPECT_EQ(as<ApplyResult::BigChange>(result).reason, *c.reason);
    } else {
      as<ApplyResult::Applied>(result);
    }
  }
}

TEST_F(Reflect, BackupsKeepTheNewestAndNeverOverwriteEachOther) {
  writeMaster("人名", words("人", 1));
  writeDictionary(file({{"人名", words("人", 1)}}));
  reflectOnce();
  const fs::path backups = paths().backups();
  fs::create_directories(backups);
  platform::writeAtomically(backups / "notes.txt", "not a backup");

  std::vector<std::string> contents;
  for (int n = 2; n <= 32; ++n) {
    contents.push_back(platform::readFile(dictionary));
    writeMaster("人名", words("人", n));
    const auto applied = as<ApplyResult::Applied>(syncer().apply());
    EXPECT_EQ(platform::readFile(applied.backup), contents.back());
    EXPECT_TRUE(std::regex_match(applied.backup.filename().string(),
                                 std::regex(R"(user_dictionary-\d{8}-\d{6}(_\d\d)?\.db)")))
        << applied.backup;
  }
  std::vector<std::string> kept;
  for (const auto& entry : fs::directory_iterator(backups)) {
    if (entry.path().extension() == ".db") kept.push_back(platform::readFile(entry.path()));
  }
  ASSERT_EQ(kept.size(), 30u);
  EXPECT_TRUE(fs::exists(backups / "notes.txt"));
  // The 30 kept are the last 30 made.
  std::sort(kept.begin(), kept.end());
  std::vector<std::string> newest(contents.end() - 30, contents.end());
  std::sort(newest.begin(), newest.end());
  EXPECT_EQ(kept, newest);
}

TEST_F(Reflect, SecondReflectIsUpToDateWithoutRewritingTheCopy) {
  writeMaster("人名", words("人", 3));
  writeDictionary(file({{"人名", words("人", 2)}}));
  as<ApplyResult::Applied>(syncer().apply({.discardLocalEdits = true}));
  const fs::path copy = paths().lastApplied();
  const ino_t inode = inodeOf(copy);
  EXPECT_EQ(syncer().apply(), ApplyResult{ApplyResult::UpToDate{}});
  EXPECT_EQ(inodeOf(copy), inode);
  EXPECT_EQ(reloads(), 1);
}

TEST_F(Reflect, DryRunWritesNothing) {
  writeMaster("人名", words("人", 3));
  writeDictionary(file({{"人名", words("人", 2)}}));
  const std::string before = platform::readFile(dictionary);
  const auto applied =
      as<ApplyResult::Applied>(syncer().apply({.discardLocalEdits = true, .dryRun = true}));
  EXPECT_EQ(applied.backup, paths().backups());
  EXPECT_EQ(applied.diff[0].added, (Words{words("人", 3)[2]}));

  writeMaster("人名", words("人", 2));
  EXPECT_EQ(syncer().apply({.dryRun = true}), ApplyResult{ApplyResult::UpToDate{}});
  EXPECT_EQ(platform::readFile(dictionary), before);
  EXPECT_FALSE(fs::exists(state));
  EXPECT_FALSE(fs::exists(dictionary.parent_path() / ".user_dictionary.db.lock"));
  EXPECT_EQ(reloads(), 0);
}

TEST_F(Reflect, NoReloadWhenSwitchedOff) {
  writeMaster("人名", words("人", 3));
  writeDictionary(file({{"人名", words("人", 2)}}));
  Syncer s = syncer();
  s.reloadsConverter = false;
  as<ApplyResult::Applied>(s.apply({.discardLocalEdits = true}));
  EXPECT_EQ(reloads(), 0);
  s.ime.reload = {(dir / "no-such-program").string(), {}};
  s.reloadsConverter = true;
  writeMaster("人名", words("人", 4));
  as<ApplyResult::Applied>(s.apply());
}

TEST_F(Reflect, MismatchOnReadBackIsVerifyFailedAndNothingRecorded) {
  writeMaster("人名", words("人", 3));
  writeDictionary(file({{"人名", words("人", 3)}}));
  reflectOnce();
  const std::string recorded = platform::readFile(state / u8("前回反映した辞書.db"));
  writeMaster("人名", words("人", 4));
  static fs::path watched;
  watched = dictionary;
  // Something else replaces the file between our write and our read-back.
  platform::setFileStepHook([](std::string_view step, const fs::path& target) {
    if (step != "fsync-folder" || target != watched) return;
    platform::setFileStepHook(nullptr);
    platform::writeAtomically(watched, UserDictionaryFile{}.serialized());
  });
  EXPECT_EQ(raised(syncer()), SyncError::Case{SyncError::VerifyFailed{}});
  EXPECT_EQ(platform::readFile(state / u8("前回反映した辞書.db")), recorded);
  EXPECT_EQ(reloads(), 0);
}

TEST_F(Reflect, UndecodableDictionaryOrCopyIsRaisedUnchanged) {
  writeMaster("人名", words("人", 3));
  platform::writeAtomically(dictionary, std::string("\x0f", 1));
  EXPECT_THROW(syncer().apply(), ProtoError);
  writeDictionary(file({{"人名", words("人", 3)}}));
  fs::create_directories(state);
  platform::writeAtomically(state / u8("前回反映した辞書.db"), std::string("\x0a\x05", 2), {});
  EXPECT_THROW(syncer().apply(), ProtoError);
}

// A crash after the file was replaced but before it was recorded leaves a
// dictionary that already matches the master: nothing of this computer's can
// be lost, so the next reflect settles it instead of reporting our own write
// as direct edits.
TEST_F(Reflect, DictionaryAlreadyMatchingTheMasterIsUpToDateWhateverWasRecorded) {
  writeMaster("人名", words("人", 3));
  writeDictionary(file({{"人名", words("人", 3)}}));
  reflectOnce();
  const int reloadsBefore = reloads();
  writeMaster("人名", words("人", 4));
  writeDictionary(file({{"人名", words("人", 4)}}));
  EXPECT_EQ(syncer().apply(), ApplyResult{ApplyResult::UpToDate{}});
  EXPECT_EQ(platform::readFile(state / u8("前回反映した辞書.db")), platform::readFile(dictionary));
  // Most likely a write whose run ended before it could reload the converter.
  EXPECT_EQ(reloads(), reloadsBefore + 1);
  EXPECT_EQ(syncer().apply(), ApplyResult{ApplyResult::UpToDate{}});
  EXPECT_EQ(reloads(), reloadsBefore + 1);
}

// The state a run killed inside its write leaves: the pending write, the file
// replaced or not. A tool saved a word of the user's since. Either way only
// that word is a direct edit, in the dry run too, and the choice lasts.
TEST_F(Reflect, AfterAnInterruptedWriteOnlyTheUsersOwnEditsAreDirectEdits) {
  const DictEntry own{"じぶん", "自分", 1, ""};
  for (const bool replaced : {false, true}) {
    SCOPED_TRACE(replaced ? "replaced" : "not replaced");
    fs::remove_all(state);
    writeMaster("人名", words("人", 3));
    writeDictionary(file({{"人名", words("人", 3)}}));
    reflectOnce();
    writeMaster("人名", words("人", 4));
    platform::writeAtomically(paths().pendingWrite(),
                              file({{"人名", words("人", 4)}}).serialized());
    Words mine = words("人", replaced ? 4 : 3);
    mine.push_back(own);
    writeDictionary(file({{"人名", mine}}));

    const auto planned = as<ApplyResult::LocalEdits>(syncer().apply({.dryRun = true}));
    EXPECT_TRUE(fs::exists(paths().pendingWrite()));
    const auto edits = as<ApplyResult::LocalEdits>(syncer().apply());
    EXPECT_EQ(planned, edits);
    ASSERT_EQ(edits.diff.size(), 1u);
    EXPECT_EQ(edits.diff[0].added, Words{own});
    EXPECT_TRUE(edits.diff[0].removed.empty());
    EXPECT_TRUE(edits.diff[0].changed.empty());
    EXPECT_FALSE(fs::exists(paths().pendingWrite()));
    EXPECT_EQ(syncer().localEdits(UserDictionaryFile::read(dictionary)), edits.diff);
    EXPECT_EQ(as<ApplyResult::LocalEdits>(syncer().apply()), edits);
  }
}

// A cloud client may empty, cut, rewrite or replace a file in place while the
// master is read: the run stops as incomplete instead of reflecting whatever
// it happened to read.
TEST_F(Reflect, AMasterFileChangingWhileTheMasterIsReadStopsTheRun) {
  struct Case {
    std::string name;
    std::string whenReading;  // the file whose read sets the change off
    void (*change)(const fs::path& file);
  };
  const std::vector<Case> cases = {
      {"emptied", "人名.txt", [](const fs::path& f) { fs::resize_file(f, 0); }},
      {"cut", "人名.txt", [](const fs::path& f) { fs::resize_file(f, fs::file_size(f) / 2); }},
      {"removed", "人名.txt", [](const fs::path& f) { fs::remove(f); }},
      {"rewritten after it was read", "地名.txt",
       [](const fs::path& f) {
         fs::last_write_time(f, fs::last_write_time(f) + std::chrono::seconds(1));
       }},
  };
  static fs::path reading;
  static fs::path changed;
  static void (*change)(const fs::path&);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeMaster("人名", words("人", 10));
    writeMaster("地名", words("地", 100));
    writeDictionary(file({{"人名", words("人", 10)}, {"地名", words("地", 100)}}));
    reflectOnce();
    writeMaster("人名", words("人", 11));
    const std::string before = platform::readFile(dictionary);
    reading = master / u8(c.whenReading);
    changed = master / u8("人名.txt");
    change = c.change;
    platform::setFileStepHook([](std::string_view step, const fs::path& target) {
      if (step != "read" || target != reading) return;
      platform::setFileStepHook(nullptr);
      change(changed);
    });
    EXPECT_EQ(raised(syncer()), SyncError::Case{SyncError::MasterChanging{{"人名.txt"}}});
    platform::setFileStepHook(nullptr);
    EXPECT_EQ(platform::readFile(dictionary), before);
  }
}

// Names equal after canonical composition are one name: Mozc's tool tells
// names apart by their bytes, so it can make such a pair, and the write would
// keep only one of the two without any guard seeing the other's words go.
TEST_F(Reflect, NamesDifferingOnlyInCompositionAreNeverMerged) {
  const std::string composed = "\xE3\x81\x8C";                // が
  const std::string decomposed = "\xE3\x81\x8B\xE3\x82\x99";  // か + voiced mark
  writeMaster(composed, words("語", 3));
  writeDictionary(file({{composed, words("語", 3)}, {decomposed, words("別", 2)}}));
  const std::string before = platform::readFile(dictionary);
  for (const ApplyOptions& options : {ApplyOptions{}, ApplyOptions{.discardLocalEdits = true},
                                      ApplyOptions{.discardLocalEdits = true, .dryRun = true}}) {
    EXPECT_EQ(raised(syncer(), options),
              SyncError::Case{SyncError::DuplicateDictionaryName{decomposed}});
  }
  EXPECT_EQ(platform::readFile(dictionary), before);

  // Two such master files would write such a pair.
  writeDictionary(file({{composed, words("語", 3)}}));
  writeMaster(decomposed, words("別", 2));
  EXPECT_EQ(
      as<ApplyResult::MasterProblem>(syncer().apply({.discardLocalEdits = true})).lines,
      std::vector<std::string>{composed + ": 同じ名前の辞書ファイルがマスターに複数あります"});
}

// A lock file left by a run as another user, or a link loop: no tool can be
// holding a lock nobody can open, so that is no open tool; but the file
// cannot be replaced under the lock either, which the dry run must say too.
TEST_F(Reflect, AnImeLockFileThatCannotBeOpenedIsNoOpenToolButFailsTheRun) {
  const fs::path lockFile = dictionary.parent_path() / ".user_dictionary.db.lock";
  const std::vector<std::pair<std::string, void (*)(const fs::path&)>> kinds = {
      {"link loop", [](const fs::path& f) { fs::create_symlink(f.filename(), f); }},
      {"folder", [](const fs::path& f) { fs::create_directory(f); }},
  };
  writeMaster("人名", words("人", 3));
  writeDictionary(file({{"人名", words("人", 2)}}));
  const std::string before = platform::readFile(dictionary);
  for (const auto& [kind, make] : kinds) {
    SCOPED_TRACE(kind);
    fs::remove_all(lockFile);
    make(lockFile);
    EXPECT_FALSE(syncer().isToolOpen());
    const SyncError::Case unavailable = SyncError::ImeLockUnavailable{lockFile.string()};
    EXPECT_EQ(raised(syncer(), {.discardLocalEdits = true}), unavailable);
    EXPECT_EQ(raised(syncer(), {.discardLocalEdits = true, .dryRun = true}), unavailable);
    EXPECT_EQ(platform::readFile(dictionary), before);
  }
}

// Killed writes leave temporary files in the backups folder (a new name every
// time), the state folder and the IME's folder; the next reflect clears them,
// and a dry run touches nothing.
TEST_F(Reflect, LeftoversOfKilledWritesAreClearedFromEveryFolderItWritesTo) {
  writeMaster("人名", words("人", 3));
  writeDictionary(file({{"人名", words("人", 3)}}));
  reflectOnce();
  const fs::path backups = paths().backups();
  fs::create_directories(backups);
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(2);
  const std::vector<fs::path> stale = {
      backups / ".user_dictionary-20240101-000000.db.Ab12Cd",
      state / u8(".前回反映した辞書.db.Qw34Er"),
      state / u8(".反映中の辞書.db.Zx56Cv"),
  };
  const std::vector<fs::path> kept = {
      backups / ".user_dictionary-20240102-000000.db.Yo78Un",  // young: maybe a write under way
      state / ".notes",
      dictionary.parent_path() / ".user_dictionary.db.Ab12Cd",  // the IME's folder is not ours
  };
  for (const fs::path& file : stale) {
    platform::writeAtomically(file, "x");
    fs::last_write_time(file, old);
  }
  for (const fs::path& file : kept) platform::writeAtomically(file, "x");
  fs::last_write_time(state / ".notes", old);
  fs::last_write_time(kept.back(), old);
  const fs::path ours = dictionary.parent_path() / ".wordloom.tmp";
  platform::writeAtomically(ours, "x");

  EXPECT_EQ(syncer().apply({.dryRun = true}), ApplyResult{ApplyResult::UpToDate{}});
  for (const fs::path& file : stale) EXPECT_TRUE(fs::exists(file)) << file;
  EXPECT_TRUE(fs::exists(ours));

  EXPECT_EQ(syncer().apply(), ApplyResult{ApplyResult::UpToDate{}});
  for (const fs::path& file : stale) EXPECT_FALSE(fs::exists(file)) << file;
  for (const fs::path& file : kept) EXPECT_TRUE(fs::exists(file)) << file;
  EXPECT_FALSE(fs::exists(ours));
}

// Mozc keeps dictionaries without words (its tool makes "ユーザー辞書 1" before
// any word), and the master has no file for them: made, kept or deleted on
// this computer, such a dictionary is no direct edit and no big change. It
// stays in the file unless the user deleted it through the application.
TEST_F(Reflect, DictionariesWithoutWordsAreNoDirectEditsAndStay) {
  using Content = std::vector<std::pair<std::string, Words>>;
  const std::string empty = "ユーザー辞書 1";
  struct Case {
    std::string name;
    std::optional<Content> reflected;  // the file at an earlier reflect, if any
    Content now;
    int masterWords;
    bool deletedThroughTheApplication;
    std::size_t outcome;
    Content after;
  };
  const std::size_t upToDate = ApplyResult::Case(ApplyResult::UpToDate{}).index();
  const std::size_t applied = ApplyResult::Case(ApplyResult::Applied{}).index();
  const std::vector<Case> cases = {
      {"first run",
       std::nullopt,
       {{"人名", words("人", 3)}, {empty, {}}},
       3,
       false,
       upToDate,
       {{"人名", words("人", 3)}, {empty, {}}}},
      {"first run, listed first",
       std::nullopt,
       {{empty, {}}, {"人名", words("人", 3)}},
       3,
       false,
       upToDate,
       {{empty, {}}, {"人名", words("人", 3)}}},
      {"made after a reflect",
       Content{{"人名", words("人", 3)}},
       {{"人名", words("人", 3)}, {empty, {}}},
       3,
       false,
       upToDate,
       {{"人名", words("人", 3)}, {empty, {}}}},
      {"deleted after a reflect",
       Content{{"人名", words("人", 3)}, {empty, {}}},
       {{"人名", words("人", 3)}},
       3,
       false,
       upToDate,
       {{"人名", words("人", 3)}}},
      {"kept by a write",
       Content{{"人名", words("人", 3)}, {empty, {}}},
       {{"人名", words("人", 3)}, {empty, {}}},
       4,
       false,
       applied,
       {{"人名", words("人", 4)}, {empty, {}}}},
      {"deleted through the application",
       Content{{"人名", words("人", 3)}, {empty, {}}},
       {{"人名", words("人", 3)}, {empty, {}}},
       3,
       true,
       applied,
       {{"人名", words("人", 3)}}},
      {"deleted through the application, first run",
       std::nullopt,
       {{"人名", words("人", 3)}, {empty, {}}},
       3,
       true,
       applied,
       {{"人名", words("人", 3)}}},
  };
  const auto asFile = [](const Content& content) {
    UserDictionaryFile result;
    std::uint64_t id = 100;
    for (const auto& [name, entries] : content) {
      result.dictionaries.push_back(
          {.id = id++, .enabled = true, .name = name, .entries = entries});
    }
    return result;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(state);
    fs::remove(master / u8(".消した辞書"));
    writeMaster("人名", words("人", 3));
    if (c.reflected) {
      writeDictionary(asFile(*c.reflected));
      reflectOnce();
      ASSERT_EQ(dictionaryContent(), *c.reflected);
    }
    writeMaster("人名", words("人", c.masterWords));
    writeDictionary(asFile(c.now));
    if (c.deletedThroughTheApplication) {
      platform::writeAtomically(master / u8(".消した辞書"), empty + "\t20240101-000000\n");
    }
    EXPECT_EQ(syncer().apply().value.index(), c.outcome);
    EXPECT_EQ(dictionaryContent(), c.after);
    EXPECT_EQ(syncer().apply(), ApplyResult{ApplyResult::UpToDate{}});
  }
}

// Mozc matches a reading by its bytes: one whose voiced mark is stored apart
// (か + U+3099) is never offered for the が a user types. Correcting it in the
// master must reach the file, though the two forms are the same text to every
// comparison shown to the user; a file differing only in order stays as it is.
TEST_F(Reflect, AWordCorrectedToAnotherCompositionIsWrittenByteForByte) {
  const Words decomposed = {{"\xE3\x81\x8B\xE3\x82\x99っこう", "学校", 1, ""},
                            {"いえ", "家", 1, ""}};
  Words composed = decomposed;
  composed[0].reading = "がっこう";
  for (const bool firstRun : {false, true}) {
    SCOPED_TRACE(firstRun ? "first run" : "after a reflect");
    fs::remove_all(state);
    writeMaster("人名", decomposed);
    writeDictionary(file({{"人名", decomposed}}));
    if (!firstRun) reflectOnce();
    writeMaster("人名", composed);
    EXPECT_EQ(as<ApplyResult::Applied>(syncer().apply()).diff, std::vector<DictionaryDiff>{});
    EXPECT_EQ(platform::readFile(dictionary), file({{"人名", composed}}).serialized());
    EXPECT_EQ(syncer().apply(), ApplyResult{ApplyResult::UpToDate{}});
  }
  writeDictionary(file({{"人名", {composed[1], composed[0]}}}));
  const std::string reordered = platform::readFile(dictionary);
  EXPECT_EQ(syncer().apply(), ApplyResult{ApplyResult::UpToDate{}});
  EXPECT_EQ(platform::readFile(dictionary), reordered);
}

// Names from the folder reach messages as the master's own messages show
// them: escaped where a message cannot hold them.
TEST_F(Reflect, MasterFileNamesAreEscapedInMessages) {
  writeDictionary(file({{"人名", words("人", 2)}}));
  platform::writeAtomically(master / u8("bad\xFF.txt"), "");
  EXPECT_EQ(raised(syncer()), SyncError::Case{SyncError::ZeroByteMaster{{"bad\\xFF.txt"}}});
  fs::remove(master / u8("bad\xFF.txt"));

  platform::writeAtomically(master / u8("tab\there.txt"), "no tabs here\n");
  try {
    syncer().apply();
    ADD_FAILURE() << "no MasterError";
  } catch (const MasterError& error) {
    EXPECT_TRUE(std::string_view(error.what()).starts_with("マスター「tab\\there.txt」の 1行目: "))
        << error.what();
  }
  fs::remove(master / u8("tab\there.txt"));

  writeMaster("ctl\x01", words("人", 2));
  static fs::path changing;
  changing = master / u8("ctl\x01.txt");
  platform::setFileStepHook([](std::string_view step, const fs::path& target) {
    if (step != "read" || target != changing) return;
    platform::setFileStepHook(nullptr);
    platform::writeAtomically(changing, "x\ty\t名詞\n");
  });
  EXPECT_EQ(raised(syncer()), SyncError::Case{SyncError::MasterChanging{{"ctl\\x01.txt"}}});
}

}  // namespace
