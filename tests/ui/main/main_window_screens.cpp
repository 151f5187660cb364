// Renders the main window in the states a user meets, light and dark, to PNG files under the
// build folder for a person to look at. Asserts only that each image was written.
#include <QContextMenuEvent>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTest>

#include "main_scene.h"
#include "ui/main/main_panel.h"
#include "ui/main/main_window.h"
#include "ui/main/root_view.h"
#include "ui/main/word_table.h"
#include "ui/style/theme.h"
#include "ui/widgets/card_overlay.h"

namespace {

// Words as a user keeps them, enough to fill the table.
Words people() {
  return {{"やまだ", "山田", 6, "営業部"},
          {"たなか", "田中", 6, ""},
          {"すずき", "鈴木", 6, "経理"},
          {"さとう", "佐藤", 6, ""},
          {"たかはし", "高橋", 6, "設計部 課長"},
          {"わたなべ", "渡辺", 6, ""},
          {"いとう", "伊藤", 6, ""},
          {"なかむら", "中村", 6, "大阪支店"},
          {"こばやし", "小林", 6, ""},
          {"かとう", "加藤", 6, ""},
          {"よしだ", "吉田", 6, "取引先 株式会社吉田製作所"},
          {"やまぐち", "山口", 6, ""},
          {"まつもと", "松本", 6, ""},
          {"いのうえ", "井上", 6, ""},
          {"きむら", "木村", 6, "人事"},
          {"はやし", "林", 6, ""}};
}
Words places() {
  return {{"しながわ", "品川", 9, ""},
          {"おおさか", "大阪", 9, ""},
          {"なごや", "名古屋", 9, ""},
          {"はかた", "博多", 9, "出張先"},
          {"せんだい", "仙台", 9, ""}};
}
Words terms() {
  return {{"わーどるーむ", "Wordloom", 4, "この辞書のアプリ"},
          {"もずく", "Mozc", 4, ""},
          {"かおもじ", "(^_^)", 15, ""},
          {"おせわ", "お世話になっております", 1, "メールの書き出し"}};
}

void writeWords(Scene& scene) {
  scene.writeMaster("人名", people());
  scene.writeMaster("地名", places());
  scene.writeMaster("仕事", terms());
}

class Screens {
 public:
  Screens()
      : folder_(qEnvironmentVariable("WORDLOOM_BINARY_DIR", QStringLiteral(".")) +
                QStringLiteral("/screens/main")) {
    QDir().mkpath(folder_);
  }

  bool save(const QPixmap& picture, const QString& name, ColorScheme scheme) {
    return picture.save(
        QStringLiteral("%1/%2-%3.png")
            .arg(folder_, name,
                 scheme == ColorScheme::light ? QStringLiteral("light") : QStringLiteral("dark")));
  }

  // Renders the window in both schemes as <name>-light.png and <name>-dark.png.
  bool render(MainWindow& window, const QString& name) {
    bool written = true;
    for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
      Theme::force(&window, scheme);
      window.show();
      QTest::qWait(20);
      const QString path =
          QStringLiteral("%1/%2-%3.png")
              .arg(folder_, name,
                   scheme == ColorScheme::light ? QStringLiteral("light") : QStringLiteral("dark"));
      written = window.grab().save(path) && written;
      if (auto* box = window.findChild<QMessageBox*>()) {
        Theme::force(box, scheme);
        QTest::qWait(20);
        written = box->grab().save(QString(path).replace(QStringLiteral(".png"),
                                                         QStringLiteral("-dialog.png"))) &&
                  written;
      }
    }
    return written;
  }

 private:
  QString folder_;
};

}  // namespace

