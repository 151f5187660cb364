#include "master/master_store.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <ctime>
#include <map>

#include "master/master_error.h"
#include "master/master_format.h"
#include "master/master_store_error.h"
#include "master_test_support.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "support/child_process.h"
#include "support/second_filesystem.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Dictionaries = std::map<std::string, std::vector<DictEntry>>;
using Clock = std::chrono::system_clock;

Clock::time_point localTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return Clock::from_time_t(std::mktime(&t));
}

// Every file under a folder with its bytes: "nothing changed" means this is equal.
std::map<std::string, std::string> tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(entry.path(), root).string();
    files[relative] = entry.is_directory() ? "(folder)" : platform::readFile(entry.path());
  }
  return files;
}

MasterStoreError::Case failureOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const MasterStoreError& error) {
    return error.errorCase();
  }
  ADD_FAILURE() << "no MasterStoreError";
  return MasterStoreError::LastDictionary{};
}

const DictEntry a1{"a", "亜", 1, ""};
const DictEntry i1{"い", "胃", 1, ""};
const DictEntry u1{"う", "宇", 5, "人"};

class MasterStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    put(master / "A.txt", Master::text({a1}));
    put(master / "B.txt", Master::text({i1}));
  }
  void TearDown() override {
    platform::setFileStepHook(nullptr);
    ::unsetenv("XDG_DATA_HOME");
  }

  TempDir dir;
  const fs::path master = dir / "cloud" / "マスター";
  const fs::path history = dir / "cloud" / "_履歴";
  const Clock::time_point now = localTime(2024, 3, 3, 9, 5, 7);
};

TEST_F(MasterStoreTest, SavesChangedAndNewDictionariesKeepingTheOldOnesInHistory) {
  const MasterSnapshot base = MasterStore::load(master);
  const MasterSnapshot after =
      MasterStore::save({{"A", {a1, u1}}, {"B", {i1}}}, {{"C", {u1}}}, base, now);

  EXPECT_EQ(after, MasterStore::load(master));
  EXPECT_EQ(after.dictionaries(),
            (std::vector<MasterDictionary>{{"A", {a1, u1}}, {"B", {i1}}, {"C", {u1}}}));
  EXPECT_EQ(platform::readFile(master / "A.txt"), "a\t亜\t名詞\t\nう\t宇\t人名\t人\n");
  // Only the file that changed is copied, as it was before the save.
  EXPECT_EQ(tree(history), (std::map<std::string, std::string>{
                               {"20240303-090507-アプリ保存前", "(folder)"},
                               {"20240303-090507-アプリ保存前/A.txt", Master::text({a1})}}));
  // A second save in the same second keeps both copies.
  MasterStore::save({{"A", {u1}}}, {}, after, now);
  EXPECT_EQ(platform::readFile(history / "20240303-090507-アプリ保存前" / "A.txt"),
            Master::text({a1}));
  EXPECT_EQ(platform::readFile(history / "20240303-090507-アプリ保存前" / "A (2).txt"),
            Master::text({a1, u1}));
  EXPECT_EQ(MasterStore::historyDir(master), history);
  EXPECT_EQ(MasterStore::historyDir(master.string() + "/"), history);
}

TEST_F(MasterStoreTest, ASaveThatChangesNothingWritesNothing) {
  const MasterSnapshot base = MasterStore::load(master);
  const auto before = tree(dir.path());
  EXPECT_EQ(MasterStore::save({{"A", {a1}}, {"B", {i1}}}, {}, base, now), base);
  EXPECT_EQ(tree(dir.path()), before);
}

