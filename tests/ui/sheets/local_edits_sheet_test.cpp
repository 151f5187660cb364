#include "ui/sheets/local_edits_sheet.h"

#include <QListWidget>
#include <QPushButton>

#include "sheet_world.h"
#include "ui/sheets/sheet_texts.h"

namespace {

const Words a = words("a", 2);  // よみ0 → a0, よみ1 → a1
const Words b = words("b", 1);
const DictEntry added{"あたらしい", "新", 1, ""};

}  // namespace

class LocalEditsSheetTest : public QObject {
  Q_OBJECT

  std::optional<Scene> scene;
  std::unique_ptr<AppModel> model;
  std::unique_ptr<SheetHost> host;
  LocalEditsSheet* sheet = nullptr;

  // The computer's dictionary held `before` at its last reflect (none: it never reflected) and
  // holds `now`; the reflect stopped for that.
  void directEdits(const std::optional<Words>& before, const Words& now) {
    scene->writeMaster("A", a);
    scene->writeMaster("B", b);
    scene->writeDictionary({{"A", before.value_or(a)}, {"B", b}});
    model = scene->model();
    if (before) {
      model->sync(true, true);
      QVERIFY(Scene::settle(*model));
      QVERIFY(model->state().isOK());
    }
    scene->writeDictionary({{"A", now}, {"B", b}});
    model->sync();
    QVERIFY(Scene::settle(*model));
    QVERIFY(std::holds_alternative<MacState::LocalEdits>(model->state().value));
    sheet = host->open(new LocalEditsSheet(*model));
  }
  QPushButton* button(const char* name) const { return sheet->findChild<QPushButton*>(name); }
  QString text(const char* name) const { return sheet->findChild<QLabel*>(name)->text(); }
  QStringList lines() const {
    QStringList shown;
    const auto* list = sheet->findChild<QListWidget*>("lines");
    if (!list->isVisibleTo(sheet)) return shown;
    for (int i = 0; i < list->count(); ++i) shown << list->item(i)->text();
    return shown;
  }
  Words onThisComputer(const std::string& name) const {
    for (const UserDictionary& d : UserDictionaryFile::read(scene->dictionary).dictionaries) {
      if (d.name == name) return d.entries;
    }
    return {};
  }

 private slots:
  void initTestCase() { prepareLook(); }
  void init() {
    scene.emplace();
    host = std::make_unique<SheetHost>();
    QVERIFY(host->showActive());
  }
  void cleanup() {
    host.reset();
    if (model) QVERIFY(Scene::settle(*model));
    model.reset();
    scene.reset();
  }

  // Never reflected: the differences are against the master, and only this computer's own
  // words go into it.
  void firstRun() {
    directEdits(std::nullopt, {a[0], added});
    QCOMPARE(text("title"), "このパソコンで直接変更した語");
    QCOMPARE(
        text("explanation"),
        "このパソコンではまだ一度もこのアプリで反映していないので、マスターとの違いをそのまま出"
        "しています。取り込むのは「＋」（このパソコンにだけある語）だけです。");
    QCOMPARE(lines(), (QStringList{"＋ A　あたらしい → 新（名詞）", "− A　よみ1 → a1（名詞）"}));
    QCOMPARE(labelTexts(sheet, "skippedItem"),
             QStringList{"・「A」: マスターにだけある 1語は残します"});

    button("absorb")->click();
    QCOMPARE(host->overlay->card(), nullptr);
    QCOMPARE(scene->masterWords("A"), (Words{a[0], a[1], added}));
    QVERIFY(Scene::settle(*model));
    QVERIFY2(model->state().isOK(), model->state().summary().c_str());
    QCOMPARE(onThisComputer("A"), (Words{a[0], a[1], added}));
  }

  void afterAnEarlierReflect() {
    const DictEntry recommented{a[0].reading, a[0].word, a[0].posCode, "メモ"};
    directEdits(a, {recommented, added});
    QCOMPARE(
        text("explanation"),
        "辞書ツールや単語登録で、このパソコンの辞書だけが変わっています。マスターに取り込むと、"
        "ほかのパソコンにも入ります。");
    QCOMPARE(lines(), (QStringList{"＋ A　あたらしい → 新（名詞）", "− A　よみ1 → a1（名詞）",
                                   "～ A　よみ0 → a0（名詞 → 名詞）"}));
    QVERIFY(labelTexts(sheet, "skippedItem").isEmpty());

    button("absorb")->click();
    QCOMPARE(host->overlay->card(), nullptr);
    QCOMPARE(scene->masterWords("A"), (Words{recommented, added}));
    QVERIFY(Scene::settle(*model));
    QVERIFY2(model->state().isOK(), model->state().summary().c_str());
  }