class MainWindowScreens : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { MainScene::prepareLook(); }

  void allDictionariesAndOneSearched() {
    Scene scene;
    writeWords(scene);
    scene.writeDictionary({});
    auto model = scene.model();
    QVERIFY(MainScene::reflect(*model, true));
    MainWindow window(*model);
    Screens screens;
    QVERIFY(screens.render(window, QStringLiteral("all-dictionaries")));

    window.rootView()->mainPanel()->table()->selectPositions({1, 2, 4});
    QVERIFY(screens.render(window, QStringLiteral("all-dictionaries-selected")));

    // The rows' menu with its move submenu, drawn on their own.
    auto* table = window.rootView()->mainPanel()->table();
    const QPoint at = table->visualRect(table->model()->index(2, 0)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, table->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(table->viewport(), &event);
    auto* menu = window.findChild<QMenu*>(QStringLiteral("rowMenu"));
    QVERIFY(menu);
    auto* move = menu->findChild<QMenu*>(QStringLiteral("moveMenu"));
    for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
      Theme::force(menu, scheme);
      Theme::force(move, scheme);
      move->popup(menu->geometry().topRight());
      QVERIFY(screens.save(menu->grab(), QStringLiteral("row-menu"), scheme));
      QVERIFY(screens.save(move->grab(), QStringLiteral("move-menu"), scheme));
    }
    menu->close();

    model->setSelection("人名");
    model->setQuery("た");
    QVERIFY(screens.render(window, QStringLiteral("one-dictionary-searched")));

    model->setQuery("存在しない語");
    QVERIFY(screens.render(window, QStringLiteral("nothing-found")));
  }

  void aSheetOverTheWindowAndTheSetup() {
    Scene scene;
    writeWords(scene);
    scene.writeDictionary({});
    auto model = scene.model();
    QVERIFY(MainScene::reflect(*model, true));
    MainWindow window(*model);
    window.rootView()->cardOverlay()->setMotion({std::chrono::milliseconds(0), {}});
    window.rootView()->setOverlay(
        Overlay::edit(EditTarget::editing(window.rootView()->mainPanel()->table()->rows().row(4))));
    Screens screens;
    QVERIFY(screens.render(window, QStringLiteral("edit-sheet")));
    window.rootView()->setOverlay(std::nullopt);
    model->setChoosingFolder(true);
    QVERIFY(screens.render(window, QStringLiteral("setup")));
  }

  void pendingDictionary() {
    Scene scene;
    writeWords(scene);
    scene.writeDictionary({});
    auto model = scene.model();
    QVERIFY(MainScene::reflect(*model, true));
    QCOMPARE(model->addDictionary("99 - 試し"), std::nullopt);
    MainWindow window(*model);
    QVERIFY(Screens().render(window, QStringLiteral("pending-dictionary")));
  }

  void banners_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("local edits") << "banner-local-edits";
    QTest::newRow("big change") << "banner-big-change";
    QTest::newRow("master problem") << "banner-master-problem";
    QTest::newRow("failed") << "banner-failed";
    QTest::newRow("tool open") << "banner-tool-open";
  }
  void banners() {
    QFETCH(QString, name);
    Scene scene;
    std::unique_ptr<AppModel> model = name == "banner-local-edits"  ? MainScene::localEdits(scene)
                                      : name == "banner-big-change" ? MainScene::bigChange(scene)
                                      : name == "banner-master-problem"
                                          ? MainScene::masterProblem(scene)
                                      : name == "banner-failed" ? MainScene::failed(scene)
                                                                : MainScene::toolOpen(scene);
    QVERIFY(model);
    MainWindow window(*model);
    if (name == "banner-big-change") {
      window.show();
      QTest::mouseClick(window.findChild<QWidget*>(QStringLiteral("confirmBigChange")),
                        Qt::LeftButton);
    }
    QVERIFY(Screens().render(window, name));
  }

  // A master with a problem on many lines: the banner scrolls, the table stays.
  void aLongMasterProblem() {
    Scene scene;
    Words doubled;
    for (const DictEntry& entry : people()) {
      doubled.push_back(entry);
      doubled.push_back(entry);
    }
    scene.writeMaster("人名", doubled);
    scene.writeDictionary({});
    auto model = scene.model();
    QVERIFY(MainScene::reflect(*model));
    MainWindow window(*model);
    QVERIFY(Screens().render(window, QStringLiteral("banner-master-problem-long")));
  }

  // Every banner that can stand together, above each other, and a deletion question.
  void bannersTogether() {
    Scene scene;
    writeWords(scene);
    platform::writeAtomically(scene.master / u8("人名 (競合コピー).txt"), "やまだ\t山田\t人名\n");
    platform::writeAtomically(scene.master / u8("地名 のコンフリクト.txt"), "はかた\t博多\t地名\n");
    scene.writeDictionary({});
    auto model = scene.model();
    QVERIFY(MainScene::reflect(*model, true));
    platform::writeAtomically(scene.master / u8("仕事.txt"), "よみだけ\n");
    model->reload();
    MainWindow window(*model);
    window.rootView()->setActionError(
        "開いてから、ほかのパソコンでマスターが変わりました（人名）。再読み込みしたので、もう一度や"
        "り直してください");
    auto* table = window.rootView()->mainPanel()->table();
    table->selectPositions({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    table->setFocus();
    window.show();
    QTest::keyClick(table, Qt::Key_Delete);
    QVERIFY(Screens().render(window, QStringLiteral("banners-together")));
  }
};

QTEST_MAIN(MainWindowScreens)
#include "main_window_screens.moc"
