// The main window's texts, banners and column widths, without widgets.
#include "ui/main/main_texts.h"

#include <QDateTime>
#include <QTest>

#include "platform/ime_platform.h"
#include "ui/main/banner.h"
#include "ui/main/column_widths.h"
#include "ui/main/overlay.h"

Q_DECLARE_METATYPE(std::vector<int>)

namespace {

std::vector<EntryRow> rows(int count) {
  std::vector<EntryRow> made;
  for (int i = 0; i < count; ++i) {
    made.push_back({"人名",
                    static_cast<std::size_t>(i),
                    {"よみ" + std::to_string(i), "語" + std::to_string(i)}});
  }
  return made;
}

std::chrono::system_clock::time_point localTime(int hour, int minute) {
  const QDateTime local(QDate(2026, 3, 4), QTime(hour, minute));
  return std::chrono::system_clock::time_point(
      std::chrono::milliseconds(local.toMSecsSinceEpoch()));
}

std::vector<DictionaryDiff> removedWords(int count) {
  DictionaryDiff diff;
  diff.name = "人名";
  for (int i = 0; i < count; ++i) diff.removed.push_back({"よみ" + std::to_string(i), "語", 5});
  return {diff};
}

QStringList texts(const std::vector<Banner>& banners) {
  QStringList out;
  for (const Banner& banner : banners) out << banner.text;
  return out;
}

}  // namespace

class MainTextsTest : public QObject {
  Q_OBJECT

 private slots:
  void lastAppliedUsesTheJapaneseTwelveHourClock_data() {
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<QString>("text");
    QTest::newRow("midnight") << 0 << 5 << "最後に反映 3月4日 午前0:05";
    QTest::newRow("morning") << 9 << 30 << "最後に反映 3月4日 午前9:30";
    QTest::newRow("noon") << 12 << 0 << "最後に反映 3月4日 午後0:00";
    QTest::newRow("evening") << 23 << 59 << "最後に反映 3月4日 午後11:59";
  }
  void lastAppliedUsesTheJapaneseTwelveHourClock() {
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(QString, text);
    QCOMPARE(MainTexts::lastApplied(localTime(hour, minute)), text);
  }

