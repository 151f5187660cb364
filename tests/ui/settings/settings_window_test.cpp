// The settings window driven offscreen on a private session bus, with a real model over a
// temporary world and a stand-in service manager.
#include "ui/settings/settings_window.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "app/app_scene.h"
#include "background/app_info.h"
#include "background/notifier.h"
#include "master/master_store.h"
#include "support/opened_urls.h"
#include "ui/settings/file_settings.h"
#include "ui/settings/settings_view.h"
#include "ui/settings/sync_settings.h"
#include "ui/settings/toggle_switch.h"
#include "ui/style/appearance.h"
#include "ui/style/m_icon.h"
#include "ui/style/material_symbols.h"
#include "ui/style/styled_button.h"
#include "ui/style/theme.h"

class SettingsWindowTest : public QObject {
  Q_OBJECT

  std::optional<Scene> scene;
  std::unique_ptr<AppModel> model;
  OpenedUrls opened;

  fs::path home() const { return scene->dir / "home"; }
  SettingsWindow& window() const { return SettingsWindow::shared(); }

  template <typename T>
  T* find(const char* name) const {
    T* found = window().findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) qFatal("no widget %s", name);
    return found;
  }
  QString text(const char* name) const { return find<QLabel>(name)->text(); }
  ToggleSwitch* toggle() const { return find<ToggleSwitch>("autoSyncSwitch"); }

  void open(bool configured = true) {
    model = scene->model(configured);
    window().setModel(model.get());
    window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&window()));
  }
  void showTab(SettingsView::Tab tab) { window().view()->setTab(tab); }

 private slots:
  void initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("wordloom-test"));
    QCoreApplication::setApplicationName(QStringLiteral("settings"));
    MaterialSymbols::registerFont();
    Appearance::shared();
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
  }
  void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
  void init() {
    QSettings().clear();
    scene.emplace();
    scene->master = home() / "Dropbox/Wordloom";
    fs::create_directories(scene->master);
    scene->writeMaster("人名", words("人", 3));
    scene->writeDictionary({{"人名", words("人", 3)}});
    opened.urls.clear();
  }
  void cleanup() {
    window().hide();
    window().setModel(nullptr);
    if (model) QVERIFY(Scene::settle(*model));
    model.reset();
    scene.reset();
  }

  void withoutModelNothingOpens() {
    SettingsWindow alone;
    alone.show();
    QVERIFY(!alone.isVisible());
    QVERIFY(alone.view() == nullptr);
  }

  void openingTwiceReusesTheWindow() {
    open();
    SettingsView* first = window().view();
    QVERIFY(first != nullptr);
    QCOMPARE(window().windowTitle(), "設定");
    QCOMPARE(window().size(), QSize(640, 560));
    window().close();
    QVERIFY(!window().isVisible());
    window().show();
    QVERIFY(window().isVisible());
    QCOMPARE(window().view(), first);
    int windows = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
      windows += qobject_cast<SettingsWindow*>(widget) != nullptr && widget->isVisible() ? 1 : 0;
    QCOMPARE(windows, 1);
  }

  // A window made again (the next run) opens where the user left the last one.
  void frameIsKept() {
    model = scene->model();
    {
      SettingsWindow first;
      first.setModel(model.get());
      first.show();
      QVERIFY(QTest::qWaitForWindowExposed(&first));
      first.move(123, 77);
      QTRY_COMPARE(first.pos(), QPoint(123, 77));
      first.close();
    }
    QVERIFY(QSettings().contains("LumiWordloomSettings"));
    SettingsWindow again;
    again.setModel(model.get());
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QCOMPARE(again.pos(), QPoint(123, 77));
  }

  // The arrow keys move between the tabs from wherever the focus is; the last tab is kept.
  void tabsFollowTheArrowsAndAreKept() {
    open();
    QCOMPARE(window().view()->tab(), SettingsView::Tab::sync);
    QVERIFY(find<SyncSettings>("syncSettings")->isVisible());
    toggle()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(window().view()->tab(), SettingsView::Tab::files);
    QVERIFY(find<FileSettings>("fileSettings")->isVisible());
    QCOMPARE(QSettings().value("settingsTab").toString(), "files");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(window().view()->tab(), SettingsView::Tab::files);

    // Made again, the window opens on the tab last shown.
    window().setModel(nullptr);
    window().setModel(model.get());
    window().show();
    QCOMPARE(window().view()->tab(), SettingsView::Tab::files);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    QCOMPARE(window().view()->tab(), SettingsView::Tab::sync);
    QCOMPARE(QSettings().value("settingsTab").toString(), "sync");

    QSettings().setValue("settingsTab", "somewhere");
    QCOMPARE(SettingsView::storedTab(), SettingsView::Tab::sync);
  }

  // The switch always shows what is installed, and the model's message when a flip fails.
  void switchShowsWhatIsInstalled_data() {
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("installed");  // -1: whatever the service folder holds
    QTest::addColumn<QString>("message");
    QTest::newRow("installs") << "" << 1 << "";
    QTest::newRow("trial run against copies")
        << "override" << 0 << "テスト用のフォルダで動かしているため、自動反映は切り替えられません";
    QTest::newRow("service manager refuses") << "fail" << -1 << "*";
  }
  void switchShowsWhatIsInstalled() {
    QFETCH(QString, situation);
    QFETCH(int, installed);
    QFETCH(QString, message);
    if (situation == "override") scene->variables["LUMI_MASTER"] = scene->master.string();
    if (situation == "fail") platform::writeAtomically(scene->dir / "fail", "");
    open();
    QVERIFY(!toggle()->isChecked());
    QCOMPARE(text("autoSyncNote"), "オフのあいだは、このアプリを開いたときだけ反映します");
    QVERIFY(!find<QLabel>("autoSyncError")->isVisible());

    // From the keyboard, as a user without a mouse would.
    toggle()->setFocus();
    QTest::keyClick(toggle(), Qt::Key_Space);
    QCOMPARE(model->autoSync(), LaunchAgent::isInstalled(scene->host()));
    QCOMPARE(toggle()->isChecked(), model->autoSync());
    if (installed >= 0) QCOMPARE(model->autoSync(), installed == 1);
    QCOMPARE(text("autoSyncNote"),
             model->autoSync()
                 ? "アプリを閉じていても、マスターが変わればこのパソコンの辞書へ反映します"
                 : "オフのあいだは、このアプリを開いたときだけ反映します");
    QCOMPARE(find<QLabel>("autoSyncError")->isVisible(), !message.isEmpty());
    if (message == "*") {
      QCOMPARE(text("autoSyncError"), QString::fromStdString(*model->autoSyncError()));
    } else if (!message.isEmpty()) {
      QCOMPARE(text("autoSyncError"), message);
    }

    // Switching off again ends where the service manager leaves it, too.
    fs::remove(scene->dir / "fail");
    QTest::mouseClick(toggle(), Qt::LeftButton);
    QCOMPARE(toggle()->isChecked(), model->autoSync());
    if (situation.isEmpty()) QVERIFY(!model->autoSync());
  }

  // The status follows the notification server; the button opens the desktop's settings.
  void notificationsFollowTheServer() {
    open();
    // No server on the test's bus: asked again on show, the status turns off.
    QTRY_COMPARE(text("notificationStatus"), "オフ（反映が停止しても通知されません）");
    QCOMPARE(find<MIcon>("notificationMark")->name(), "warning");
    QCOMPARE(find<MIcon>("notificationMark")->color(), Theme::warn);

    QTemporaryDir record;
    QProcess server;
    server.start(FAKE_NOTIFICATION_SERVER, {record.filePath("record")});
    QTRY_VERIFY(QFile::exists(record.filePath("record.ready")));
    Notifier::shared().refresh();
    QTRY_COMPARE(text("notificationStatus"), "オン（反映が停止したら通知します）");
    QCOMPARE(find<MIcon>("notificationMark")->name(), "check_circle");
    QCOMPARE(find<MIcon>("notificationMark")->color(), Theme::ok);
    server.terminate();
    server.waitForFinished();

    // A desktop settings tool in PATH that writes down how it was called.
    QTemporaryDir bin;
    const QString tool = bin.filePath("gnome-control-center");
    platform::writeAtomically(tool.toStdString(), "#!/bin/sh\necho \"$@\" > '" +
                                                      bin.filePath("called").toStdString() + "'\n");
    fs::permissions(tool.toStdString(), fs::perms::owner_all);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit() + ":" + path);
    qunsetenv("XDG_CURRENT_DESKTOP");
    QTest::mouseClick(find<StyledButton>("openNotificationSettings"), Qt::LeftButton);
    QTRY_VERIFY(QFile::exists(bin.filePath("called")));
    qputenv("PATH", path);
  }

  // The three folders as short paths, each opened in the file manager once it exists.
  void foldersOpenInTheFileManager() {
    open();
    showTab(SettingsView::Tab::files);
    const fs::path history = MasterStore::historyDir(scene->master);
    const fs::path backups = model->paths().backups();
    QCOMPARE(text("masterPath"), "~/Dropbox/Wordloom");
    QCOMPARE(text("historyPath"), "~/Dropbox/_履歴");
    QCOMPARE(find<QLabel>("backupsPath")->toolTip(), QString::fromStdString(backups.string()));
    QCOMPARE(text("backupsKept"), "30 件を残す");
    QCOMPARE(text("historyKept"), "100件を残す（_履歴）");
    QCOMPARE(text("versionFooter"),
             QString::fromStdString("Wordloom・バージョン " + AppInfo::version()));

    // Before the first save and the first reflect there is nothing to open there.
    QVERIFY(find<StyledButton>("masterOpen")->isEnabled());
    QVERIFY(!find<StyledButton>("historyOpen")->isEnabled());
    QVERIFY(!find<StyledButton>("backupsOpen")->isEnabled());
    fs::create_directories(history);
    fs::create_directories(backups);
    model->sync();
    QVERIFY(Scene::settle(*model));
    QVERIFY(find<StyledButton>("historyOpen")->isEnabled());
    QVERIFY(find<StyledButton>("backupsOpen")->isEnabled());

    for (const char* name : {"masterOpen", "backupsOpen", "historyOpen"}) {
      QTest::mouseClick(find<StyledButton>(name), Qt::LeftButton);
    }
    QCOMPARE(opened.urls,
             (QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(scene->master.string())),
                          QUrl::fromLocalFile(QString::fromStdString(backups.string())),
                          QUrl::fromLocalFile(QString::fromStdString(history.string()))}));
  }

  void withoutFolderThereIsNothingToOpen() {
    open(false);
    showTab(SettingsView::Tab::files);
    QCOMPARE(text("masterPath"), "フォルダを選択");
    QVERIFY(!find<StyledButton>("masterOpen")->isEnabled());
    QVERIFY(!find<StyledButton>("historyOpen")->isEnabled());
  }

  void changingTheFolderWantsTheMainWindow() {
    open();
    showTab(SettingsView::Tab::files);
    QSignalSpy wanted(&window(), &SettingsWindow::mainWindowWanted);
    QTest::mouseClick(find<StyledButton>("changeFolder"), Qt::LeftButton);
    QVERIFY(model->isChoosingFolder());
    QVERIFY(model->showsSetup());
    QCOMPARE(wanted.count(), 1);
  }

  // The content refers to the model: when the model goes, so do the content and the window.
  void modelGoingAwayTakesTheContent() {
    open();
    QVERIFY(Scene::settle(*model));
    model.reset();
    QVERIFY(window().view() == nullptr);
    QVERIFY(!window().isVisible());
    window().show();
    QVERIFY(!window().isVisible());
  }

  void textsSpeakOfThePlatform() {
    ScopedPlatformWords mac(ImePlatform::googleJapaneseInput().words);
    model = scene->model();
    model->setAutoSync(true);
    SettingsView view(*model);
    QCOMPARE(view.findChild<QLabel*>("autoSyncNote")->text(),
             "アプリを閉じていても、マスターが変わればこの Mac の辞書へ反映します");
  }

  // Writes the window's screens under the build folder for a person to look at.
  void screens() {
    const QString folder =
        QDir(qEnvironmentVariable("WORDLOOM_BINARY_DIR", QDir::currentPath())).filePath("screens");
    QVERIFY(QDir().mkpath(folder));
    const auto shoot = [&](const QString& name) {
      for (const auto scheme : {ColorScheme::light, ColorScheme::dark}) {
        Theme::force(&window(), scheme);
        QVERIFY(window().grab().save(QDir(folder).filePath(
            name + (scheme == ColorScheme::light ? "-light.png" : "-dark.png"))));
      }
      Theme::force(&window(), Appearance::shared().scheme());
    };
    open();
    QTest::mouseClick(toggle(), Qt::LeftButton);
    QVERIFY(toggle()->isChecked());
    // The knob slides for a moment.
    QTest::qWait(300);
    shoot("settings-sync");
    showTab(SettingsView::Tab::files);
    shoot("settings-files");

    window().setModel(nullptr);
    scene->variables["LUMI_MASTER"] = scene->master.string();
    open();
    showTab(SettingsView::Tab::sync);
    QTest::mouseClick(toggle(), Qt::LeftButton);
    QTest::qWait(300);
    shoot("settings-sync-refused");
  }
};

QTEST_MAIN(SettingsWindowTest)
#include "settings_window_test.moc"
