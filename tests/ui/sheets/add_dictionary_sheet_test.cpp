#include "ui/sheets/add_dictionary_sheet.h"

#include <QLineEdit>
#include <QPushButton>

#include "sheet_world.h"
#include "ui/sheets/sheet_texts.h"
#include "ui/style/theme.h"

class AddDictionarySheetTest : public QObject {
  Q_OBJECT

  std::optional<Scene> scene;
  std::unique_ptr<AppModel> model;
  std::unique_ptr<SheetHost> host;
  AddDictionarySheet* sheet = nullptr;

  QLineEdit* name() const { return sheet->findChild<QLineEdit*>("name"); }
  QPushButton* add() const { return sheet->findChild<QPushButton*>("add"); }
  QStringList problem() const { return labelTexts(sheet, "problem"); }

 private slots:
  void initTestCase() { prepareLook(); }
  void init() {
    scene.emplace();
    scene->writeMaster("人名", words("p", 1));
    scene->writeDictionary({});
    model = scene->model();
    host = std::make_unique<SheetHost>();
    QVERIFY(host->showActive());
    sheet = host->open(new AddDictionarySheet(*model));
  }
  void cleanup() {
    host.reset();
    if (model) QVERIFY(Scene::settle(*model));
    model.reset();
    scene.reset();
  }

  void theNameIsCheckedAsTyped_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("nothing yet") << "" << QStringList{};
    QTest::newRow("only spaces") << "　 " << QStringList{"名前を入力してください"};
    QTest::newRow("hidden file") << ".隠し" << QStringList{"「.」で始まる名前は使えません"};
    QTest::newRow("folder separator") << "仕事/私用" << QStringList{"「/」「:」「\\」は使えません"};
    QTest::newRow("conflict copy")
        << "人名 競合コピー"
        << QStringList{"この名前は、同期のときにできる競合コピーと見分けがつかないので使えません"};
    QTest::newRow("taken, with spaces around")
        << " 人名 " << QStringList{"辞書「人名」はすでにあります"};
    QTest::newRow("free") << "地名" << QStringList{};
  }
  void theNameIsCheckedAsTyped() {
    QFETCH(QString, typed);
    QFETCH(QStringList, shown);
    QCOMPARE(QApplication::focusWidget(), name());
    paste(name(), typed);
    QCOMPARE(problem(), shown);
    const bool addable = !typed.isEmpty() && shown.isEmpty();
    QCOMPARE(add()->isEnabled(), addable);

    QTest::keyClick(name(), Qt::Key_Return);
    if (!addable) {
      QCOMPARE(host->overlay->card(), sheet);
      QCOMPARE(model->pendingDictionaries(), std::vector<std::string>{});
      return;
    }
    QCOMPARE(host->overlay->card(), nullptr);
    QCOMPARE(model->pendingDictionaries(), std::vector<std::string>{typed.toStdString()});
    QCOMPARE(model->selection(), std::optional<std::string>(typed.toStdString()));
  }

  // The same name arriving from another computer while the sheet is open is refused.
  void aNameTakenMeanwhileIsRefused() {
    commitText(name(), "地名");
    QVERIFY(add()->isEnabled());
    scene->writeMaster("地名", words("c", 1));
    model->reload();
    QCOMPARE(problem(), QStringList{"辞書「地名」はすでにあります"});
    QTest::keyClick(name(), Qt::Key_Return);
    QCOMPARE(host->overlay->card(), sheet);
    QVERIFY(model->pendingDictionaries().empty());
  }

  void escapeAddsNothing() {
    commitText(name(), "地名");
    QTest::keyClick(name(), Qt::Key_Escape);
    QCOMPARE(host->overlay->card(), nullptr);
    QVERIFY(model->pendingDictionaries().empty());
  }

  // The field stands out from the card in whichever scheme the window is drawn.
  void theFieldFollowsTheScheme() {
    for (const auto scheme : {ColorScheme::dark, ColorScheme::light, ColorScheme::dark}) {
      Theme::force(host.get(), scheme);
      QCOMPARE(name()->palette().color(QPalette::Base), Theme::surface.resolved(scheme));
    }
  }

  void theNoteNamesTheOtherComputers() {
    QCOMPARE(sheet->findChild<QLabel*>("note")->text(),
             "最初の語を保存したときに、マスターに辞書のファイルができます。ほかのパソコンにも同じ"
             "辞書ができます");
    ScopedPlatformWords mac(ImePlatform::googleJapaneseInput().words);
    QCOMPARE(SheetTexts::addDictionaryNote(),
             "最初の語を保存したときに、マスターに辞書のファイルができます。ほかの Mac "
             "にも同じ辞書ができます");
  }
};

QTEST_MAIN(AddDictionarySheetTest)
#include "add_dictionary_sheet_test.moc"
