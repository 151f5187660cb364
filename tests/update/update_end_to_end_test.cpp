// A release made by scripts/release.sh, installed by its install.sh, updates itself from a local
// HTTPS server to the next release, and the new copy starts. The installed program itself checks
// at launch, installs from the window or prepares silently, and is swapped once it has quit.
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTest>
#include <memory>

#include "https_server.h"
#include "platform/files.h"
#include "platform/process.h"
#include "support/temp_dir.h"
#include "update/finish_update.h"

namespace fs = std::filesystem;

class UpdateEndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void aReleaseUpdatesItselfToTheNext();
  void anAutomaticUpdateSwapsWhenTheApplicationQuits();
  void theInstalledApplicationUpdatesFromItsLaunchCheck();

 private:
  // Runs a program with HOME in the test's folder; its exit status, output in `output`.
  int run(const QString& program, const QStringList& arguments, QString* output = nullptr,
          const fs::path& home = {});
  // The environment of a program whose home folder is `home`.
  QProcessEnvironment environment(const fs::path& home) const;
  // Installs 1.6 for the user whose home folder is `home`.
  void installOld(const fs::path& home);
  // Runs the stand-in application; its exit status.
  int runClient(const char* mode);
  QString installedVersion(const fs::path& home = {});
  bool oldCopyTrashed(const fs::path& home = {});

  TempDir dir;
  std::unique_ptr<TestHttpsServer> server;
  QString oldArchive;
  const fs::path root = dir / "home/.local/opt/Wordloom";
};

QProcessEnvironment UpdateEndToEndTest::environment(const fs::path& home) const {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  const auto set = [&](const char* name, const fs::path& path) {
    environment.insert(QString::fromLatin1(name), QString::fromStdString(path.string()));
  };
  const fs::path folder = home.empty() ? dir / "home" : home;
  set("HOME", folder);
  set("XDG_DATA_HOME", folder / ".local/share");
  set("XDG_CONFIG_HOME", folder / ".config");
  set("XDG_STATE_HOME", folder / ".local/state");
  set("XDG_CACHE_HOME", folder / ".cache");
  // Each user a session of their own, as the desktop gives: one copy of the windows per session.
  const fs::path runtime = folder / "runtime";
  fs::create_directories(runtime);
  fs::permissions(runtime, fs::perms::owner_all);
  set("XDG_RUNTIME_DIR", runtime);
  return environment;
}

int UpdateEndToEndTest::run(const QString& program, const QStringList& arguments, QString* output,
                            const fs::path& home) {
  QProcess process;
  process.setProcessEnvironment(environment(home));
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, arguments);
  if (!process.waitForFinished(120000)) return -1;
  const QString text = QString::fromUtf8(process.readAll());
  if (output != nullptr) *output = text;
  if (process.exitCode() != 0) qWarning("%s: %s", qPrintable(program), qPrintable(text));
  return process.exitCode();
}

QString UpdateEndToEndTest::installedVersion(const fs::path& home) {
  const fs::path folder = home.empty() ? dir / "home" : home;
  QString version;
  return run(QString::fromStdString((folder / ".local/opt/Wordloom/bin/wordloom").string()),
             {"--version"}, &version, folder) == 0
             ? version
             : QString();
}

bool UpdateEndToEndTest::oldCopyTrashed(const fs::path& home) {
  const fs::path folder = home.empty() ? dir / "home" : home;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder / ".local/share/Trash/files", error)) {
    if (entry.path().filename().string().starts_with("Wordloom（1.6 を置き換え ")) return true;
  }
  return false;
}

