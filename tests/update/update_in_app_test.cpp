// The update check as the started application offers it: "アップデートを確認…" in its application
// menu reads the application's feed and opens the update window in the phase the feed calls for;
// the program asked for a snapshot draws the window its launch check opens into a picture.
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include "app/app_scene.h"
#include "background/app_info.h"
#include "desktop/app_delegate.h"
#include "support/menu_clicks.h"
#include "ui/main/main_window.h"
#include "ui/style/appearance.h"
#include "ui/style/material_symbols.h"
#include "update/update_log.h"
#include "update/update_model.h"
#include "update/update_window.h"

class UpdateInAppTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("WordloomTest"));
    MaterialSymbols::registerFont();
    Appearance::shared();
    UpdatePrompt::setLogSink([](std::string_view) {});
  }

  void checkFromTheApplicationMenu_data() {
    QTest::addColumn<QString>("feed");  // the feed file's text; empty: no file
    QTest::addColumn<QString>("title");
    QTest::addColumn<QUrl>("page");
    const QString current = QString::fromStdString(AppInfo::version());
    const QUrl vendor(QStringLiteral("https://kumomori.jp/apps/wordloom/"));
    QTest::newRow("newer") << R"({"version": "99.0", "url": "https://kumomori.jp/dl/"})"
                           << "新しいバージョンのWordloomがあります"
                           << QUrl(QStringLiteral("https://kumomori.jp/dl/"));
    QTest::newRow("same") << QStringLiteral(R"({"version": "%1"})").arg(current)
                          << "Wordloomは最新です" << vendor;
    // Without a feed the window sends the user to the folder of the application's own feed.
    QTest::newRow("unreadable") << QString() << "アップデートを確認できませんでした" << vendor;
  }

  void checkFromTheApplicationMenu() {
    QFETCH(QString, feed);
    QFETCH(QString, title);
    QFETCH(QUrl, page);
    const fs::path file = scene.dir / "version.json";
    fs::remove(file);
    if (!feed.isEmpty()) platform::writeAtomically(file, feed.toStdString());
    qputenv("UPDATE_PROMPT_TEST_FEED",
            QUrl::fromLocalFile(QString::fromStdString(file.string())).toEncoded());

    AppDelegate delegate(scene.context(true));
    delegate.start();
    MainWindow& window = *delegate.window();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(Scene::settle(*delegate.model()));
    choose(window, QStringLiteral("アップデートを確認…"));

    QTRY_VERIFY(UpdateWindow::current() != nullptr);
    UpdateWindow& update = *UpdateWindow::current();
    QVERIFY(QTest::qWaitForWindowExposed(&update));
    QCOMPARE(update.model().title(), title);
    QCOMPARE(update.model().currentVersion(), QString::fromStdString(AppInfo::version()));
    QCOMPARE(update.model().pageURL(), page);
    update.close();
    QTRY_COMPARE(UpdateWindow::current(), nullptr);
  }

  void theProgramDrawsItsUpdateWindow() {
    platform::writeAtomically(scene.dir / "改定履歴.md", "## 99.0（2026年6月1日）\n- 新しいこと\n");
    platform::writeAtomically(scene.dir / "version.json",
                              R"({"version": "99.0", "zip": "Wordloom-99.0.tar.gz",)"
                              R"( "notes": "改定履歴.md"})");
    const QString picture = QDir(qEnvironmentVariable("WORDLOOM_BINARY_DIR", QDir::currentPath()))
                                .filePath(QStringLiteral("update-window/program-offer-dark.png"));
    QVERIFY(QDir().mkpath(QFileInfo(picture).path()));
    QFile::remove(picture);

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", QString::fromStdString((scene.dir / "home").string()));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.remove("DBUS_SESSION_BUS_ADDRESS");
    environment.insert(
        "UPDATE_PROMPT_TEST_FEED",
        QUrl::fromLocalFile(QString::fromStdString((scene.dir / "version.json").string()))
            .toString());
    environment.insert("UPDATE_PROMPT_SNAPSHOT", picture);
    environment.insert("UPDATE_PROMPT_APPEARANCE", "dark");
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(WORDLOOM_EXECUTABLE), {});
    QVERIFY(program.waitForFinished(60000));
    const QString output = QString::fromUtf8(program.readAll());
    QCOMPARE(program.exitCode(), 0);
    QVERIFY2(output.contains(QStringLiteral("UpdatePrompt: 検証用の画像を書きました: ") + picture),
             qPrintable(output));
    QCOMPARE(QImage(picture).width(), 560);
  }

 private:
  // Opens the application menu from the menu bar and clicks `title`, as a user does.
  static void choose(const MainWindow& window, const QString& title) {
    QMenuBar* bar = window.menuBar();
    MenuClicks::choose(bar, bar->findChild<QMenu*>(QStringLiteral("appMenu")), title);
  }

  Scene scene;
};

QTEST_MAIN(UpdateInAppTest)
#include "update_in_app_test.moc"
