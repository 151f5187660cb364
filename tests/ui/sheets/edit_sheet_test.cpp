#include "ui/sheets/edit_sheet.h"

#include <sys/resource.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <csignal>

#include "model/part_of_speech.h"
#include "platform/files.h"
#include "sheet_world.h"
#include "ui/sheets/sheet_texts.h"

namespace {

const Words a{{"あ", "亜", 1, ""}, {"やまだ", "山田", 5, ""}};
const Words b{{"やまだ", "山田", 5, ""}, {"かいぎ", "会議室", 1, "3階"}};

// Makes every file this process writes stop at 16 bytes, as a full disk stops a write.
class FullDisk {
 public:
  FullDisk() {
    getrlimit(RLIMIT_FSIZE, &before_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before_;
    small.rlim_cur = 16;
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~FullDisk() {
    setrlimit(RLIMIT_FSIZE, &before_);
    std::signal(SIGXFSZ, previous_);
  }

 private:
  rlimit before_{};
  void (*previous_)(int) = nullptr;
};

}  // namespace

class EditSheetTest : public QObject {
  Q_OBJECT

  std::optional<Scene> scene;
  std::unique_ptr<AppModel> model;
  std::unique_ptr<SheetHost> host;

  EditSheet* open(const EditTarget& target) { return host->open(new EditSheet(*model, target)); }
  template <class W>
  static W* field(EditSheet* sheet, const char* name) {
    return sheet->findChild<W*>(QString::fromLatin1(name));
  }
  static QPushButton* button(EditSheet* sheet, const char* name) {
    return field<QPushButton>(sheet, name);
  }
  // The row at `position` of all dictionaries' words.
  EntryRow row(std::size_t position) const { return model->rows().row(position); }
  std::string masterBytes() const {
    return platform::readFile(scene->master / "A.txt") +
           platform::readFile(scene->master / "B.txt");
  }

 private slots:
  void initTestCase() { prepareLook(); }
  void init() {
    scene.emplace();
    scene->writeMaster("A", a);
    scene->writeMaster("B", b);
    scene->writeDictionary({});
    model = scene->model();
    host = std::make_unique<SheetHost>();
    QVERIFY(host->showActive());
  }
  void cleanup() {
    host.reset();
    if (model) QVERIFY(Scene::settle(*model));
    model.reset();
    scene.reset();
  }

  // What the user types or pastes is checked as it comes; Return saves only what may be saved,
  // trimmed, and a refused word writes nothing and keeps the sheet.
  void checksAsTheUserTypes_data() {
    QTest::addColumn<QString>("dictionary");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QStringList>("warnings");
    const auto row = [](const char* name, const QString& dictionary, const QString& reading,
                        const QString& word, const QStringList& errors,
                        const QStringList& warnings = {}) {
      QTest::newRow(name) << dictionary << reading << word << errors << warnings;
    };
    const QString bom(QChar(0xFEFF));
    const QStringList lineBreak{"改行は入れられません"};
    const QStringList byteOrderMark{"よみや単語の先頭に見えない文字（BOM）は入れられません"};
    row("in another dictionary", "A", "かいぎ", "会議室", {},
        {"辞書「B」にも同じ語があります（名詞）"});
    row("in this dictionary", "B", "かいぎ", "会議室",
        {"この辞書に同じ語がすでにあります（名詞）"});
    row("in both", "A", "やまだ", "山田", {"この辞書に同じ語がすでにあります（人名）"},
        {"辞書「B」にも同じ語があります（人名）"});
    row("no dictionary chosen", "", "とうきょう", "東京", {"辞書を選択してください"});
    row("nothing typed", "A", "", " ", {"よみを入力してください", "単語を入力してください"});
    row("tab", "A", "とう\tきょう", "東京", {"タブは入れられません"});
    row("line feed", "A", "とうきょう", "東\n京", lineBreak);
    row("line end of another system", "A", "とうきょう", "東京\r\n", lineBreak);
    // The IME's own warning stays beside the refusal.
    row("carriage return", "A", "とう\rきょう", "東京", lineBreak,
        {"この語は Mozc では使われません（よみに改行かタブがあります）"});
    row("byte-order mark before the reading", "A", bom + "とうきょう", "東京", byteOrderMark,
        {"この語は Mozc では使われません（よみに使えない文字（U+FEFF）があります）"});
    row("byte-order mark before the word", "A", "とうきょう", " " + bom + "東京", byteOrderMark);
    row("spaces and tabs around", "A", " とうきょう\t", "東京　", {});
  }
  void checksAsTheUserTypes() {
    QFETCH(QString, dictionary);
    QFETCH(QString, reading);
    QFETCH(QString, word);
    QFETCH(QStringList, errors);
    QFETCH(QStringList, warnings);
    EditSheet* sheet = open(EditTarget::adding(dictionary.toStdString()));
    paste(field<QLineEdit>(sheet, "reading"), reading);
    paste(field<QLineEdit>(sheet, "word"), word);

    QCOMPARE(labelTexts(sheet, "problemError"), errors);
    QCOMPARE(labelTexts(sheet, "problemWarning"), warnings);
    QCOMPARE(button(sheet, "save")->isEnabled(), errors.isEmpty());

    const std::string before = masterBytes();
    QTest::keyClick(field<QLineEdit>(sheet, "word"), Qt::Key_Return);
    if (!errors.isEmpty()) {
      QCOMPARE(host->overlay->card(), sheet);
      QCOMPARE(masterBytes(), before);
      return;
    }
    QCOMPARE(host->overlay->card(), nullptr);
    const Words saved = scene->masterWords(dictionary.toStdString());
    const DictEntry expected(reading.trimmed().toStdString(), word.trimmed().toStdString(), 2);
    QCOMPARE(saved.back(), expected);
    QCOMPARE(saved.size(), a.size() + 1);
  }