// Two releases signed by a fresh key: 1.6 to install, 99.1 on the server.
void UpdateEndToEndTest::initTestCase() {
  const QString release =
      QString::fromLocal8Bit(qgetenv("WORDLOOM_SOURCE_DIR")) + "/scripts/release.sh";
  const QString key = QString::fromStdString((dir / "test.key").string());
  QCOMPARE(run("minisign",
               {"-G", "-W", "-p", QString::fromStdString((dir / "test.pub").string()), "-s", key}),
           0);
  QCOMPARE(run(release,
               {"--key", key, "--binary", WORDLOOM_EXECUTABLE, "--out",
                QString::fromStdString((dir / "old").string())},
               &oldArchive),
           0);
  oldArchive = oldArchive.trimmed().split('\n').last();
  QString made;
  QCOMPARE(run(release,
               {"--key", key, "--binary", WORDLOOM_NEXT_EXECUTABLE, "--out",
                QString::fromStdString((dir / "next").string())},
               &made),
           0);
  const QString archive = QFileInfo(made.trimmed().split('\n').last()).fileName();
  QVERIFY2(archive.startsWith("Wordloom-99.1-"), qPrintable(made));
  server = std::make_unique<TestHttpsServer>(dir / "certs");
  server->setFile("/apps/wordloom/version.json", (dir / "next/version.json"));
  server->setFile("/apps/wordloom/" + archive, dir / "next" / archive.toStdString());
  server->setFile("/apps/wordloom/" + archive + ".minisig",
                  dir / "next" / (archive + ".minisig").toStdString());
}

void UpdateEndToEndTest::init() {
  installOld(dir / "home");
}

// A user's install of 1.6 through the release's own install.sh.
void UpdateEndToEndTest::installOld(const fs::path& home) {
  const fs::path installed = home / ".local/opt/Wordloom/bin/wordloom";
  fs::remove_all(home);
  fs::remove_all(dir / "unpacked");
  fs::create_directories(dir / "unpacked");
  QCOMPARE(
      run("tar", {"-xzf", oldArchive, "-C", QString::fromStdString((dir / "unpacked").string())}),
      0);
  QCOMPARE(
      run(QString::fromStdString((dir / "unpacked/Wordloom/install.sh").string()), {}, {}, home),
      0);
  QCOMPARE(installedVersion(home), QStringLiteral("1.6\n"));
  QCOMPARE(fs::read_symlink(home / ".local/bin/wordloom"), installed);
  QVERIFY(platform::readFile(home / ".local/share/applications/jp.kumomori.wordloom.desktop")
              .find("Exec=" + installed.string()) != std::string::npos);
  QVERIFY(fs::exists(home / ".local/share/icons/hicolor/scalable/apps/jp.kumomori.wordloom.svg"));
}

int UpdateEndToEndTest::runClient(const char* mode) {
  QProcess client;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("HOME", QString::fromStdString((dir / "home").string()));
  environment.insert("XDG_DATA_HOME", QString::fromStdString((dir / "home/.local/share").string()));
  environment.insert("UPDATE_PROMPT_TEST_TEAM",
                     QString::fromStdString(platform::readFile(dir / "test.pub")));
  client.setProcessEnvironment(environment);
  client.setStandardOutputFile(QString::fromStdString((dir / "client.out").string()));
  client.setStandardErrorFile(QString::fromStdString((dir / "client.err").string()));
  client.start(UPDATE_CLIENT,
               {QString::fromLatin1(mode), server->url("/apps/wordloom/version.json").toString(),
                QString::fromStdString((dir / "certs/ca.pem").string()),
                QString::fromStdString(root.string())});
  if (!QTest::qWaitFor([&] { return client.state() == QProcess::NotRunning; }, 60000)) return -1;
  if (client.exitCode() != 0) qWarning("%s", platform::readFile(dir / "client.err").c_str());
  return client.exitCode();
}

// The application checks, downloads, arranges the swap and quits; the swap then runs and starts
// the new copy, whose output joins the application's.
void UpdateEndToEndTest::aReleaseUpdatesItselfToTheNext() {
  QCOMPARE(runClient("manual"), 0);
  QVERIFY(QTest::qWaitFor(
      [&] { return platform::readFile(dir / "client.out").find("99.1") != std::string::npos; },
      30000));
  QCOMPARE(platform::readFile(dir / "client.out"), std::string("99.1\n"));
  QCOMPARE(installedVersion(), QStringLiteral("99.1\n"));
  for (const auto& entry : fs::directory_iterator(root.parent_path())) {
    QVERIFY2(!entry.path().filename().string().starts_with(FinishUpdate::workPrefix),
             entry.path().c_str());
  }
  QVERIFY(oldCopyTrashed());
}

