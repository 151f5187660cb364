#include "master/master_format.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <deque>
#include <random>

#include "master/master_error.h"
#include "master/master_store.h"
#include "master/master_store_error.h"
#include "master_test_support.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::string parseFailure(std::string_view text, std::string_view file = "人名.txt") {
  try {
    Master::parse(text, file);
  } catch (const MasterError& error) {
    return error.what();
  }
  return "(parsed)";
}

TEST(MasterParse, ReadsColumnsAsTheyAreAndKeepsOrder) {
  EXPECT_TRUE(Master::parse("", "a.txt").empty());
  const std::vector<DictEntry> expected{{"あ", "亜", 1, ""}, {" い", "胃 ", 5, "コメント"}};
  EXPECT_EQ(Master::parse("あ\t亜\t名詞\r\n い\t胃 \t人名\tコメント", "a.txt"), expected);
  EXPECT_EQ(Master::parse("あ\t亜\t名詞\t\n い\t胃 \t人名\tコメント\n", "a.txt"), expected);
  // Empty readings are validation's business, not the reader's.
  EXPECT_EQ(Master::parse("\t\t記号\t\n", "a.txt"), (std::vector<DictEntry>{{"", "", 14, ""}}));
  // A part of speech in another normalisation form is still the table's name.
  EXPECT_EQ(Master::parse("か\t蚊\t動詞" + decomposedGa + "行五段\n", "a.txt").at(0).posCode, 32);
  // Only a final CR is a line ending; one inside a column is text.
  EXPECT_EQ(Master::parse("あ\r\t亜\t名詞\t\r\r\n", "a.txt").at(0),
            (DictEntry{"あ\r", "亜", 1, "\r"}));
}

TEST(MasterParse, RefusesTheFirstBadLineWithItsNumberAndReason) {
  EXPECT_EQ(parseFailure("\n"),
            "マスター「人名.txt」の 1行目: 項目の数が 1 です（よみ・単語・品詞・コメントの 4つ）");
  std::string text;
  for (int i = 0; i < 11; ++i) text += "あ\t亜\t名詞\t\n";
  EXPECT_EQ(parseFailure(text + "あ\t亜\n"),
            "マスター「人名.txt」の 12行目: 項目の数が 2 です（よみ・単語・品詞・コメントの 4つ）");
  EXPECT_EQ(parseFailure("あ\t亜\t名詞\tコメ\tント\n"),
            "マスター「人名.txt」の 1行目: 項目の数が 5 です（よみ・単語・品詞・コメントの 4つ）");
  EXPECT_EQ(parseFailure("あ\t亜\t名詞\n\nい\t胃\t名詞\n"),
            "マスター「人名.txt」の 2行目: 項目の数が 1 です（よみ・単語・品詞・コメントの 4つ）");
  EXPECT_EQ(parseFailure("あ\t亜\tnoun\n"),
            "マスター「人名.txt」の 1行目: 品詞「noun」は Mozc の品詞にありません");
  EXPECT_EQ(parseFailure("あ\t亜\t名詞\nい\t胃\t1\n"),
            "マスター「人名.txt」の 2行目: 品詞「1」は Mozc の品詞にありません");
  EXPECT_EQ(parseFailure("あ\t亜\t名詞 \n"),
            "マスター「人名.txt」の 1行目: 品詞「名詞 」は Mozc の品詞にありません");
  // Old Mac line ends make the file one long line; that is what is wrong with it.
  const std::string crOnly =
      "マスター「人名.txt」の 1行目: 行末が CR だけです（行末は LF か CR LF にしてください）";
  EXPECT_EQ(parseFailure("あ\t亜\t名詞\rい\t胃\t名詞\r"), crOnly);
  EXPECT_EQ(parseFailure("あ\t亜\t名詞\t\rい\t胃\t名詞\t\r"), crOnly);
  EXPECT_EQ(parseFailure("あ\t亜\tnoun\r\n"),
            "マスター「人名.txt」の 1行目: 品詞「noun」は Mozc の品詞にありません");
  try {
    Master::parse("あ\t亜\n", "x.txt");
    FAIL();
  } catch (const MasterError& error) {
    EXPECT_EQ(error.errorCase(),
              MasterError::Case(MasterError::BadLine{
                  "x.txt", 1, "項目の数が 2 です（よみ・単語・品詞・コメントの 4つ）"}));
  }
}