  // One line per message, however often the master holds the word.
  void eachProblemShowsOnce() {
    scene->writeMaster("C", {{"かいぎ", "会議室", 1, ""}, {"かいぎ", "会議室", 1, "別"}});
    model->reload();
    EditSheet* sheet = open(EditTarget::adding("A"));
    commitText(field<QLineEdit>(sheet, "reading"), "かいぎ");
    commitText(field<QLineEdit>(sheet, "word"), "会議室");
    QCOMPARE(labelTexts(sheet, "problemWarning"),
             (QStringList{"辞書「B」にも同じ語があります（名詞）",
                          "辞書「C」にも同じ語があります（名詞）"}));
  }

  void editingSavesOnlyAChange() {
    EditSheet* sheet = open(EditTarget::editing(row(3)));  // B: かいぎ → 会議室
    QCOMPARE(field<QLineEdit>(sheet, "comment")->text(), "3階");
    QCOMPARE(field<QComboBox>(sheet, "posCode")->currentText(), "名詞");
    // The word itself is no duplicate of itself.
    QVERIFY(labelTexts(sheet, "problemError").isEmpty());
    QVERIFY(!button(sheet, "save")->isEnabled());
    QTest::keyClick(field<QLineEdit>(sheet, "reading"), Qt::Key_Return);
    QCOMPARE(host->overlay->card(), sheet);

    // A space typed and taken back, or only trailing, changes nothing.
    QTest::keyClick(field<QLineEdit>(sheet, "comment"), Qt::Key_Space);
    QVERIFY(!button(sheet, "save")->isEnabled());

    auto* dictionaries = field<QComboBox>(sheet, "dictionary");
    QCOMPARE(dictionaries->currentText(), "B");
    dictionaries->setFocus();
    QTest::keyClick(dictionaries, Qt::Key_Up);
    QCOMPARE(dictionaries->currentText(), "A");
    QVERIFY(button(sheet, "save")->isEnabled());
    QTest::keyClick(dictionaries, Qt::Key_Return);
    QCOMPARE(host->overlay->card(), nullptr);
    QCOMPARE(scene->masterWords("B"), Words{b[0]});
    QCOMPARE(scene->masterWords("A"), (Words{a[0], a[1], b[1]}));
  }

  void deletingAsksFirst() {
    EditSheet* sheet = open(EditTarget::editing(row(0)));
    button(sheet, "deleteWord")->click();
    QMessageBox* box = openedConfirmation(sheet);
    QVERIFY(box);
    QCOMPARE(box->text(), "「あ → 亜」を削除しますか？");
    QCOMPARE(box->informativeText(), "削除すると、ほかのパソコンの辞書からも削除されます");
    {
      ScopedPlatformWords mac(ImePlatform::googleJapaneseInput().words);
      QCOMPARE(SheetTexts::deleteMessage(), "削除すると、ほかの Mac の辞書からも削除されます");
    }
    QVERIFY(answer(box, "キャンセル"));
    QCOMPARE(scene->masterWords("A"), a);
    QCOMPARE(host->overlay->card(), sheet);

    button(sheet, "deleteWord")->click();
    box = openedConfirmation(sheet);
    QVERIFY(box);
    QVERIFY(answer(box, "削除"));
    QCOMPARE(scene->masterWords("A"), Words{a[1]});
    QCOMPARE(host->overlay->card(), nullptr);
  }