  // A word already in the master under another part of speech gives nothing to take in; the
  // computer is still brought back to the master.
  void nothingToTakeStillReflects() {
    const DictEntry again{a[1].reading, a[1].word, 5, ""};
    directEdits(a, {a[0], a[1], again});
    const std::string before = platform::readFile(scene->master / "A.txt");
    button("absorb")->click();
    QCOMPARE(host->overlay->card(), nullptr);
    QCOMPARE(platform::readFile(scene->master / "A.txt"), before);
    QVERIFY(Scene::settle(*model));
    QVERIFY2(model->state().isOK(), model->state().summary().c_str());
    QCOMPARE(onThisComputer("A"), a);
  }

  void aFailedAbsorbKeepsTheSheet() {
    directEdits(a, {a[0], added});
    fs::rename(scene->master, scene->dir / "moved");
    button("absorb")->click();
    QCOMPARE(host->overlay->card(), sheet);
    QVERIFY(text("error").startsWith("マスターのフォルダが見つかりません: "));
    QCOMPARE(lines().size(), 2);
  }

  void discardingAsksAndReflectsAtOnce() {
    directEdits(a, {a[0], added});
    button("discard")->click();
    QMessageBox* box = openedConfirmation(sheet);
    QVERIFY(box);
    QCOMPARE(box->text(), "このパソコンで変更した語を破棄して、マスターで上書きしますか？");
    QVERIFY(answer(box, "キャンセル"));
    QCOMPARE(host->overlay->card(), sheet);
    QVERIFY(!model->isSyncing());

    button("discard")->click();
    box = openedConfirmation(sheet);
    QVERIFY(box);
    QVERIFY(answer(box, "破棄"));
    QCOMPARE(host->overlay->card(), nullptr);
    QVERIFY(model->isSyncing());
    QVERIFY(Scene::settle(*model));
    QVERIFY2(model->state().isOK(), model->state().summary().c_str());
    QCOMPARE(onThisComputer("A"), a);
    QCOMPARE(scene->masterWords("A"), a);
    QVERIFY(!fs::is_empty(model->paths().backups()));
  }

  // The sheet shows the state as it is now: a reflect that finds the edits gone leaves nothing
  // to decide, and a discard asked about the old differences is not carried out.
  void theStateMovesOn() {
    directEdits(a, {a[0], added});
    button("discard")->click();
    QVERIFY(openedConfirmation(sheet));

    scene->writeDictionary({{"A", a}, {"B", b}});
    model->sync();
    QVERIFY(!button("absorb")->isEnabled());
    QVERIFY(!button("discard")->isEnabled());
    QTRY_VERIFY(sheet->findChildren<QMessageBox*>().isEmpty() ||
                !sheet->findChild<QMessageBox*>()->isVisible());
    QVERIFY(Scene::settle(*model));
    QVERIFY(model->state().isOK());
    QVERIFY(!sheet->findChild<QLabel*>("explanation")->isVisibleTo(sheet));
    QCOMPARE(labelTexts(sheet, "nothing"), QStringList{"いまは直接変更した語はありません"});
    QVERIFY(lines().isEmpty());
    QVERIFY(!button("absorb")->isEnabled());

    QTest::keyClick(sheet, Qt::Key_Escape);
    QCOMPARE(host->overlay->card(), nullptr);
  }

  void textsOnMac() {
    ScopedPlatformWords mac(ImePlatform::googleJapaneseInput().words);
    QCOMPARE(SheetTexts::localEditsTitle(), "この Mac で直接変更した語");
    QCOMPARE(SheetTexts::firstRunExplanation(),
             "この Mac ではまだ一度もこのアプリで反映していないので、マスターとの違いをそのまま出し"
             "ています。取り込むのは「＋」（この Mac にだけある語）だけです。");
    QCOMPARE(SheetTexts::localEditsExplanation(),
             "辞書ツールや単語登録で、この Mac の辞書だけが変わっています。マスターに取り込むと、"
             "ほかの Mac にも入ります。");
    QCOMPARE(SheetTexts::discardTitle(),
             "この Mac で変更した語を破棄して、マスターで上書きしますか？");
  }
};

QTEST_MAIN(LocalEditsSheetTest)
#include "local_edits_sheet_test.moc"