TEST_F(MasterStoreTest, RefusesAFileAnotherProcessChangedAndWritesNothing) {
  const MasterSnapshot base = MasterStore::load(master);
  // Another computer's edit arriving through the cloud client: one byte of A.txt.
  ASSERT_EQ(platform::waitForExit(forkChild([&] {
              const int fd = ::open((master / "A.txt").c_str(), O_WRONLY);
              return fd >= 0 && ::pwrite(fd, "b", 1, 0) == 1 ? 0 : 1;
            })),
            0);
  const auto before = tree(dir.path());

  const auto attempt = [&] { MasterStore::save({{"B", {u1}}, {"A", {u1}}}, {}, base, now); };
  EXPECT_EQ(failureOf(attempt), MasterStoreError::Case(MasterStoreError::ChangedElsewhere{{"A"}}));
  try {
    attempt();
  } catch (const MasterStoreError& error) {
    EXPECT_STREQ(
        error.what(),
        "開いてから、ほかのパソコンでマスターが変わりました（A）。再読み込みしたので、もう一度"
        "やり直してください");
  }
  EXPECT_EQ(tree(dir.path()), before);
  EXPECT_THROW(MasterStore::deleteDictionary("A", base, now), MasterStoreError);
  EXPECT_EQ(tree(dir.path()), before);

  // A change to a dictionary the save does not touch does not matter.
  EXPECT_NO_THROW(MasterStore::save({{"B", {u1}}}, {}, base, now));
  // Names gone on either side count as changed, reported in code point order.
  EXPECT_EQ(failureOf([&] {
              MasterStore::save({{"Z", {u1}}, {"B", {i1}}}, {}, base, now);
            }),
            MasterStoreError::Case(MasterStoreError::ChangedElsewhere{{"B", "Z"}}));
}

TEST_F(MasterStoreTest, RefusesBadSavesBeforeWritingAnything) {
  const MasterSnapshot base = MasterStore::load(master);
  const auto before = tree(dir.path());
  using E = MasterStoreError;
  const auto refused = [&](const Dictionaries& changes, const Dictionaries& added) {
    const E::Case c = failureOf([&] { MasterStore::save(changes, added, base, now); });
    EXPECT_EQ(tree(dir.path()), before);
    return c;
  };
  EXPECT_EQ(refused({}, {{"A", {u1}}}), E::Case(E::AlreadyExists{"A"}));
  EXPECT_EQ(refused({{"A", {}}}, {}), E::Case(E::EmptyDictionary{"A"}));
  EXPECT_EQ(refused({}, {{"C", {}}}), E::Case(E::EmptyDictionary{"C"}));
  EXPECT_EQ(refused({{"A", {a1, i1}}}, {{"C", {a1, {"a", "亜", 5, ""}, {"", "x", 1, ""}}}}),
            E::Case(E::Invalid{{{ValidationIssue::Level::error, "C",
                                 "a → 亜: 同じ語が品詞違いで 2つあります（名詞・人名）"},
                                {ValidationIssue::Level::error, "C",
                                 "よみか単語が空の語があります（よみ「」単語「x」）"}}}));
  try {
    MasterStore::save({}, {{"C", {a1, a1}}}, base, now);
  } catch (const MasterStoreError& error) {
    EXPECT_STREQ(error.what(), "C: a → 亜: 同じ語が 2つあります");
  }
  // Text that a master line cannot hold, in any field of a changed or new dictionary.
  for (const std::string bad : {"\t", "\r", "\n"}) {
    EXPECT_EQ(refused({{"A", {{"あ" + bad, "亜", 1, ""}}}}, {}),
              E::Case(E::UnwritableText{"A", "あ" + bad, "亜"}));
    EXPECT_EQ(refused({}, {{"C", {{"か", "蚊" + bad, 1, ""}}}}),
              E::Case(E::UnwritableText{"C", "か", "蚊" + bad}));
    EXPECT_EQ(refused({{"B", {i1}}, {"A", {{"か", "蚊", 1, "x" + bad}}}}, {}),
              E::Case(E::UnwritableText{"A", "か", "蚊"}));
  }
  // A reading that begins with U+FEFF would read back as a byte-order mark.
  EXPECT_EQ(refused({{"B", {{"\xEF\xBB\xBFい", "井", 1, ""}, i1}}}, {}),
            E::Case(E::UnwritableText{"B", "\xEF\xBB\xBFい", "井"}));
  EXPECT_STREQ(E(E::UnwritableText{"A", "か", "蚊"}).what(),
               "辞書「A」の語「か → 蚊」には、マスターのファイルに書けない文字（タブ、改行、"
               "よみの先頭の BOM）があるので保存できません");
  // Names that would make a file the readers never list.
  EXPECT_EQ(refused({}, {{"仕事/趣味", {u1}}}),
            E::Case(E::UnusableName{"仕事/趣味", "「/」「:」「\\」は使えません"}));
  EXPECT_EQ(refused({}, {{"../C", {u1}}}),
            E::Case(E::UnusableName{"../C", "「.」で始まる名前は使えません"}));
  EXPECT_EQ(refused({}, {{".C", {u1}}}),
            E::Case(E::UnusableName{".C", "「.」で始まる名前は使えません"}));
  EXPECT_STREQ(E(E::UnusableName{".C", "「.」で始まる名前は使えません"}).what(),
               "辞書「.C」を作れません（「.」で始まる名前は使えません）");
  // A warning alone does not stop a save.
  EXPECT_NO_THROW(MasterStore::save({}, {{"C", {a1}}}, base, now));
}