  // A save the master refuses keeps the sheet open with everything the user typed.
  void aFailedSaveKeepsWhatWasTyped_data() {
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("message");
    QTest::addRow("changed on another computer") << "elsewhere"
                                                 << "開いてから、ほかのパソコンでマスターが変わりま"
                                                    "した（A）。再読み込みしたので、もう一度やり"
                                                    "直してください";
    QTest::addRow("disk full") << "full"
                               << "";
    QTest::addRow("folder gone") << "gone"
                                 << "マスターのフォルダが見つかりません: ";
  }
  void aFailedSaveKeepsWhatWasTyped() {
    QFETCH(QString, failure);
    QFETCH(QString, message);
    EditSheet* sheet = open(EditTarget::adding("A"));
    commitText(field<QLineEdit>(sheet, "reading"), "とうきょう");
    commitText(field<QLineEdit>(sheet, "word"), "東京");
    commitText(field<QLineEdit>(sheet, "comment"), "首都");
    const EntryDraft typed = sheet->draft();
    const Words elsewhere{{"おおさか", "大阪", 9, ""}};

    std::optional<FullDisk> full;
    if (failure == "elsewhere") scene->writeMaster("A", elsewhere);
    if (failure == "full") full.emplace();
    if (failure == "gone") fs::rename(scene->master, scene->dir / "moved");
    QTest::keyClick(field<QLineEdit>(sheet, "reading"), Qt::Key_Return);
    full.reset();

    QCOMPARE(host->overlay->card(), sheet);
    QCOMPARE(sheet->draft(), typed);
    const QString shown = field<QLabel>(sheet, "saveError")->text();
    QVERIFY(field<QLabel>(sheet, "saveError")->isVisible());
    QVERIFY2(!shown.isEmpty() && shown.startsWith(message), qPrintable(shown));
    if (failure == "gone") return;
    QCOMPARE(scene->masterWords("A"), failure == "elsewhere" ? elsewhere : a);

    // The model read the master again: trying once more saves onto what is there now.
    QTest::keyClick(field<QLineEdit>(sheet, "reading"), Qt::Key_Return);
    QCOMPARE(host->overlay->card(), nullptr);
    QCOMPARE(scene->masterWords("A").back(), DictEntry("とうきょう", "東京", 2, "首都"));
  }

  void cancellingWritesNothing() {
    EditSheet* sheet = open(EditTarget::adding("A"));
    commitText(field<QLineEdit>(sheet, "reading"), "とうきょう");
    commitText(field<QLineEdit>(sheet, "word"), "東京");
    QTest::keyClick(field<QLineEdit>(sheet, "word"), Qt::Key_Escape);
    QCOMPARE(host->overlay->card(), nullptr);

    // Return on the focused cancel button cancels rather than saves.
    sheet = open(EditTarget::adding("A"));
    commitText(field<QLineEdit>(sheet, "reading"), "とうきょう");
    commitText(field<QLineEdit>(sheet, "word"), "東京");
    button(sheet, "cancel")->setFocus();
    QTest::keyClick(button(sheet, "cancel"), Qt::Key_Return);
    QCOMPARE(host->overlay->card(), nullptr);
    QCOMPARE(scene->masterWords("A"), a);
  }

  void theReadingFieldTakesTheFocusAfterAMoment() {
    EditSheet* sheet = open(EditTarget::adding("A"));
    QCOMPARE(QApplication::focusWidget(), sheet);
    QTRY_COMPARE(QApplication::focusWidget(), field<QLineEdit>(sheet, "reading"));

    // A user quicker than that keeps the field they chose.
    host->overlay->dismiss();
    sheet = open(EditTarget::adding("A"));
    field<QLineEdit>(sheet, "word")->setFocus();
    QTest::qWait(300);
    QCOMPARE(QApplication::focusWidget(), field<QLineEdit>(sheet, "word"));
  }

  // The codes used most come first, in their own order; headings cannot be chosen.
  void partOfSpeechMenu() {
    EditSheet* sheet = open(EditTarget::adding("A"));
    auto* menu = field<QComboBox>(sheet, "posCode");
    QCOMPARE(menu->currentText(), "短縮よみ");
    QCOMPARE(menu->count(), 46);
    QStringList first;
    for (int i = 0; i < 11; ++i) first << menu->itemText(i);
    QCOMPARE(first, (QStringList{"よく使う", "短縮よみ", "名詞", "固有名詞", "人名", "地名", "組織",
                                 "サジェストのみ", "抑制単語", "そのほか",
                                 QString::fromUtf8(PartOfSpeech::name(6)->data())}));
    QCOMPARE(menu->itemText(45), QString::fromUtf8(PartOfSpeech::name(43)->data()));
    menu->setFocus();
    menu->setCurrentIndex(8);
    QTest::keyClick(menu, Qt::Key_Down);
    QCOMPARE(menu->currentIndex(), 10);
  }
};

QTEST_MAIN(EditSheetTest)
#include "edit_sheet_test.moc"
