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
  void aReleaseUpdatesItselfToTheNext();

 private:
  // Runs a program with HOME in the test's folder; its exit status, output in `output`.
  int run(const QString& program, const QStringList& arguments, QString* output = nullptr);
  TempDir dir;
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

void UpdateEndToEndTest::aReleaseUpdatesItselfToTheNext() {
  const QString source = QString::fromLocal8Bit(qgetenv("WORDLOOM_SOURCE_DIR"));
  const QString release = source + "/scripts/release.sh";
  const QString key = QString::fromStdString((dir / "test.key").string());
  const QString publicKey = QString::fromStdString((dir / "test.pub").string());
  QCOMPARE(run("minisign", {"-G", "-W", "-p", publicKey, "-s", key}), 0);

  // The installed copy: release 1.6 through its own install.sh.
  const QString old = QString::fromStdString((dir / "old").string());
  QString oldArchive;
  QCOMPARE(run(release, {"--key", key, "--binary", WORDLOOM_EXECUTABLE, "--out", old}, &oldArchive),
           0);
  fs::create_directories(dir / "unpacked");
  QCOMPARE(run("tar", {"-xzf", oldArchive.trimmed().split('\n').last(), "-C",
                       QString::fromStdString((dir / "unpacked").string())}),
           0);
  QCOMPARE(run(QString::fromStdString((dir / "unpacked/Wordloom/install.sh").string()), {}), 0);
  const fs::path root = dir / "home/.local/opt/Wordloom";
  const QString installed = QString::fromStdString((root / "bin/wordloom").string());
  QString version;
  QCOMPARE(run(installed, {"--version"}, &version), 0);
  QCOMPARE(version, QStringLiteral("1.6\n"));
  QCOMPARE(fs::read_symlink(dir / "home/.local/bin/wordloom"), root / "bin/wordloom");
  QVERIFY(platform::readFile(dir / "home/.local/share/applications/jp.kumomori.wordloom.desktop")
              .find("Exec=" + (root / "bin/wordloom").string()) != std::string::npos);
  QVERIFY(
      fs::exists(dir / "home/.local/share/icons/hicolor/scalable/apps/jp.kumomori.wordloom.svg"));

  // The next release, on the server.
  const QString next = QString::fromStdString((dir / "next").string());
  QString made;
  QCOMPARE(run(release, {"--key", key, "--binary", WORDLOOM_NEXT_EXECUTABLE, "--out", next}, &made),
           0);
  const QString archive = QFileInfo(made.trimmed().split('\n').last()).fileName();
  QVERIFY2(archive.startsWith("Wordloom-99.1-"), qPrintable(made));
  TestHttpsServer server(dir / "certs");
  server.setFile("/apps/wordloom/version.json", (dir / "next/version.json"));
  server.setFile("/apps/wordloom/" + archive, dir / "next" / archive.toStdString());
  server.setFile("/apps/wordloom/" + archive + ".minisig",
                 dir / "next" / (archive + ".minisig").toStdString());

  // The application checks, downloads, arranges the swap and quits; the swap then runs and
  // starts the new copy, whose output joins the application's.
  QProcess client;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("HOME", QString::fromStdString((dir / "home").string()));
  environment.insert("XDG_DATA_HOME", QString::fromStdString((dir / "home/.local/share").string()));
  environment.insert("UPDATE_PROMPT_TEST_TEAM",
                     QString::fromStdString(platform::readFile(dir / "test.pub")));
  client.setProcessEnvironment(environment);
  client.setStandardOutputFile(QString::fromStdString((dir / "client.out").string()));
  client.setStandardErrorFile(QString::fromStdString((dir / "client.err").string()));
  client.start(UPDATE_CLIENT, {server.url("/apps/wordloom/version.json").toString(),
                               QString::fromStdString((dir / "certs/ca.pem").string()),
                               QString::fromStdString(root.string())});
  QVERIFY(QTest::qWaitFor([&] { return client.state() == QProcess::NotRunning; }, 60000));
  QVERIFY2(client.exitCode() == 0, platform::readFile(dir / "client.err").c_str());
  QVERIFY(QTest::qWaitFor(
      [&] { return platform::readFile(dir / "client.out").find("99.1") != std::string::npos; },
      30000));
  QCOMPARE(platform::readFile(dir / "client.out"), std::string("99.1\n"));

  QCOMPARE(run(installed, {"--version"}, &version), 0);
  QCOMPARE(version, QStringLiteral("99.1\n"));
  QCOMPARE(server.requested.size(), 3);
  for (const auto& entry : fs::directory_iterator(root.parent_path())) {
    QVERIFY2(!entry.path().filename().string().starts_with(FinishUpdate::workPrefix),
             entry.path().c_str());
  }
  bool trashed = false;
  for (const auto& entry : fs::directory_iterator(dir / "home/.local/share/Trash/files")) {
    trashed = trashed || entry.path().filename().string().starts_with("Wordloom（1.6 を置き換え ");
  }
  QVERIFY(trashed);
}

QTEST_GUILESS_MAIN(UpdateEndToEndTest)
#include "update_end_to_end_test.moc"