TEST_F(MasterStoreTest, ReadsBackEveryWrittenFile) {
  const MasterSnapshot base = MasterStore::load(master);
  // A code outside the table is written as 名詞 and so reads back differently.
  EXPECT_EQ(failureOf([&] {
              MasterStore::save({{"A", {{"x", "y", 99, ""}}}}, {}, base, now);
            }),
            MasterStoreError::Case(MasterStoreError::VerifyFailed{"A"}));
  EXPECT_EQ(platform::readFile(history / "20240303-090507-アプリ保存前" / "A.txt"),
            Master::text({a1}));
}

// Steps seen by the hook so far, and the step at which it fails.
int stepsSeen = 0;
int failAt = 0;
void diskFullAt(std::string_view step, const fs::path&) {
  if (step != "read" && ++stepsSeen == failAt) {
    throw fs::filesystem_error("disk full", std::make_error_code(std::errc::no_space_on_device));
  }
}
void crashAt(std::string_view step, const fs::path&) {
  if (step != "read" && ++stepsSeen == failAt) ::_exit(0);
}

// After a save that stopped anywhere, each dictionary file is whole: old or
// new. Whatever was replaced has its copy in the history folder.
void expectOldOrNew(const fs::path& master, const fs::path& history) {
  const std::map<std::string, std::pair<std::string, std::string>> expected{
      {"A.txt", {Master::text({a1}), Master::text({a1, u1})}},
      {"B.txt", {Master::text({i1}), Master::text({u1})}},
      {"C.txt", {"(none)", Master::text({i1})}}};
  bool anyNew = false;
  for (const auto& [file, versions] : expected) {
    const std::string now =
        fs::exists(master / file) ? platform::readFile(master / file) : std::string("(none)");
    EXPECT_TRUE(now == versions.first || now == versions.second) << file << ": " << now;
    anyNew = anyNew || (now == versions.second && file != "C.txt");
  }
  if (anyNew) {
    const fs::path copies = history / "20240303-090507-アプリ保存前";
    EXPECT_EQ(platform::readFile(copies / "A.txt"), Master::text({a1}));
    EXPECT_EQ(platform::readFile(copies / "B.txt"), Master::text({i1}));
  }
  EXPECT_NO_THROW(MasterStore::load(master));
}

TEST_F(MasterStoreTest, ASaveStoppedAtAnyStepLeavesEveryFileOldOrNew) {
  const Dictionaries changes{{"A", {a1, u1}}, {"B", {u1}}};
  const Dictionaries added{{"C", {i1}}};
  for (failAt = 1;; ++failAt) {
    TempDir run;
    const fs::path m = run / "cloud" / "マスター";
    put(m / "A.txt", Master::text({a1}));
    put(m / "B.txt", Master::text({i1}));
    const MasterSnapshot base = MasterStore::load(m);
    stepsSeen = 0;
    platform::setFileStepHook(diskFullAt);
    bool finished = false;
    try {
      MasterStore::save(changes, added, base, now);
      finished = true;
    } catch (const fs::filesystem_error&) {
    }
    platform::setFileStepHook(nullptr);
    SCOPED_TRACE("failing at step " + std::to_string(failAt));
    expectOldOrNew(m, run / "cloud" / "_履歴");
    if (finished) break;
  }
  EXPECT_GT(failAt, 20);  // 2 copies and 3 dictionaries, 5 steps each
}