// The reflect reads the master straight into the IME file's encoding: every
// text must give the words parse gives, or fail as parse fails, and the
// words must outlive a move of what holds their bytes.
TEST(MasterParse, EncodingReadsWhatParseReads) {
  std::string many;
  for (int i = 0; i < 300; ++i) many += "a\tb\t名詞\n";
  const std::string texts[] = {
      "",
      "あ\t亜\t名詞\r\n い\t胃 \t人名\tコメント",
      "\t\t記号\t\n",
      "か\t蚊\t動詞" + decomposedGa + "行五段\n",
      "あ\r\t亜\t名詞\t\r\r\n",
      many,
      std::string(127, 'r') + "\t" + std::string(128, 'w') + "\t名詞\t" + std::string(16384, 'c'),
      "あ\t亜\n",
      "あ\t亜\t名詞\nい\t胃\t1\n",
      "あ\t亜\t名詞\rい\t胃\t名詞\r",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.substr(0, 40));
    std::vector<DictEntry> parsed;
    std::string parseError;
    try {
      parsed = Master::parse(text, "人名.txt");
    } catch (const MasterError& error) {
      parseError = error.what();
    }
    EncodedMaster master;
    try {
      master.add("人名", text, "人名.txt");
    } catch (const MasterError& error) {
      EXPECT_EQ(error.what(), parseError);
      continue;
    }
    ASSERT_EQ(parseError, "");
    const EncodedMaster moved = std::move(master);
    ASSERT_EQ(moved.dictionaries.size(), 1u);
    std::vector<DictEntry> decoded;
    for (const std::string_view message : moved.dictionaries[0].entries) {
      decoded.push_back(EncodedUserDictionaryFile::entry(message).owned());
    }
    EXPECT_EQ(decoded, parsed);
    EXPECT_EQ(Master::text(decoded), Master::text(parsed));
  }
}

TEST(MasterText, WritesFourColumnsAndReadsBackWhatItWrote) {
  EXPECT_EQ(Master::text({}), "");
  EXPECT_EQ(Master::text({{"あ", "亜", 1, ""}, {"い", "胃", 99, "c"}, {"う", "宇", 44, ""}}),
            "あ\t亜\t名詞\t\nい\t胃\t名詞\tc\nう\t宇\t抑制単語\t\n");

  // Any text without TAB, LF or a final CR survives the round trip.
  std::mt19937 random(7);
  const std::vector<std::string> pieces{"あ", "ア",           "亜",         "a",  " ",
                                        "\r", "\xEF\xBB\xBF", decomposedGa, "、", "🙂"};
  const auto text = [&](std::size_t most) {
    std::string out;
    for (std::size_t n = random() % (most + 1); n > 0; --n) out += pieces[random() % pieces.size()];
    return out;
  };
  for (int round = 0; round < 200; ++round) {
    std::vector<DictEntry> entries;
    for (std::size_t n = random() % 6; n > 0; --n) {
      std::string comment = text(4);
      if (comment.ends_with('\r')) comment += "x";
      entries.push_back({text(4), text(4), static_cast<std::int64_t>(1 + random() % 44), comment});
    }
    ASSERT_EQ(Master::parse(Master::text(entries), "a.txt"), entries);
  }
}

TEST(MasterNames, RecognisesConflictCopiesExactly) {
  EXPECT_TRUE(Master::isConflictCopy("e 競合コピー.txt"));
  EXPECT_TRUE(Master::isConflictCopy("f (conflicted copy 2024-01-01).txt"));
  EXPECT_TRUE(Master::isConflictCopy("g のコンフリクト.txt"));
  EXPECT_TRUE(Master::isConflictCopy("人名.sync-conflict-20261201-101010-ABCDEFG.txt"));
  EXPECT_FALSE(Master::isConflictCopy("sync-conflict.txt"));
  EXPECT_FALSE(Master::isConflictCopy("h (Conflicted Copy).txt"));
  EXPECT_FALSE(Master::isConflictCopy("人名.txt"));
  EXPECT_EQ(Master::normalized("カ\xE3\x82\x99"), "ガ");
}

class MasterFolder : public ::testing::Test {
 protected:
  fs::path master() const { return dir / "マスター"; }
  void file(const std::string& name, std::string_view bytes) { put(master() / name, bytes); }
  TempDir dir;
};

