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

  std::optional<Scene> scene;
  std::unique_ptr<AppModel> model;

  const Words people{{"やまだ", "山田", 5, ""}, {"すずき", "鈴木", 5, "取引先"}};
  const Words work{{"かいぎ", "会議室", 1, "3階の大きい部屋"}, {"やまだ", "山田", 5, ""}};

  void save(QWidget* sheetOf(AppModel&), const QString& name) {
    const QString folder =
        QDir(qEnvironmentVariable("WORDLOOM_BINARY_DIR", QDir::currentPath())).filePath("sheets");
    QVERIFY(QDir().mkpath(folder));
    for (const auto scheme : {ColorScheme::light, ColorScheme::dark}) {
      SheetHost host;
      Theme::force(&host, scheme);
      host.setAutoFillBackground(true);
      QVERIFY(host.showActive());
      host.overlay->show(sheetOf(*model));
      // The word sheet moves the focus to its reading field after a moment.
      QTest::qWait(250);
      const QString path =
          QDir(folder).filePath(name + (scheme == ColorScheme::light ? "-light.png" : "-dark.png"));
      QVERIFY(host.grab().save(path));
      QCOMPARE(QImage(path).size(), host.size());
    }
  }

  // This computer reflected once, then had words changed with the IME's own tools.
  void directEdits(bool firstRun) {
    scene->writeMaster("人名", people);
    scene->writeMaster("仕事", work);
    if (!firstRun) {
      scene->writeDictionary({{"人名", people}, {"仕事", work}});
      model = scene->model();
      model->sync(true, false);
      QVERIFY(Scene::settle(*model));
      QVERIFY(model->state().isOK());
    }
    // The second Mozc dictionary is gone on this computer: that is not taken into the master.
    scene->writeDictionary({{"人名", {{"やまだ", "山田", 5, ""}, {"さとう", "佐藤", 5, ""}}},
                            {"新しい辞書", {{"てすと", "テスト", 1, ""}}}});
    if (!model) model = scene->model();
    model->sync();
    QVERIFY(Scene::settle(*model));
    QVERIFY(std::holds_alternative<MacState::LocalEdits>(model->state().value));
  }

 private slots:
  void initTestCase() { prepareLook(); }
  void init() { scene.emplace(); }
  void cleanup() {
    if (model) QVERIFY(Scene::settle(*model));
    model.reset();
    scene.reset();
  }

  void editing() {
    scene->writeMaster("人名", people);
    scene->writeMaster("仕事", work);
    model = scene->model();
    save(
        [](AppModel& m) -> QWidget* {
          return new EditSheet(m, EditTarget::editing(m.rows().row(2)));
        },
        "edit");
  }

  void addingWithProblems() {
    scene->writeMaster("人名", people);
    scene->writeMaster("仕事", work);
    model = scene->model();
    save(
        [](AppModel& m) -> QWidget* {
          auto* sheet = new EditSheet(m, EditTarget::adding("人名"));
          sheet->findChild<QLineEdit*>("reading")->setText("やまだ");
          sheet->findChild<QLineEdit*>("word")->setText("山田");
          return sheet;
        },
        "add-word");
  }

  void addingDictionary() {
    scene->writeMaster("人名", people);
    model = scene->model();
    save(
        [](AppModel& m) -> QWidget* {
          auto* sheet = new AddDictionarySheet(m);
          sheet->findChild<QLineEdit*>("name")->setText("人名");
          return sheet;
        },
        "add-dictionary");
  }

  void localEditsFirstRun() {
    directEdits(true);
    save([](AppModel& m) -> QWidget* { return new LocalEditsSheet(m); }, "local-edits-first-run");
  }

  void localEdits() {
    directEdits(false);
    save([](AppModel& m) -> QWidget* { return new LocalEditsSheet(m); }, "local-edits");
  }
};

QTEST_MAIN(SheetPicturesTest)
#include "sheet_pictures_test.moc"