TEST_F(MasterStoreTest, ASaveKilledAtAnyStepLeavesEveryFileOldOrNew) {
  for (failAt = 1; failAt <= 26; ++failAt) {
    TempDir run;
    const fs::path m = run / "cloud" / "マスター";
    put(m / "A.txt", Master::text({a1}));
    put(m / "B.txt", Master::text({i1}));
    const MasterSnapshot base = MasterStore::load(m);
    // A save that throws instead ends the child with 1.
    ASSERT_EQ(platform::waitForExit(forkChild([&] {
                stepsSeen = 0;
                platform::setFileStepHook(crashAt);
                MasterStore::save({{"A", {a1, u1}}, {"B", {u1}}}, {{"C", {i1}}}, base, now);
                return 0;
              })),
              0);
    SCOPED_TRACE("killed at step " + std::to_string(failAt));
    expectOldOrNew(m, run / "cloud" / "_履歴");
  }
}

TEST_F(MasterStoreTest, AFileSizeLimitFailsTheSaveWithTheOldFileWhole) {
  const MasterSnapshot base = MasterStore::load(master);
  std::vector<DictEntry> many;
  for (int i = 0; i < 2000; ++i) many.push_back({"よみ" + std::to_string(i), "語", 1, ""});
  EXPECT_EQ(platform::waitForExit(forkChild([&] {
              std::signal(SIGXFSZ, SIG_IGN);
              const rlimit limit{4096, 4096};
              ::setrlimit(RLIMIT_FSIZE, &limit);
              try {
                MasterStore::save({{"A", many}}, {}, base, now);
              } catch (const fs::filesystem_error&) {
                return 3;
              }
              return 0;
            })),
            3);
  EXPECT_EQ(platform::readFile(master / "A.txt"), Master::text({a1}));
  EXPECT_EQ(platform::readFile(history / "20240303-090507-アプリ保存前" / "A.txt"),
            Master::text({a1}));
  EXPECT_EQ(MasterStore::load(master), base);
}

TEST_F(MasterStoreTest, KeepsTheNewestHundredSaveBackupsAndTrashesTheRest) {
  for (int i = 0; i < 100; ++i) {
    fs::create_directories(history / (platform::stamp(now - std::chrono::hours(i + 1)) +
                                      std::string(MasterStore::historySuffix)));
  }
  const std::string oldest =
      platform::stamp(now - std::chrono::hours(100)) + std::string(MasterStore::historySuffix);
  fs::create_directories(history / "20000101-000000-辞書削除前");
  fs::create_directories(history / "メモ");

  MasterStore::save({{"A", {u1}}}, {}, MasterStore::load(master), now);
  int saves = 0;
  for (const auto& entry : fs::directory_iterator(history)) {
    saves += entry.path().filename().string().ends_with(MasterStore::historySuffix) ? 1 : 0;
  }
  EXPECT_EQ(saves, 100);
  EXPECT_FALSE(fs::exists(history / oldest));
  EXPECT_TRUE(fs::exists(dir / "data" / "Trash" / "files" / oldest));
  EXPECT_TRUE(fs::exists(history / "20000101-000000-辞書削除前"));
  EXPECT_TRUE(fs::exists(history / "メモ"));
}