  void rowDeletion_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    const QString everywhere = QStringLiteral("ほかのパソコンの辞書からも削除されます");
    QTest::newRow("one") << 1 << "「よみ0 → 語0」を削除しますか？" << everywhere;
    QTest::newRow("two") << 2 << "2語を削除しますか？"
                         << "よみ0 → 語0\nよみ1 → 語1\n\n" + everywhere;
    const QString eight = QStringLiteral(
        "よみ0 → 語0\nよみ1 → 語1\nよみ2 → 語2\nよみ3 → 語3\nよみ4 → 語4\nよみ5 → 語5\n"
        "よみ6 → 語6\nよみ7 → 語7");
    QTest::newRow("eight, all listed") << 8 << "8語を削除しますか？" << eight + "\n\n" + everywhere;
    QTest::newRow("nine") << 9 << "9語を削除しますか？" << eight + "\nほか 1語\n\n" + everywhere;
  }
  void rowDeletion() {
    QFETCH(int, count);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QCOMPARE(MainTexts::rowDeletionTitle(rows(count)), title);
    QCOMPARE(MainTexts::rowDeletionMessage(rows(count)), message);
  }

  void dictionaryDeletion() {
    QCOMPARE(MainTexts::dictionaryDeletionTitle("人名"),
             QStringLiteral("辞書「人名」を削除しますか？"));
    QCOMPARE(MainTexts::dictionaryDeletionMessage(true, std::nullopt),
             QStringLiteral("まだ語のない辞書です"));
    QCOMPARE(MainTexts::dictionaryDeletionMessage(false, 1200),
             QStringLiteral("中の 1200 語も削除されます。ほかのパソコンの辞書からも削除されます。"
                            "マスターの履歴にバックアップを残します"));
    // A dictionary the snapshot does not know counts as empty.
    QVERIFY(MainTexts::dictionaryDeletionMessage(false, std::nullopt).startsWith("中の 0 語"));
  }

  void aBigChangeListsWhatFitsAndCountsTheRest() {
    const QStringList few = MainTexts::bigChangeMessage(removedWords(3)).split('\n');
    QCOMPARE(few, (QStringList{"− 人名　よみ0 → 語（人名）", "− 人名　よみ1 → 語（人名）",
                               "− 人名　よみ2 → 語（人名）"}));
    QCOMPARE(MainTexts::bigChangeMessage(removedWords(20)).split('\n').size(), 20);
    const QStringList many = MainTexts::bigChangeMessage(removedWords(5000)).split('\n');
    QCOMPARE(many.size(), 21);
    QCOMPARE(many.at(19), QStringLiteral("− 人名　よみ19 → 語（人名）"));
    QCOMPARE(many.last(), QStringLiteral("ほか 4980件"));
  }

  void emptyStatesAndCounts() {
    QCOMPARE(MainTexts::emptyState("ない", true),
             QStringLiteral("「ない」に一致する語はありません"));
    QCOMPARE(
        MainTexts::emptyState("", true),
        QStringLiteral("まだ語がありません。「語を追加」で最初の語を保存すると、辞書ができます"));
    QCOMPARE(MainTexts::emptyState("", false), QStringLiteral("語がありません"));
    QCOMPARE(MainTexts::dictionaryCount(std::nullopt), QStringLiteral("未保存"));
    QCOMPARE(MainTexts::dictionaryCount(0), QStringLiteral("0"));
    QCOMPARE(MainTexts::moveMenuTitle(1), QStringLiteral("辞書へ移動"));
    QCOMPARE(MainTexts::moveMenuTitle(3), QStringLiteral("3語を辞書へ移動"));
    QCOMPARE(MainTexts::deleteMenuTitle(3), QStringLiteral("3語を削除…"));
  }

  void bannersComeInOrderWithTheirActions() {
    const Banners::Inputs everything{
        "移動できませんでした",
        "読めません",
        {"人名 (競合コピー).txt", "地名 のコンフリクト.txt"},
        MacState{MacState::BigChange{removedWords(6), "語が 10 から 4 に減ります"}}};
    const std::vector<Banner> banners = Banners::of(everything);
    QCOMPARE(texts(banners),
             (QStringList{"移動できませんでした", "読めません",
                          "マスターに競合コピーがあります（人名 (競合コピー).txt、地名 "
                          "のコンフリクト.txt）。内容を確認して、不要なら削除してください",
                          "大きな変更なので反映を停止しました（語が 10 から 4 に減ります）"}));
    QCOMPARE(banners[0].actions, std::vector<Banner::Action>{Banner::Action::closeError});
    QCOMPARE(banners[0].color, Theme::danger);
    QCOMPARE(banners[2].icon, QStringLiteral("warning"));
    QVERIFY(banners[1].actions.empty());
    QCOMPARE(banners[3].actions, std::vector<Banner::Action>{Banner::Action::confirmBigChange});
    QCOMPARE(Banner::title(Banner::Action::confirmBigChange), QStringLiteral("確認して反映"));

    for (const MacState& fine : {MacState{MacState::Checking{}}, MacState{MacState::UpToDate{}},
                                 MacState{MacState::Applied{removedWords(2)}}}) {
      QVERIFY(Banners::of({std::nullopt, std::nullopt, {}, fine}).empty());
    }
  }

  void textsNamingTheComputerOnMacOS() {
    ScopedPlatformWords mac(ImePlatform::googleJapaneseInput().words);
    const std::vector<Banner> edits = Banners::of(
        {std::nullopt, std::nullopt, {}, MacState{MacState::LocalEdits{removedWords(3), false}}});
    QCOMPARE(texts(edits), QStringList{"この Mac で直接変更した語が 3語あります。上書きせずに、"
                                       "反映を保留しています"});
    QCOMPARE(edits[0].actions, std::vector<Banner::Action>{Banner::Action::reviewLocalEdits});
    QCOMPARE(MainTexts::bigChangeTitle(), QStringLiteral("この Mac の辞書に反映しますか？"));
    QCOMPARE(MainTexts::rowDeletionMessage(rows(1)),
             QStringLiteral("ほかの Mac の辞書からも削除されます"));
    QVERIFY(MainTexts::dictionaryDeletionMessage(false, 3).contains(
        QStringLiteral("ほかの Mac の辞書からも削除されます。")));
  }

  void columnWidths_data() {
    QTest::addColumn<int>("available");
    QTest::addColumn<std::vector<int>>("widths");
    QTest::newRow("narrower than the minimums") << 100 << std::vector<int>{80, 120, 70};
    QTest::newRow("half the room") << 355 << std::vector<int>{105, 170, 80};
    QTest::newRow("wider than the maximums") << 2000 << std::vector<int>{130, 220, 90};
  }
  void columnWidths() {
    QFETCH(int, available);
    QFETCH(std::vector<int>, widths);
    QCOMPARE(ColumnWidths::fit({{80, 130}, {120, 220}, {70, 90}}, available), widths);
  }

  void aNewTargetIsANewSheet() {
    const Overlay first = Overlay::edit(EditTarget::adding("人名"));
    const Overlay second = Overlay::edit(EditTarget::adding("人名"));
    QVERIFY(first.id() != second.id());
    QCOMPARE(Overlay::localEdits().id(), Overlay::localEdits().id());
    QVERIFY(Overlay::localEdits().id() != Overlay::addDictionary().id());
  }
};

QTEST_MAIN(MainTextsTest)
#include "main_texts_test.moc"
