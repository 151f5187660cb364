// A release made by scripts/release.sh, installed by its install.sh, updates itself from a local
// HTTPS server to the next release, and the new copy starts.
#include <QProcess>
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

 private:
  // Runs a program with HOME in the test's folder; its exit status, output in `output`.
  int run(const QString& program, const QStringList& arguments, QString* output = nullptr);
  // Runs the stand-in application; its exit status.
  int runClient(const char* mode);
  QString installedVersion();
  bool oldCopyTrashed();

  TempDir dir;
  std::unique_ptr<TestHttpsServer> server;
  QString oldArchive;
  const fs::path root = dir / "home/.local/opt/Wordloom";
};

int UpdateEndToEndTest::run(const QString& program, const QStringList& arguments, QString* output) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("HOME", QString::fromStdString((dir / "home").string()));
  environment.insert("XDG_DATA_HOME", QString::fromStdString((dir / "home/.local/share").string()));
  process.setProcessEnvironment(environment);
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, arguments);
  if (!process.waitForFinished(120000)) return -1;
  const QString text = QString::fromUtf8(process.readAll());
  if (output != nullptr) *output = text;
  if (process.exitCode() != 0) qWarning("%s: %s", qPrintable(program), qPrintable(text));
  return process.exitCode();
}

QString UpdateEndToEndTest::installedVersion() {
  QString version;
  return run(QString::fromStdString((root / "bin/wordloom").string()), {"--version"}, &version) == 0
             ? version
             : QString();
}

bool UpdateEndToEndTest::oldCopyTrashed() {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(dir / "home/.local/share/Trash/files", error)) {
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

// A user's install of 1.6 through the release's own install.sh.
void UpdateEndToEndTest::init() {
  fs::remove_all(dir / "home");
  fs::remove_all(dir / "unpacked");
  fs::create_directories(dir / "unpacked");
  QCOMPARE(
      run("tar", {"-xzf", oldArchive, "-C", QString::fromStdString((dir / "unpacked").string())}),
      0);
  QCOMPARE(run(QString::fromStdString((dir / "unpacked/Wordloom/install.sh").string()), {}), 0);
  QCOMPARE(installedVersion(), QStringLiteral("1.6\n"));
  QCOMPARE(fs::read_symlink(dir / "home/.local/bin/wordloom"), root / "bin/wordloom");
  QVERIFY(platform::readFile(dir / "home/.local/share/applications/jp.kumomori.wordloom.desktop")
              .find("Exec=" + (root / "bin/wordloom").string()) != std::string::npos);
  QVERIFY(
      fs::exists(dir / "home/.local/share/icons/hicolor/scalable/apps/jp.kumomori.wordloom.svg"));
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

QTEST_GUILESS_MAIN(UpdateEndToEndTest)
#include "update_end_to_end_test.moc"