// A cloud folder on another disk than the home folder: the old backups go to
// that disk's trash instead of staying for ever.
TEST_F(MasterStoreTest, PrunesHistoryOnAnotherFileSystemToo) {
  const fs::path other = dir / "other";
  const std::optional<int> kept = onSecondFilesystem(other, [&] {
    const fs::path cloudMaster = other / "マスター";
    put(cloudMaster / "A.txt", Master::text({a1}));
    for (int i = 0; i < 100; ++i) {
      fs::create_directories(other / "_履歴" /
                             (platform::stamp(now - std::chrono::hours(i + 1)) +
                              std::string(MasterStore::historySuffix)));
    }
    MasterStore::save({{"A", {u1}}}, {}, MasterStore::load(cloudMaster), now);
    return static_cast<int>(
        std::distance(fs::directory_iterator(other / "_履歴"), fs::directory_iterator()));
  });
  if (!kept) GTEST_SKIP() << "this system does not let the test mount a second file system";
  EXPECT_EQ(*kept, 100);
}

TEST_F(MasterStoreTest, DeletesADictionaryKeepingACopyAndRemembersIt) {
  MasterSnapshot base = MasterStore::load(master);
  base = MasterStore::deleteDictionary("A", base, now);
  EXPECT_EQ(base.dictionaries(), (std::vector<MasterDictionary>{{"B", {i1}}}));
  EXPECT_FALSE(fs::exists(master / "A.txt"));
  EXPECT_EQ(platform::readFile(history / "20240303-090507-辞書削除前" / "A.txt"),
            Master::text({a1}));
  EXPECT_EQ(platform::readFile(master / ".消した辞書"), "A\t20240303-090507\n");
  EXPECT_EQ(MasterStore::deletedDictionaries(master), std::set<std::string>{"A"});

  EXPECT_EQ(failureOf([&] { MasterStore::deleteDictionary("B", base, now); }),
            MasterStoreError::Case(MasterStoreError::LastDictionary{}));
  EXPECT_EQ(failureOf([&] { MasterStore::deleteDictionary("A", base, now); }),
            MasterStoreError::Case(MasterStoreError::UnknownDictionary{"A"}));
  EXPECT_TRUE(fs::exists(master / "B.txt"));

  // Created again, it is no longer on the list; an empty list is no file.
  base = MasterStore::save({}, {{"A", {u1}}}, base, now);
  EXPECT_TRUE(MasterStore::deletedDictionaries(master).empty());
  EXPECT_FALSE(fs::exists(master / ".消した辞書"));

  // Deleted again within the same second: the first copy stays, and the
  // second is kept beside it instead of being lost.
  MasterStore::deleteDictionary("A", base, now);
  EXPECT_EQ(platform::readFile(history / "20240303-090507-辞書削除前" / "A.txt"),
            Master::text({a1}));
  EXPECT_EQ(platform::readFile(history / "20240303-090507-辞書削除前" / "A (2).txt"),
            Master::text({u1}));
}

TEST_F(MasterStoreTest, ReadsTheDeletedListLeniently) {
  EXPECT_TRUE(MasterStore::deletedDictionaries(master).empty());
  put(master / ".消した辞書",
      "\n" + decomposedGa + "\t20240101-000000\textra\n\tstamp only\nname only\n\nC\t\n");
  EXPECT_EQ(MasterStore::deletedDictionaries(master),
            (std::set<std::string>{"ガ", "name only", "C"}));
  // Forgetting works across normalisation forms and keeps the others.
  MasterStore::save({}, {{decomposedGa, {a1}}}, MasterStore::load(master), now);
  EXPECT_EQ(platform::readFile(master / ".消した辞書"), "name only\t\nC\t\n");
  put(master / ".消した辞書", "\xFF\n");
  EXPECT_TRUE(MasterStore::deletedDictionaries(master).empty());
}

// A name taken from this computer's dictionary file comes in the form the IME stored it in. Under
// its decomposed form the file would stand beside the one another computer makes under the
// composed form: two files of one dictionary, which stop every reflect.
TEST_F(MasterStoreTest, ANewDictionaryIsWrittenUnderItsComposedName) {
  const MasterSnapshot saved =
      MasterStore::save({}, {{decomposedGa, {u1}}}, MasterStore::load(master), now);
  EXPECT_TRUE(fs::exists(master / "ガ.txt"));
  EXPECT_FALSE(fs::exists(master / (decomposedGa + ".txt")));
  ASSERT_NE(saved.file("ガ"), nullptr);
  EXPECT_EQ(saved.file("ガ")->fileName, "ガ.txt");
  EXPECT_EQ(saved.file("ガ")->entries, std::vector<DictEntry>{u1});
}

