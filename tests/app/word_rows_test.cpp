#include <utf8proc.h>

#include <QTest>

#include "app/word_search.h"
#include "app_scene.h"

using Ids = std::vector<std::string>;

namespace {

Ids ids(const WordRows& rows) {
  Ids result;
  for (std::size_t i = 0; i < rows.size(); ++i) result.push_back(rows.row(i).id());
  return result;
}

std::shared_ptr<const WordIndex> indexOf(std::vector<std::pair<std::string, Words>> dictionaries) {
  auto snapshot = std::make_shared<MasterSnapshot>();
  for (auto& [name, entries] : dictionaries) {
    snapshot->files.push_back({name, name + ".txt", std::move(entries), {}});
  }
  return std::make_shared<const WordIndex>(std::move(snapshot));
}

}  // namespace

class WordRowsTest : public QObject {
  Q_OBJECT

 private slots:
  void rowsFollowQueryAndSelection_data() {
    QTest::addColumn<std::string>("query");
    QTest::addColumn<std::optional<std::string>>("selection");
    QTest::addColumn<Ids>("expected");
    const std::optional<std::string> all;
    const Ids every{"A#0", "A#1", "A#2", "B#0", "B#1"};
    QTest::newRow("empty") << std::string() << all << every;
    QTest::newRow("only spaces") << std::string(" \u3000\t ") << all << every;
    QTest::newRow("capitals find small letters") << std::string("ABC") << all << Ids{"A#1", "B#0"};
    QTest::newRow("full-width letters") << std::string("ａｂｃ") << all << Ids{"A#1"};
    QTest::newRow("comment") << std::string(" memo\u3000") << all << Ids{"A#0"};
    QTest::newRow("dotted capital I") << std::string("İST") << all << Ids{"A#2"};
    QTest::newRow("kana in the middle") << std::string("しす") << all << Ids{"B#0"};
    QTest::newRow("twice in one word is one row") << std::string("m") << all << Ids{"A#0"};
    QTest::newRow("never across fields") << std::string("う愛") << all << Ids{};
    QTest::newRow("part of speech is not searched") << std::string("組織") << all << Ids{};
    QTest::newRow("one dictionary")
        << std::string("abc") << std::optional<std::string>("B") << Ids{"B#0"};
    QTest::newRow("pending dictionary")
        << std::string() << std::optional<std::string>("新") << Ids{};
  }
  void rowsFollowQueryAndSelection() {
    QFETCH(std::string, query);
    QFETCH(std::optional<std::string>, selection);
    QFETCH(Ids, expected);
    Scene scene;
    scene.writeMaster(
        "A", {{"あいう", "愛", 1, "Memo"}, {"abc", "ＡＢＣ"}, {"かきく", "書く", 1, "İstanbul"}});
    scene.writeMaster("B", {{"さしす", "ABC", 1, "x"}, {"たちつ", "立つ", 8}});
    const auto model = scene.model();
    QCOMPARE(model->addDictionary("新"), std::nullopt);
    model->setSelection(selection);
    model->setQuery(query);
    const WordRows rows = model->rows();
    QCOMPARE(ids(rows), expected);
    if (!rows.empty())
      QCOMPARE(&rows.entry(0),
               &model->master()->file(rows.dictionary(0))->entries[rows.refs()[0].index]);
  }

  void aLineFeedStaysInsideItsField() {
    const auto index = indexOf({{"A", {{"よみ", "語", 1, "一行\n二行"}, {"ぎょう", "行"}}}});
    const WordRows across(index, index->matching(std::nullopt, "行\n二"));
    QCOMPARE(ids(across), Ids{"A#0"});
    const WordRows none(index, index->matching(std::nullopt, "語\n"));
    QCOMPARE(ids(none), Ids{});
  }

  // The shortcut that skips lowering must never skip a text lowering would change.
  void loweringNeverMissesACasedLetter() {
    for (utf8proc_int32_t cp = 1; cp < 0x10500; ++cp) {
      if (!utf8proc_codepoint_valid(cp)) continue;
      utf8proc_uint8_t bytes[4];
      const auto length = utf8proc_encode_char(cp, bytes);
      const std::string text = "あ" + std::string(reinterpret_cast<char*>(bytes), length) + "い";
      if (WordSearch::lowered(text) != text && !WordSearch::mayChangeWhenLowered(text)) {
        QFAIL(qPrintable(QStringLiteral("U+%1 is lowered but was passed over").arg(cp, 4, 16)));
      }
    }
    QVERIFY(!WordSearch::mayChangeWhenLowered("かな漢字、。ー〜abc123"));
    QCOMPARE(WordSearch::lowered("ÀΣ𐐀İ"), std::string("àσ𐐨i\xCC\x87"));
  }

  void sortingByAColumn() {
    const auto index = indexOf({{"B", {{"よみ10", "x", 9}, {"よみ9", "y", 1}, {"あ", "z", 1}}},
                                {"A", {{"よみ9", "w", 1}, {"Ａ", "v", 2}}}});
    WordRows rows(index, index->matching(std::nullopt, ""));
    rows.sort(WordColumn::reading, Qt::AscendingOrder);
    QCOMPARE(ids(rows), (Ids{"A#1", "B#2", "B#1", "A#0", "B#0"}));
    rows.sort(WordColumn::reading, Qt::DescendingOrder);
    QCOMPARE(ids(rows), (Ids{"B#0", "B#1", "A#0", "B#2", "A#1"}));
    rows.sort(WordColumn::dictionary, Qt::AscendingOrder);
    QCOMPARE(ids(rows), (Ids{"A#0", "A#1", "B#0", "B#1", "B#2"}));
    rows.sort(WordColumn::partOfSpeech, Qt::DescendingOrder);
    const Ids byPos = ids(rows);
    const auto first = std::find(byPos.begin(), byPos.end(), "B#1");
    QVERIFY(first + 1 < byPos.end() && first[1] == "B#2" &&
            rows.posName(first - byPos.begin()) == "名詞");

    const WordRows some(index, index->matching(std::nullopt, "よみ"));
    const auto found = some.positions({{0, 2}, {1, 0}, {0, 1}, {7, 7}});
    QCOMPARE(found, (std::vector<std::optional<std::size_t>>{std::nullopt, 2, 1, std::nullopt}));
  }
};

QTEST_GUILESS_MAIN(WordRowsTest)
#include "word_rows_test.moc"