TEST_F(MasterFolder, BothReadersTakeOnlyDictionaryFilesInCodePointOrder) {
  file("c.txt", "か\t蚊\t名詞\t\n");
  file("a.txt", "あ\t亜\t名詞\t\n");
  file(".b.txt", "x");
  file("c.TXT", "x");
  file("d.txt.bak", "x");
  file("e 競合コピー.txt", "x");
  file("f (conflicted copy 2024-01-01).txt", "");
  file("g のコンフリクト.txt", "x");
  file(".消した辞書", "x\t20240101-000000\n");
  fs::create_directories(master() / "sub.txt");
  // Stored decomposed, as some systems name files; read and named in NFC.
  file(decomposedGa + ".txt", "が\t蛾\t名詞\t\n");

  const Master::Loaded loaded = Master::load(master());
  const std::vector<MasterDictionary> dictionaries{
      {"a", {{"あ", "亜", 1, ""}}}, {"c", {{"か", "蚊", 1, ""}}}, {"ガ", {{"が", "蛾", 1, ""}}}};
  EXPECT_EQ(loaded.dictionaries, dictionaries);
  const std::vector<std::string> conflicts{"e 競合コピー.txt", "f (conflicted copy 2024-01-01).txt",
                                           "g のコンフリクト.txt"};
  EXPECT_EQ(loaded.conflictCopies, conflicts);

  const MasterSnapshot snapshot = MasterStore::load(master());
  EXPECT_EQ(snapshot.dir, master());
  EXPECT_EQ(snapshot.dictionaries(), dictionaries);
  EXPECT_EQ(snapshot.conflictCopies, conflicts);
  ASSERT_EQ(snapshot.files.size(), 3u);
  EXPECT_EQ(snapshot.files[0].raw, "あ\t亜\t名詞\t\n");
  EXPECT_EQ(snapshot.files[2].name, "ガ");
  EXPECT_EQ(snapshot.files[2].fileName, decomposedGa + ".txt");
  EXPECT_EQ(snapshot.file(decomposedGa), &snapshot.files[2]);
  EXPECT_EQ(snapshot.file("b"), nullptr);
}

TEST_F(MasterFolder, ZeroByteFilesStopOnlyTheStoreReaderAndOnlyAfterTheRest) {
  file("a.txt", "");
  file("b.txt", "あ\t亜\t名詞\t\n");
  file("c.txt", "");
  EXPECT_EQ(Master::load(master()).dictionaries,
            (std::vector<MasterDictionary>{{"a", {}}, {"b", {{"あ", "亜", 1, ""}}}, {"c", {}}}));
  try {
    MasterStore::load(master());
    FAIL();
  } catch (const MasterStoreError& error) {
    EXPECT_EQ(error.errorCase(),
              MasterStoreError::Case(MasterStoreError::ZeroByte{{"a.txt", "c.txt"}}));
    EXPECT_STREQ(error.what(),
                 "マスターに 0 "
                 "バイトのファイルがあります（クラウドとの同期が終わっていない可能性があります）"
                 ": a.txt、c.txt");
  }
  // A bad line is reported at once, even after an empty file.
  file("d.txt", "あ\n");
  EXPECT_THROW(MasterStore::load(master()), MasterError);
}

TEST_F(MasterFolder, ReportsAMissingFolderAndUnreadableText) {
  try {
    MasterStore::load(dir / "none");
    FAIL();
  } catch (const MasterError& error) {
    EXPECT_EQ(error.what(), "マスターのフォルダが見つかりません: " + (dir / "none").string());
  }
  EXPECT_THROW(Master::load(dir / "none"), MasterError);

  // The line that holds the first bad byte, so that the user can find it.
  file("a.txt", "あ\t亜\t名詞\t\nい\t胃\t名詞\t\nう\t\xE3\x81\t名詞\t\n");
  for (const auto& read : {+[](const fs::path& p) { Master::load(p); },
                           +[](const fs::path& p) { MasterStore::load(p); }}) {
    try {
      read(master());
      FAIL();
    } catch (const MasterError& error) {
      EXPECT_STREQ(error.what(), "マスター「a.txt」の 3行目: UTF-8 として読めません");
    }
  }
}