// Other computers and older versions write the list too: a deletion keeps
// what it cannot read, and never replaces a list it cannot open.
TEST_F(MasterStoreTest, ChangesToTheDeletedListKeepWhatTheyCannotRead) {
  const std::string unreadable = "\xFF\xFE\t20230102-000000\n";
  put(master / ".消した辞書", "X\t20230101-000000\n" + unreadable);
  MasterSnapshot base = MasterStore::deleteDictionary("A", MasterStore::load(master), now);
  EXPECT_EQ(platform::readFile(master / ".消した辞書"),
            "X\t20230101-000000\n" + unreadable + "A\t20240303-090507\n");
  EXPECT_EQ(MasterStore::deletedDictionaries(master), (std::set<std::string>{"X", "A"}));
  base = MasterStore::save({}, {{"X", {u1}}, {"A", {a1}}}, base, now);
  EXPECT_EQ(platform::readFile(master / ".消した辞書"), unreadable);

  fs::remove(master / ".消した辞書");
  fs::create_symlink(".消した辞書", master / ".消した辞書");
  EXPECT_THROW(MasterStore::deleteDictionary("A", base, now), fs::filesystem_error);
  EXPECT_TRUE(fs::exists(master / "A.txt"));
  EXPECT_TRUE(fs::is_symlink(master / ".消した辞書"));
}

// A file name that is not UTF-8 or holds control characters cannot name a
// dictionary of Mozc's: every save stops on it until the file is renamed or
// deleted, and deleting it leaves no line the list could not hold.
TEST_F(MasterStoreTest, AFileNameMozcCannotHoldStopsSavesUntilItGoes) {
  for (const std::string name : {"bad\xFF", "tab\there", "line\nend"}) {
    put(master / (name + ".txt"), Master::text({u1}));
    MasterSnapshot base = MasterStore::load(master);
    const auto before = tree(dir.path());
    const MasterStoreError::Case refused = failureOf([&] {
      MasterStore::save({{"A", {a1, u1}}}, {}, base, now);
    });
    ASSERT_TRUE(std::holds_alternative<MasterStoreError::Invalid>(refused)) << name;
    EXPECT_EQ(std::get<MasterStoreError::Invalid>(refused).issues.at(0).dictionary,
              platform::printable(name));
    EXPECT_EQ(tree(dir.path()), before);

    base = MasterStore::deleteDictionary(name, base, now);
    EXPECT_FALSE(fs::exists(master / ".消した辞書")) << name;
    EXPECT_NO_THROW(MasterStore::save({{"A", {a1, u1}}}, {}, base, now));
    put(master / "A.txt", Master::text({a1}));
  }
}

TEST(MasterStoreNames, ExplainsWhyANameCannotBeUsed) {
  using MasterStore::nameProblem;
  EXPECT_EQ(nameProblem("  ", {}), "名前を入力してください");
  EXPECT_EQ(nameProblem("\u3000\t", {}), "名前を入力してください");
  EXPECT_EQ(nameProblem(" 人名", {"地名"}), std::nullopt);
  EXPECT_EQ(nameProblem(".隠し", {}), "「.」で始まる名前は使えません");
  for (const std::string bad : {"a/b", "a:b", "a\\b", "a\tb", "a\nb"}) {
    EXPECT_EQ(nameProblem(bad, {}), "「/」「:」「\\」は使えません") << bad;
  }
  EXPECT_EQ(nameProblem("人名 競合コピー", {}),
            "この名前は、同期のときにできる競合コピーと見分けがつかないので使えません");
  EXPECT_EQ(nameProblem(decomposedGa, {"ガ"}), "辞書「ガ」はすでにあります");
  EXPECT_EQ(nameProblem("ガ ", {decomposedGa}), "辞書「ガ」はすでにあります");
  EXPECT_EQ(nameProblem("abc", {"ABC"}), std::nullopt);
}

}  // namespace
