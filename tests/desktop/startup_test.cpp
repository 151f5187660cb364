#include <signal.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/app_scene.h"
#include "background/notifier.h"
#include "desktop/app_delegate.h"
#include "menus/release_notes_window.h"
#include "platform/process.h"
#include "support/menu_clicks.h"
#include "ui/main/main_window.h"
#include "ui/main/root_view.h"
#include "ui/settings/settings_window.h"
#include "ui/style/appearance.h"
#include "ui/style/material_symbols.h"

using MenuClicks::layout;

namespace {

QMenu* menuNamed(const MainWindow& window, const char* name) {
  return window.menuBar()->findChild<QMenu*>(QString::fromLatin1(name));
}

// Counts the close events a window receives.
struct CloseCounter : QObject {
  explicit CloseCounter(QWidget* window) { window->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Close) ++count;
    return false;
  }
  int count = 0;
};

// Runs the event loop until the application quits; a failure to quit ends at the test's limit.
int runUntilQuit(std::function<void()> first) {
  QTimer::singleShot(0, qApp, std::move(first));
  return QApplication::exec();
}

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT

 public slots:
  void open(const QUrl& url) { opened << url; }

 private slots:
  void initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("WordloomTest"));
    MaterialSymbols::registerFont();
    Appearance::shared();
    for (const char* scheme : {"https", "mailto", "file"}) {
      QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
  }

  void cleanupTestCase() {
    for (const char* scheme : {"https", "mailto", "file"}) {
      QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
  }

  void init() {
    QSettings().clear();
    opened.clear();
    scene = std::make_unique<Scene>();
    scene->writeMaster("人名", words("人", 3));
    scene->writeDictionary({{"人名", words("人", 3)}});
  }
  void cleanup() {
    delegate.reset();
    scene.reset();
    qunsetenv("LUMI_SNAPSHOT_DIR");
  }

  // Runs first, while nothing has prepared the shared notifier yet.
  void snapshotModeLeavesNormalOperationOut() {
    QTemporaryDir images;
    qputenv("LUMI_SNAPSHOT_DIR", images.path().toUtf8());
    moveTheService();
    start();
    QCOMPARE(Notifier::shared().status(), Notifier::Status::unknown);
    QVERIFY(scene->calls().empty());
    QSignalSpy reloads(delegate->model(), &AppModel::masterChanged);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    QCOMPARE(reloads.size(), 0);
    // The snapshots' own reflect.
    QVERIFY(Scene::settle(*delegate->model()));
  }

  void normalStartPreparesRepairsAndReflects() {
    moveTheService();
    start();
    QVERIFY(Notifier::shared().status() != Notifier::Status::unknown);
    QVERIFY(!scene->calls().empty());
    QVERIFY(LaunchAgent::pointsToThisApp(scene->host()));
    QVERIFY(delegate->model()->isSyncing());
    QVERIFY(Scene::settle(*delegate->model()));
    QVERIFY(delegate->model()->state().isOK());

    QSignalSpy reloads(delegate->model(), &AppModel::masterChanged);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    QCOMPARE(reloads.size(), 1);
    QVERIFY(delegate->model()->isSyncing());
    QVERIFY(Scene::settle(*delegate->model()));
  }

  // The launch's own activation reads the master once, not twice; later activations reload.
  void theLaunchReadsTheMasterOnce() {
    delegate = std::make_unique<AppDelegate>(scene->context(true));
    delegate->start();
    AppModel& model = *delegate->model();
    QSignalSpy reloads(&model, &AppModel::masterChanged);
    QVERIFY(QTest::qWaitForWindowActive(delegate->window()));
    QCOMPARE(QGuiApplication::applicationState(), Qt::ApplicationActive);
    QVERIFY(Scene::settle(model));
    QCOMPARE(reloads.size(), 0);

    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    QCOMPARE(reloads.size(), 1);
    QVERIFY(Scene::settle(model));
  }

  void theWindow() {
    start();
    MainWindow& window = *delegate->window();
    QCOMPARE(window.windowTitle(), QStringLiteral("Wordloom"));
    QCOMPARE(window.size(), QSize(1120, 620));
    QVERIFY(window.isVisible());
  }

  void menuBar_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("application")
        << "appMenu"
        << "Wordloom"
        << QStringList{"Wordloomについて",     "アップデートを確認…", "---", "設定… Ctrl+,", "---",
                       "Wordloomを終了 Ctrl+Q"};
    QTest::newRow("file") << "fileMenu"
                          << "ファイル"
                          << QStringList{"再読み込みして反映 Ctrl+R", "マスターのフォルダを開く",
                                         "同期に使うフォルダを変更…", "---", "閉じる Ctrl+W"};
    QTest::newRow("edit") << "editMenu"
                          << "編集"
                          << QStringList{
                                 "取り消す Ctrl+Z",    "やり直す Ctrl+Shift+Z", "---",
                                 "カット Ctrl+X",      "コピー Ctrl+C",         "ペースト Ctrl+V",
                                 "すべてを選択 Ctrl+A"};
    QTest::newRow("window") << "windowMenu"
                            << "ウインドウ" << QStringList{"しまう Ctrl+M", "拡大/縮小"};
    QTest::newRow("help") << "helpMenu"
                          << "ヘルプ"
                          << QStringList{"Wordloomヘルプ F1", "改定履歴", "---", "不具合を報告",
                                         "Wordloomのウェブサイト"};
  }
  void menuBar() {
    QFETCH(QString, menu);
    QFETCH(QString, title);
    QFETCH(QStringList, items);
    start();
    QStringList titles;
    for (const QAction* action : delegate->window()->menuBar()->actions()) titles << action->text();
    QCOMPARE(titles, (QStringList{"Wordloom", "ファイル", "編集", "ウインドウ", "ヘルプ"}));
    const QMenu* found = menuNamed(*delegate->window(), menu.toLatin1().constData());
    QVERIFY(found != nullptr);
    QCOMPARE(found->title(), title);
    QCOMPARE(layout(found), items);
  }

  void fileCommands() {
    start();
    MainWindow& window = *delegate->window();
    AppModel& model = *delegate->model();
    QVERIFY(Scene::settle(model));

    QSignalSpy reloads(&model, &AppModel::masterChanged);
    QTest::keyClick(&window, Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(reloads.size(), 1);
    QVERIFY(model.isSyncing());
    QVERIFY(Scene::settle(model));

    MenuClicks::choose(window.menuBar(), menuNamed(window, "fileMenu"),
                       QStringLiteral("マスターのフォルダを開く"));
    QCOMPARE(opened,
             QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(scene->master.string()))});

    window.showMinimized();
    MenuClicks::choose(window.menuBar(), menuNamed(window, "fileMenu"),
                       QStringLiteral("同期に使うフォルダを変更…"));
    QVERIFY(model.isChoosingFolder());
    QVERIFY(!window.isMinimized());
    // The setup takes the window; the folder in use stays until the setup completes.
    QTRY_VERIFY(window.rootView()->setupPage() != nullptr &&
                window.rootView()->setupPage()->isVisible());
    QCOMPARE(model.paths().master, scene->master);
  }

  void settingsWindow() {
    start();
    MainWindow& window = *delegate->window();
    QCOMPARE(SettingsWindow::shared().model(), delegate->model());
    QTest::keyClick(&window, Qt::Key_Comma, Qt::ControlModifier);
    QTRY_VERIFY(SettingsWindow::shared().isVisible());
    SettingsWindow::shared().close();

    // Changing the synced folder from the settings wants the main window in front.
    window.showMinimized();
    emit SettingsWindow::shared().mainWindowWanted();
    QVERIFY(!window.isMinimized());

    delegate.reset();
    QCOMPARE(SettingsWindow::shared().model(), nullptr);
  }

  // Ctrl+W closes the window in front; a sheet over the main window holds it back there.
  void closingOtherWindows() {
    start();
    MainWindow& window = *delegate->window();
    CloseCounter closes(&window);

    SettingsWindow::shared().show();
    QVERIFY(QTest::qWaitForWindowActive(&SettingsWindow::shared()));
    QTest::keyClick(&SettingsWindow::shared(), Qt::Key_W, Qt::ControlModifier);
    QTRY_VERIFY(!SettingsWindow::shared().isVisible());

    StandardMenus::showReleaseNotes(delegate->menuConfig());
    auto& notes = StandardMenus::ReleaseNotesWindow::shared(delegate->menuConfig());
    QVERIFY(QTest::qWaitForWindowActive(&notes));
    QTest::keyClick(&notes, Qt::Key_W, Qt::ControlModifier);
    QTRY_VERIFY(!notes.isVisible());

    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_N, Qt::ControlModifier);
    QTRY_VERIFY(window.rootView()->overlay().has_value());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::ControlModifier);
    QTest::qWait(50);
    QCOMPARE(closes.count, 0);
    QVERIFY(window.isVisible());
  }

  void openMasterWithoutAFolderOpensNothing() {
    start(false);
    MenuClicks::choose(delegate->window()->menuBar(), menuNamed(*delegate->window(), "fileMenu"),
                       QStringLiteral("マスターのフォルダを開く"));
    QVERIFY(opened.isEmpty());
  }

  void editCommandsReachTheFocusedWidget() {
    start();
    MainWindow& window = *delegate->window();
    auto* field = window.findChild<QLineEdit*>(QStringLiteral("searchField"));
    QVERIFY(field != nullptr);
    field->setFocus();
    QTRY_VERIFY(field->hasFocus());
    field->insert(QStringLiteral("にん"));
    QMenu* edit = menuNamed(window, "editMenu");

    MenuClicks::choose(window.menuBar(), edit, QStringLiteral("すべてを選択"));
    QCOMPARE(field->selectedText(), QStringLiteral("にん"));
    MenuClicks::choose(window.menuBar(), edit, QStringLiteral("カット"));
    QCOMPARE(field->text(), QString());
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("にん"));
    MenuClicks::choose(window.menuBar(), edit, QStringLiteral("取り消す"));
    QCOMPARE(field->text(), QStringLiteral("にん"));
    MenuClicks::choose(window.menuBar(), edit, QStringLiteral("やり直す"));
    QCOMPARE(field->text(), QString());
    MenuClicks::choose(window.menuBar(), edit, QStringLiteral("ペースト"));
    MenuClicks::choose(window.menuBar(), edit, QStringLiteral("ペースト"));
    QCOMPARE(field->text(), QStringLiteral("にんにん"));
    field->selectAll();
    QApplication::clipboard()->clear();
    MenuClicks::choose(window.menuBar(), edit, QStringLiteral("コピー"));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("にんにん"));

    // The word table takes "すべてを選択" too, by its key.
    QTest::keyClick(field, Qt::Key_Backspace);
    auto* table = window.findChild<QTableView*>(QStringLiteral("wordTable"));
    QVERIFY(table != nullptr);
    QTRY_COMPARE(table->model()->rowCount(), 3);
    table->setFocus();
    QTRY_VERIFY(table->hasFocus());
    QTest::keyClick(table, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(table->selectionModel()->selectedRows().size(), 3);
  }

  void windowCommands() {
    start();
    MainWindow& window = *delegate->window();
    MenuClicks::choose(window.menuBar(), menuNamed(window, "windowMenu"),
                       QStringLiteral("拡大/縮小"));
    QVERIFY(window.isMaximized());
    MenuClicks::choose(window.menuBar(), menuNamed(window, "windowMenu"),
                       QStringLiteral("拡大/縮小"));
    QVERIFY(!window.isMaximized());
    QTest::keyClick(&window, Qt::Key_M, Qt::ControlModifier);
    QVERIFY(window.isMinimized());

    // A click on one of the application's notifications brings the window back.
    emit Notifier::shared().activated();
    QVERIFY(!window.isMinimized());
    QVERIFY(window.isVisible());
  }

  void closingTheWindowQuits_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("close button") << 0;
    QTest::newRow("Ctrl+W") << 1;
    QTest::newRow("close button with the release notes open") << 2;
  }
  void closingTheWindowQuits() {
    QFETCH(int, way);
    start();
    MainWindow* window = delegate->window();
    if (way == 2) {
      StandardMenus::showReleaseNotes(delegate->menuConfig());
      window->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(window));
    }
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    QCOMPARE(runUntilQuit([&] {
               if (way == 1) {
                 QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
               } else {
                 window->close();
               }
             }),
             0);
    QCOMPARE(quitting.size(), 1);
    QVERIFY(!window->isVisible());
    QVERIFY(!StandardMenus::ReleaseNotesWindow::shared(delegate->menuConfig()).isVisible());
  }

  void aTerminationSignalEndsTheEventLoopWithZero_data() {
    QTest::addColumn<int>("number");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
  }
  void aTerminationSignalEndsTheEventLoopWithZero() {
    QFETCH(int, number);
    start();
    QCOMPARE(runUntilQuit([number] { ::raise(number); }), 0);
  }

  // Programs this process starts (the service manager, the IME's tools) get the signals as
  // they were: nothing ignored, nothing blocked.
  void childrenInheritNoSignalHandling() {
    const auto childSignals = [] {
      return platform::runProcess("/bin/sh", {"-c", "grep -E '^Sig(Ign|Blk):' /proc/self/status"},
                                  {.captureOutput = true})
          .output;
    };
    const std::string before = childSignals();
    QVERIFY(before.find("SigBlk") != std::string::npos);
    start();
    QCOMPARE(childSignals(), before);
  }

  void geometrySurvivesARestart() {
    start();
    const QRect placed(140, 90, 900, 500);
    delegate->window()->setGeometry(placed);
    QCOMPARE(runUntilQuit([&] { delegate->window()->close(); }), 0);
    delegate.reset();

    start();
    QCOMPARE(delegate->window()->geometry(), placed);
    // Ended by a signal instead: the frame is kept too.
    const QRect moved(60, 40, 1000, 560);
    delegate->window()->setGeometry(moved);
    QCOMPARE(runUntilQuit([] { ::raise(SIGTERM); }), 0);
    delegate.reset();

    start();
    QCOMPARE(delegate->window()->geometry(), moved);
  }

 private:
  void start(bool configured = true) {
    delegate = std::make_unique<AppDelegate>(scene->context(configured));
    delegate->start();
    QVERIFY(QTest::qWaitForWindowExposed(delegate->window()));
  }

  // An automatic reflect service that starts a copy of the program somewhere else.
  void moveTheService() {
    LaunchAgent::Host moved = scene->host();
    moved.executable = scene->dir / "elsewhere/wordloom";
    LaunchAgent::install(SyncPaths{scene->master, scene->dictionary, scene->state}, moved);
    scene->calls();
  }

  std::unique_ptr<Scene> scene;
  std::unique_ptr<AppDelegate> delegate;
  QList<QUrl> opened;
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