// Reading a FIFO would wait for a writer for ever; a device holds no words.
TEST_F(MasterFolder, AFifoOrADeviceIsNotARegularFile) {
  file("a.txt", "あ\t亜\t名詞\t\n");
  ASSERT_EQ(::mkfifo((master() / "b.txt").c_str(), 0600), 0);
  const auto readers = {+[](const fs::path& p) { Master::load(p); },
                        +[](const fs::path& p) { MasterStore::load(p); }};
  for (const auto& read : readers) {
    try {
      read(master());
      FAIL();
    } catch (const MasterError& error) {
      EXPECT_STREQ(error.what(),
                   "マスター「b.txt」は通常のファイルではないので、辞書として読めません");
    }
  }
  fs::remove(master() / "b.txt");
  fs::create_symlink("/dev/null", master() / "c.txt");
  for (const auto& read : readers) EXPECT_THROW(read(master()), MasterError);
  // A link to a dictionary file is a dictionary file.
  fs::remove(master() / "c.txt");
  file("d.data", "か\t蚊\t名詞\t\n");
  fs::create_symlink(master() / "d.data", master() / "d.txt");
  EXPECT_EQ(Master::load(master()).dictionaries.size(), 2u);
}

TEST_F(MasterFolder, DropsAByteOrderMarkButKeepsTheRawBytes) {
  file("a.txt", "\xEF\xBB\xBFあ\t亜\t名詞\t\n");
  const std::vector<DictEntry> entries{{"あ", "亜", 1, ""}};
  EXPECT_EQ(Master::load(master()).dictionaries.at(0).entries, entries);
  const MasterSnapshot snapshot = MasterStore::load(master());
  EXPECT_EQ(snapshot.files.at(0).entries, entries);
  EXPECT_EQ(snapshot.files.at(0).raw, "\xEF\xBB\xBFあ\t亜\t名詞\t\n");
}

// Hands out the given ids, then counts up from 1000.
Master::RandomId idsFrom(std::deque<std::uint64_t> ids) {
  auto queue = std::make_shared<std::deque<std::uint64_t>>(std::move(ids));
  auto next = std::make_shared<std::uint64_t>(1000);
  return [queue, next] {
    if (queue->empty()) return (*next)++;
    const std::uint64_t id = queue->front();
    queue->pop_front();
    return id;
  };
}

TEST(MasterBuild, KeepsKnownDictionariesAndGivesNewOnesUnusedIds) {
  const std::vector<MasterDictionary> master{{"人名", {{"あ", "亜", 5, ""}}}, {"地名", {}}};
  const UserDictionaryFile fresh = Master::build(master, nullptr);
  EXPECT_FALSE(fresh.version.has_value());
  ASSERT_EQ(fresh.dictionaries.size(), 2u);
  for (const UserDictionary& d : fresh.dictionaries) {
    EXPECT_GE(d.id, 1u);
    EXPECT_LE(d.id, 9223372036854775807u);
    EXPECT_TRUE(d.enabled);
  }
  EXPECT_NE(fresh.dictionaries[0].id, fresh.dictionaries[1].id);
  EXPECT_EQ(fresh.dictionaries[0].entries, master[0].entries);

  UserDictionaryFile current;
  current.version = 3;
  current.dictionaries = {{7, false, "人名", {{"い", "胃", 1, ""}}}, {8, true, "古い", {}}};
  const UserDictionaryFile built = Master::build(master, &current, idsFrom({7, 8, 9}));
  UserDictionaryFile expected;
  expected.version = 3;
  expected.dictionaries = {{7, false, "人名", master[0].entries}, {9, true, "地名", {}}};
  EXPECT_EQ(built, expected);
}

TEST(MasterBuild, MatchesNamesByNormalFormAndTakesEachCurrentDictionaryOnce) {
  UserDictionaryFile current;
  current.dictionaries = {{7, false, decomposedGa, {}}};
  const std::vector<MasterDictionary> master{{"ガ", {}}, {decomposedGa, {}}};
  const UserDictionaryFile built = Master::build(master, &current, idsFrom({}));
  ASSERT_EQ(built.dictionaries.size(), 2u);
  EXPECT_EQ(built.dictionaries[0].id, 7u);
  EXPECT_EQ(built.dictionaries[0].name, decomposedGa);
  EXPECT_EQ(built.dictionaries[1].id, 1000u);
}

}  // namespace