// Prepared silently at launch, swapped in once the application has quit, not started again.
void UpdateEndToEndTest::anAutomaticUpdateSwapsWhenTheApplicationQuits() {
  QCOMPARE(runClient("auto"), 0);
  QVERIFY(QTest::qWaitFor([&] { return installedVersion() == QStringLiteral("99.1\n"); }, 30000));
  QVERIFY(QTest::qWaitFor([&] { return oldCopyTrashed(); }, 10000));
  QCOMPARE(platform::readFile(dir / "client.out"), std::string());
}

// Two users run the installed program against a feed beside the next release. Ten seconds after
// launch it reads the feed; one user's window installs (the test action) and the program quits to
// be swapped; the other, who chose automatic installation, has it prepared silently and swapped
// once the program ends on a termination signal. Both run at once to share the wait.
void UpdateEndToEndTest::theInstalledApplicationUpdatesFromItsLaunchCheck() {
  const fs::path homes[] = {dir / "manual", dir / "automatic"};
  for (const fs::path& home : homes) installOld(home);
  QSettings(QString::fromStdString((homes[1] / ".config/kumomori/Wordloom.conf").string()),
            QSettings::IniFormat)
      .setValue("updatePrompt.autoInstall", true);

  QProcess programs[2];
  QElapsedTimer clock;
  clock.start();
  for (int i = 0; i < 2; ++i) {
    QProcessEnvironment environment = this->environment(homes[i]);
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.remove("DBUS_SESSION_BUS_ADDRESS");
    environment.insert(
        "UPDATE_PROMPT_TEST_FEED",
        QUrl::fromLocalFile(QString::fromStdString((dir / "next/version.json").string()))
            .toString());
    environment.insert("UPDATE_PROMPT_TEST_TEAM",
                       QString::fromStdString(platform::readFile(dir / "test.pub")));
    if (i == 0) {
      environment.insert("UPDATE_PROMPT_TEST_ACTION", "install");
      environment.insert("UPDATE_PROMPT_TEST_NO_RELAUNCH", "1");
    }
    programs[i].setProcessEnvironment(environment);
    programs[i].setProcessChannelMode(QProcess::MergedChannels);
    programs[i].start(QString::fromStdString((homes[i] / ".local/bin/wordloom").string()), {});
    QVERIFY(programs[i].waitForStarted());
  }
  QString output[2];
  const auto said = [&](int i, const char* line) {
    output[i] += QString::fromUtf8(programs[i].readAll());
    return output[i].contains(QString::fromUtf8(line));
  };

  QVERIFY2(
      QTest::qWaitFor([&] { return said(1, "を用意しました。終了したときに差し替えます"); }, 60000),
      qPrintable(output[1]));
  QVERIFY(clock.elapsed() >= 10000);
  // Prepared, not installed: the running program is never touched.
  QCOMPARE(installedVersion(homes[1]), QStringLiteral("1.6\n"));
  programs[1].terminate();

  for (int i = 0; i < 2; ++i) {
    QVERIFY2(QTest::qWaitFor([&] { return programs[i].state() == QProcess::NotRunning; }, 60000),
             qPrintable(output[i]));
    said(i, "");
    QCOMPARE(programs[i].exitStatus(), QProcess::NormalExit);
    QCOMPARE(programs[i].exitCode(), 0);
  }
  QVERIFY2(
      output[0].contains(QStringLiteral("UpdatePrompt: 確認が通りました。終了して差し替えます: ")),
      qPrintable(output[0]));
  QVERIFY(clock.elapsed() >= 10000);
  for (const fs::path& home : homes) {
    QVERIFY(
        QTest::qWaitFor([&] { return installedVersion(home) == QStringLiteral("99.1\n"); }, 30000));
    QVERIFY(QTest::qWaitFor([&] { return oldCopyTrashed(home); }, 10000));
  }
}

QTEST_GUILESS_MAIN(UpdateEndToEndTest)
#include "update_end_to_end_test.moc"
