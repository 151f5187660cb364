#include "background/background_run.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "platform/files.h"
#include "recording_sink.h"
#include "sync/reflect_fixture.h"

namespace {

namespace fs = std::filesystem;

const std::string notConfigured =
    "反映できませんでした: 同期に使うフォルダが未設定です。アプリを開いて設定してください";

class Headless : public ReflectFixture {
 protected:
  // Dictionary and master hold the same ten words, and a reflect recorded them.
  void settle() {
    writeMaster("仕事", words("語", 10));
    writeDictionary(file({{"仕事", words("語", 10)}}));
    reflect();
    ASSERT_TRUE(sink.bodies.empty());
  }

  void keepFirst(int count) const {
    Words all = words("語", 10);
    all.resize(static_cast<std::size_t>(count));
    writeMaster("仕事", all);
  }

  void reflect() { BackgroundRun::reflect(syncer(), sink); }
  void reflect(const Syncer& with) { BackgroundRun::reflect(with, sink); }

  std::optional<std::string> notice() const {
    const fs::path file = BackgroundRun::noticeFile({master, dictionary, state});
    if (!fs::exists(file)) return std::nullopt;
    return platform::readFile(file);
  }

  RecordingSink sink;
};

TEST_F(Headless, AnOpenToolLeavesTheNoticeAlone) {
  settle();
  keepFirst(4);
  reflect();
  Syncer toolOpen = syncer();
  toolOpen.ime.toolProbe = {"true", {}};
  reflect(toolOpen);
  EXPECT_EQ(notice(), "big:語が 10 から 4 に減ります");
  // The same stop after the tool closed is not news.
  reflect();
  EXPECT_EQ(sink.bodies.size(), 1u);
}

TEST_F(Headless, ErrorsAreNotifiedWithTheirDescription) {
  Syncer unconfigured = syncer();
  unconfigured.paths.master = SyncPaths::unconfigured(state);
  reflect(unconfigured);
  reflect(unconfigured);
  EXPECT_EQ(sink.bodies, std::vector<std::string>{notConfigured});
  EXPECT_EQ(notice(), "error:同期に使うフォルダが未設定です。アプリを開いて設定してください");

  writeMaster("仕事", words("語", 2));
  reflect();  // the IME is installed, its dictionary not yet made
  Syncer noIme = syncer();
  noIme.ime.installLocations = {(dir / "nowhere").string()};
  reflect(noIme);
  EXPECT_EQ(sink.bodies,
            (std::vector<std::string>{notConfigured,
                                      "反映できませんでした: Mozc のユーザー辞書がまだありません。"
                                      "辞書ツールで語を1つ登録してから、もう一度お試しください",
                                      "反映できませんでした: Mozc が見つかりません。"
                                      "インストールしてから、もう一度お試しください"}));
}

TEST_F(Headless, MasterProblemsAreKeyedByAllTheirLines) {
  writeDictionary(file({{"仕事", {}}}));
  writeMaster("仕事", {{"", "語0", 1, ""}});
  reflect();
  reflect();
  EXPECT_EQ(notice(), "master:仕事: よみか単語が空の語があります（よみ「」単語「語0」）");
  writeMaster("仕事", {{"", "語0", 1, ""}, {"よみ", "", 1, ""}});
  reflect();
  EXPECT_EQ(notice(),
            "master:仕事: よみか単語が空の語があります（よみ「」単語「語0」）|"
            "仕事: よみか単語が空の語があります（よみ「よみ」単語「」）");
  EXPECT_EQ(sink.bodies, std::vector<std::string>(2,
                                                  "マスターに問題があるので、反映を停止しています。"
                                                  "アプリを開いて確認してください"));
}

TEST_F(Headless, DirectEditsCountWordsNotDictionaries) {
  settle();
  Words edited = words("語", 10);
  edited.erase(edited.begin());                   // removed
  edited[0].comment = "メモ";                     // changed
  edited.push_back({"あたらしい", "新", 1, ""});  // added
  writeDictionary(file({{"仕事", edited}, {"空の辞書", {}}}));
  reflect();
  EXPECT_EQ(sink.bodies,
            std::vector<std::string>{"このパソコンで直接変更した語が 3語あります。"
                                     "アプリを開いて、取り込むか破棄するかを選択してください"});
  ASSERT_TRUE(notice().has_value());
  EXPECT_TRUE(notice()->starts_with("local:"));
}

TEST_F(Headless, WordsTheImeWillNotOfferAreNotifiedOncePerSituation) {
  settle();
  Words master = words("語", 10);
  master.push_back({"漢字", "感じ", 1, ""});
  writeMaster("仕事", master);
  reflect();
  reflect();
  EXPECT_EQ(notice(),
            "ignored:仕事: 11行目 漢字 → 感じ: Mozc "
            "では使われません（よみに使えない文字「漢」があります）");
  master.push_back({"よみ 10", "空白", 1, ""});
  writeMaster("仕事", master);
  reflect();
  // A stop is its own news, and a reflect without such words forgets the last notice.
  writeDictionary(file({{"仕事", words("語", 3)}}));
  reflect();
  writeDictionary(file({{"仕事", master}}));
  reflect();
  reflect();
  master[10].reading = "かんじ";
  master[11].reading = "よみ10";
  writeMaster("仕事", master);
  reflect();
  EXPECT_EQ(notice(), std::nullopt);
  EXPECT_EQ(sink.bodies,
            (std::vector<std::string>{
                "マスターに Mozc が使わない語が 1語あります（「仕事.txt」の 11行目）。"
                "アプリを開いて確認してください",
                "マスターに Mozc が使わない語が 2語あります（「仕事.txt」の 11行目など）。"
                "アプリを開いて確認してください",
                "このパソコンで直接変更した語が 9語あります。"
                "アプリを開いて、取り込むか破棄するかを選択してください",
                "マスターに Mozc が使わない語が 2語あります（「仕事.txt」の 11行目など）。"
                "アプリを開いて確認してください"}));
}

// A run that trusts its record settles the notices as a full check finding
// the dictionary up to date would: the words the IME ignores are neither told
// again nor forgotten, and a stop resolved in the application meanwhile (which
// tells no notice) is forgotten.
TEST_F(Headless, ARunThatReadsNothingSettlesTheNoticesAsAFullCheckWould) {
  settle();
  Words master = words("語", 10);
  master.push_back({"漢字", "感じ", 1, ""});
  writeMaster("仕事", master);
  reflect();
  reflect();
  ageFingerprint();
  const std::optional<std::string> ignored = notice();
  ASSERT_TRUE(ignored.has_value());
  EXPECT_TRUE(ignored->starts_with("ignored:"));
  countWordReads();
  reflect();
  reflect();
  EXPECT_EQ(wordReads(), 0);
  EXPECT_EQ(notice(), ignored);
  EXPECT_EQ(sink.bodies.size(), 1u);

  keepFirst(4);
  reflect();
  EXPECT_EQ(notice(), "big:語が 11 から 4 に減ります");
  ASSERT_TRUE(
      std::holds_alternative<ApplyResult::Applied>(syncer().apply({.allowBigChange = true}).value));
  ageFingerprint();
  countWordReads();
  reflect();
  EXPECT_EQ(wordReads(), 0);
  EXPECT_EQ(notice(), std::nullopt);
  EXPECT_EQ(sink.bodies.size(), 2u);
}

TEST_F(Headless, ADryRunListsTheWordsTheImeWillNotOffer) {
  settle();
  Words master = words("語", 10);
  master.push_back({"漢字", "感じ", 1, ""});
  writeMaster("仕事", master);
  std::ostringstream out;
  BackgroundRun::dryRun(syncer(), out);
  EXPECT_TRUE(out.str().ends_with(
      "ただし、Mozc が使わない語が 1語あります\n"
      "仕事: 11行目 漢字 → 感じ: Mozc では使われません（よみに使えない文字「漢」があります）\n"))
      << out.str();
  EXPECT_TRUE(sink.bodies.empty());
  EXPECT_EQ(notice(), std::nullopt);
}

TEST(LocalEditsKey, ChangesWithEveryFieldOfEveryDiff) {
  DictionaryDiff base;
  base.name = "仕事";
  base.added = {{"あ", "亜", 1, ""}};
  base.removed = {{"い", "伊", 2, "c"}};
  base.changed = {{{"う", "宇", 1, ""}, {"う", "宇", 1, "new"}}};
  DictionaryDiff second;
  second.name = "二";
  const std::vector<DictionaryDiff> diffs = {base, second};
  const std::string key = BackgroundRun::localEditsKey(diffs);
  EXPECT_EQ(key, BackgroundRun::localEditsKey(diffs));
  EXPECT_TRUE(key.starts_with("local:"));

  std::vector<std::vector<DictionaryDiff>> variants;
  const auto vary = [&](auto change) {
    std::vector<DictionaryDiff> copy = diffs;
    change(copy);
    variants.push_back(copy);
  };
  vary([](auto& d) { d[0].name = "仕事 "; });
  vary([](auto& d) { d[0].added[0].reading = "ああ"; });
  vary([](auto& d) { d[0].added[0].word = "亜亜"; });
  vary([](auto& d) { d[0].added[0].posCode = 2; });
  vary([](auto& d) { d[0].added[0].comment = "x"; });
  vary([](auto& d) { d[0].removed[0].comment = ""; });
  vary([](auto& d) { d[0].changed[0].old.comment = "old"; });
  vary([](auto& d) { d[0].changed[0].new_.posCode = 3; });
  vary([](auto& d) { d[0].dictionaryAdded = true; });
  vary([](auto& d) { d[1].dictionaryRemoved = true; });
  vary([](auto& d) { std::swap(d[0], d[1]); });
  // Moving an entry between lists keeps the texts but not the meaning.
  vary([](auto& d) { std::swap(d[0].added, d[0].removed); });
  vary([](auto& d) { d[0].added.push_back(d[0].added[0]); });
  vary([](auto& d) { d.pop_back(); });
  // Separators inside texts must not make two renderings meet.
  vary([](auto& d) { d[0].added[0] = {"あ\",\"亜", "", 1, ""}; });

  std::set<std::string> keys = {key};
  for (const auto& variant : variants) keys.insert(BackgroundRun::localEditsKey(variant));
  EXPECT_EQ(keys.size(), variants.size() + 1);
}

TEST_F(Headless, ADryRunThatFailsPrintsTheDescription) {
  Syncer unconfigured = syncer();
  unconfigured.paths.master = SyncPaths::unconfigured(state);
  std::ostringstream out;
  BackgroundRun::dryRun(unconfigured, out);
  EXPECT_EQ(
      out.str(),
      "反映できませんでした\n同期に使うフォルダが未設定です。アプリを開いて設定してください\n");
  EXPECT_TRUE(sink.bodies.empty());
}

// The service manager drops a trigger that comes while the run is under way.
// A change made during the run (here by the converter reload, the run's last
// step) is reflected or told by running again, and only the outcome of the
// last run is told.
TEST_F(Headless, AChangeMadeDuringTheRunIsPickedUpByRunningAgain) {
  Words withNewWord = words("語", 11);
  Words editedInTheTool = withNewWord;
  editedInTheTool.push_back({"ちょくせつ", "直接", 1, ""});
  struct Case {
    std::string name;
    fs::path changed;
    std::string bytes;
    std::vector<std::pair<std::string, Words>> dictionary;
    std::vector<std::string> bodies;
  };
  const std::vector<Case> cases = {
      {"the master grows",
       master / u8("仕事.txt"),
       Master::text(words("語", 12)),
       {{"仕事", words("語", 12)}},
       {}},
      {"a word saved in the IME's tool",
       dictionary,
       file({{"仕事", editedInTheTool}}).serialized(),
       {{"仕事", editedInTheTool}},
       {"このパソコンで直接変更した語が 1語あります。"
        "アプリを開いて、取り込むか破棄するかを選択してください"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sink.bodies.clear();
    fs::remove_all(state);
    settle();
    writeMaster("仕事", withNewWord);
    platform::writeAtomically(dir / "change", c.bytes);
    const fs::path marker = dir / "changed-once";
    fs::remove(marker);
    Syncer s = syncer();
    s.ime.reload = {"/bin/sh",
                    {"-c", "[ -e \"$1\" ] || { touch \"$1\"; cp \"$2\" \"$3\"; }", "sh",
                     marker.string(), (dir / "change").string(), c.changed.string()}};
    reflect(s);
    EXPECT_EQ(dictionaryContent(), c.dictionary);
    EXPECT_EQ(sink.bodies, c.bodies);
  }
}

TEST_F(Headless, AFolderThatNeverSettlesEndsTheRunsAfterAFew) {
  settle();
  const fs::path log = dir / "probes";
  Syncer s = syncer();
  // Every run, the tool probe touches the master before it is read.
  s.ime.toolProbe = {"/bin/sh",
                     {"-c", "echo >> \"$1\"; touch \"$2\"; exit 1", "sh", log.string(),
                      (master / u8("仕事.txt")).string()}};
  reflect(s);
  const std::string probes = platform::readFile(log);
  const auto runs = std::count(probes.begin(), probes.end(), '\n');
  EXPECT_GT(runs, 1);
  EXPECT_LE(runs, 5);
  EXPECT_TRUE(sink.bodies.empty());
}

// Runs as another user leave Mozc's lock file unopenable: every run fails the
// same way, which the user hears of once.
TEST_F(Headless, AnImeLockFileThatCannotBeOpenedIsNotifiedOnce) {
  settle();
  keepFirst(9);
  const fs::path lockFile = dictionary.parent_path() / ".user_dictionary.db.lock";
  fs::remove(lockFile);
  fs::create_symlink(lockFile.filename(), lockFile);
  reflect();
  reflect();
  EXPECT_EQ(sink.bodies, std::vector<std::string>{
                             "反映できませんでした: Mozc の辞書のロックファイルを開けないため、"
                             "書き込めません（持ち主か権限が違う可能性があります）: " +
                             lockFile.string()});
}

TEST_F(Headless, ADryRunLeavesNoTraceEvenOfTheLock) {
  writeMaster("仕事", words("語", 3));
  writeDictionary(file({{"仕事", words("語", 3)}}));
  std::ostringstream out;
  BackgroundRun::dryRun(syncer(), out);
  EXPECT_EQ(out.str(), "マスターどおりです\n");
  EXPECT_FALSE(fs::exists(state));
  fs::create_directories(state);
  BackgroundRun::dryRun(syncer(), out);
  EXPECT_TRUE(fs::is_empty(state));
  EXPECT_FALSE(fs::exists(dictionary.parent_path() / ".user_dictionary.db.lock"));
}

}  // namespace
