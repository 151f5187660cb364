#include <QDir>
#include <QImage>
#include <QLineEdit>

#include "sheet_world.h"
#include "ui/sheets/add_dictionary_sheet.h"
#include "ui/sheets/edit_sheet.h"
#include "ui/sheets/local_edits_sheet.h"
#include "ui/style/theme.h"

// Every sheet over a window, light and dark, written under the build folder for a person to look
// at; the test only makes sure each picture was written at the window's size.
class SheetPicturesTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { prepareLook(); }

  void picture_data() {
    QTest::addColumn<QString>("name");
    for (const char* name :
         {"edit", "add-word", "add-dictionary", "local-edits-first-run", "local-edits"}) {
      QTest::newRow(name) << name;
    }
  }
  void picture() {
    QFETCH(QString, name);
    const Words people{{"やまだ", "山田", 5, ""}, {"すずき", "鈴木", 5, "取引先"}};
    const Words work{{"かいぎ", "会議室", 1, "3階の大きい部屋"}, {"やまだ", "山田", 5, ""}};
    Scene scene;
    scene.writeMaster("人名", people);
    scene.writeMaster("仕事", work);
    scene.writeDictionary({{"人名", people}, {"仕事", work}});
    std::unique_ptr<AppModel> model = scene.model();
    if (name.startsWith("local-edits")) {
      if (name == "local-edits") {
        model->sync(true, false);
        QVERIFY(Scene::settle(*model));
      }
      // Words changed with the IME's own tools; 仕事 is gone here, which stays in the master.
      scene.writeDictionary({{"人名", {people[0], {"さとう", "佐藤", 5, ""}}},
                             {"新しい辞書", {{"てすと", "テスト", 1, ""}}}});
      model->sync();
      QVERIFY(Scene::settle(*model));
      QVERIFY(std::holds_alternative<MacState::LocalEdits>(model->state().value));
    }
    const auto sheet = [&]() -> QWidget* {
      if (name == "edit") return new EditSheet(*model, EditTarget::editing(model->rows().row(2)));
      if (name == "add-dictionary") {
        auto* adding = new AddDictionarySheet(*model);
        adding->findChild<QLineEdit*>("name")->setText("人名");
        return adding;
      }
      if (name == "add-word") {
        auto* adding = new EditSheet(*model, EditTarget::adding("人名"));
        adding->findChild<QLineEdit*>("reading")->setText("やまだ");
        adding->findChild<QLineEdit*>("word")->setText("山田");
        return adding;
      }
      return new LocalEditsSheet(*model);
    };

    const QString folder =
        QDir(qEnvironmentVariable("WORDLOOM_BINARY_DIR", QDir::currentPath())).filePath("sheets");
    QVERIFY(QDir().mkpath(folder));
    for (const auto scheme : {ColorScheme::light, ColorScheme::dark}) {
      SheetHost host;
      Theme::force(&host, scheme);
      host.setAutoFillBackground(true);
      QVERIFY(host.showActive());
      host.overlay->show(sheet());
      // The word sheet moves the focus to its reading field after a moment.
      QTest::qWait(250);
      const QString path =
          QDir(folder).filePath(name + (scheme == ColorScheme::light ? "-light.png" : "-dark.png"));
      QVERIFY(host.grab().save(path));
      QCOMPARE(QImage(path).size(), host.size());
    }
    QVERIFY(Scene::settle(*model));
  }
};

QTEST_MAIN(SheetPicturesTest)
#include "sheet_pictures_test.moc"
