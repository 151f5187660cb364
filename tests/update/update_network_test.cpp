// The updater against a local HTTPS server: reading the feed, downloading, and every way a
// download is refused.
#include <QCoreApplication>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "https_server.h"
#include "platform/files.h"
#include "release_fixture.h"
#include "support/temp_dir.h"
#include "update/finish_update.h"
#include "update/network_get.h"
#include "update/update_installer.h"
#include "update/update_log.h"
#include "update/update_model.h"
#include "update/update_prompt.h"
#include "update/update_records.h"

namespace fs = std::filesystem;
using UpdateInstaller::Failure;
using UpdateInstaller::StagedInstall;
using UpdateInstaller::VerifyResult;

class UpdateNetworkTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void getEndsEveryWayAServerAnswers();
  void feedReadsRelativeUrlsAndLogsFailures();
  void manualCheckShowsEachPhase();
  void downloadStagesASignedRelease();
  void downloadRefusesEveryHostileRelease_data();
  void downloadRefusesEveryHostileRelease();
  void downloadReportsTheServersRefusal();
  void cancelledDownloadLeavesNothing();
  void localArchiveWaitsForTheSyncClient();
  void modelWalksThroughThePhasesAndLoadsNotes();

 private:
  VerifyResult download(const QUrl& zip, const QString& current = QStringLiteral("1.6"),
                        const ArchiveUnpack::Limits& limits = {});
  QUrl serveRelease(const QString& name, const std::vector<ArchiveEntry>& entries,
                    const std::string& comment, const TestKey& signer);
  QStringList workFolders() const;

  TempDir dir;
  std::unique_ptr<TestHttpsServer> server;
  TestKey key = TestKey::make();
  fs::path root;
  QStringList log;
};

void UpdateNetworkTest::initTestCase() {
  server = std::make_unique<TestHttpsServer>(dir / "certs");
  server->trustTestCa();
  UpdatePrompt::setLogSink([this](std::string_view line) { log << QString::fromUtf8(line); });
  qputenv("UPDATE_PROMPT_TEST_TEAM", QByteArray::fromStdString(key.publicKeyText()));
  QCoreApplication::setOrganizationName(QStringLiteral("WordloomTest"));
  root = dir / "opt/Wordloom";
  ReleaseTree::make(key, "1.6").writeTo(root);
}

void UpdateNetworkTest::init() {
  log.clear();
  QSettings().clear();
}

VerifyResult UpdateNetworkTest::download(const QUrl& zip, const QString& current,
                                         const ArchiveUnpack::Limits& limits) {
  std::optional<VerifyResult> result;
  UpdateInstaller::download(zip, QStringLiteral("9.9"), current,
                            {{}, {}, [&](const VerifyResult& r) { result = r; }},
                            {.installRoot = root, .unpackLimits = limits});
  if (!QTest::qWaitFor([&] { return result.has_value(); }, 30000)) return Failure{"timeout", {}};
  return *result;
}

QUrl UpdateNetworkTest::serveRelease(const QString& name, const std::vector<ArchiveEntry>& entries,
                                     const std::string& comment, const TestKey& signer) {
  const fs::path file = dir / (name.toStdString() + ".tar.gz");
  writeArchive(file, entries);
  const QString path = QStringLiteral("/r/") + name + QStringLiteral(".tar.gz");
  server->setFile(path, file);
  server->set(path + QStringLiteral(".minisig"),
              {200, QByteArray::fromStdString(signer.sign(platform::readFile(file), comment))});
  return server->url(path);
}

QStringList UpdateNetworkTest::workFolders() const {
  QStringList out;
  for (const auto& entry : fs::directory_iterator(root.parent_path())) {
    if (entry.path().filename() != "Wordloom") out << QString::fromStdString(entry.path().string());
  }
  return out;
}

void UpdateNetworkTest::getEndsEveryWayAServerAnswers() {
  server->set("/ok", {200, "hello"});
  server->set("/missing", {404, "no"});
  server->set("/nolength", {200, QByteArray(1500, 'x'), false});
  server->set("/slow", {200, "never", true, true});
  server->set("/big", {200, QByteArray(3000, 'x')});
  server->set("/big-unannounced", {200, QByteArray(3000, 'x'), false});
  struct Case {
    const char* path;
    int status;
    bool error;
    qint64 lastExpected;
  };
  const Case cases[] = {{"/ok", 200, false, 5},       {"/missing", 404, false, 2},
                        {"/nolength", 200, false, 0}, {"/slow", 0, true, -1},
                        {"/big", 0, true, -1},        {"/big-unannounced", 0, true, -1}};
  for (const Case& c : cases) {
    std::optional<GetResult> result;
    qint64 expected = -1;
    NetworkGet::start(
        server->url(QString::fromLatin1(c.path)), {std::chrono::milliseconds(500), 2000, {}},
        [&](const GetResult& r) { result = r; }, [&](qint64, qint64 e) { expected = e; });
    QVERIFY2(QTest::qWaitFor([&] { return result.has_value(); }, 10000), c.path);
    QVERIFY2(result->status == c.status,
             qPrintable(QString::fromLatin1(c.path) + u' ' + result->error));
    QVERIFY2(result->error.isEmpty() != c.error, qPrintable(result->error));
    if (!c.error) QCOMPARE(expected, c.lastExpected);
  }

  // Plain HTTP is refused, even to this computer's own address in a test build's opposite.
  std::optional<GetResult> plain;
  NetworkGet::start(QUrl(QStringLiteral("ftp://127.0.0.1/x")), {},
                    [&](const GetResult& r) { plain = r; });
  QVERIFY(QTest::qWaitFor([&] { return plain.has_value(); }, 5000));
  QVERIFY(plain->error.startsWith(QLatin1String("Only HTTPS")));

  // A cancelled GET calls back no more.
  server->set("/trickle", {200, QByteArray(4000, 'x'), true, false, 100, 100});
  bool called = false;
  qint64 received = 0;
  QPointer<NetworkGet> get = NetworkGet::start(
      server->url("/trickle"), {}, [&](const GetResult&) { called = true; },
      [&](qint64 r, qint64) { received = r; });
  QVERIFY(QTest::qWaitFor([&] { return received > 0; }, 5000));
  get->cancel();
  QTest::qWait(500);
  QVERIFY(!called);
}

void UpdateNetworkTest::feedReadsRelativeUrlsAndLogsFailures() {
  server->set("/apps/wordloom/version.json",
              {200, R"({"version": "1.7", "zip": "../builds/W.tar.gz", "notes": "n.md"})"});
  std::optional<std::optional<UpdatePrompt::Feed>> got;
  const auto fetch = [&](const QString& path) {
    got.reset();
    UpdatePrompt::fetch(UpdatePrompt::RemoteSource{server->url(path)},
                        [&](const std::optional<UpdatePrompt::Feed>& feed) { got = feed; });
    return QTest::qWaitFor([&] { return got.has_value(); }, 10000);
  };
  QVERIFY(fetch("/apps/wordloom/version.json"));
  QVERIFY(got->has_value());
  QCOMPARE((*got)->zip, server->url("/apps/builds/W.tar.gz"));
  QCOMPARE((*got)->notes, server->url("/apps/wordloom/n.md"));
  QVERIFY(log.isEmpty());

  QVERIFY(fetch("/apps/other/version.json"));
  QVERIFY(!got->has_value());
  QCOMPARE(log, QStringList{QStringLiteral("UpdatePrompt: 応答 404")});

  log.clear();
  got.reset();
  UpdatePrompt::fetch(UpdatePrompt::RemoteSource{QUrl(QStringLiteral("https://127.0.0.1:1/v"))},
                      [&](const std::optional<UpdatePrompt::Feed>& feed) { got = feed; });
  QVERIFY(QTest::qWaitFor([&] { return got.has_value(); }, 10000));
  QCOMPARE(log.size(), 1);
  QVERIFY2(log[0].startsWith(QStringLiteral("UpdatePrompt: 接続できませんでした: ")),
           qPrintable(log[0]));
}

void UpdateNetworkTest::manualCheckShowsEachPhase() {
  QList<UpdatePrompt::WindowRequest> shown;
  UpdatePrompt::setPresenter([&](const UpdatePrompt::WindowRequest& r) { shown << r; });
  server->set("/m/new.json", {200, R"({"version": "1.7"})"});
  server->set("/m/same.json", {200, R"({"version": "1.6.0"})"});
  UpdatePrompt::skip(QStringLiteral("1.7"));
  for (const char* path : {"/m/new.json", "/m/same.json", "/m/gone.json"}) {
    const qsizetype before = shown.size();
    UpdatePrompt::checkNow(QStringLiteral("Wordloom"), QStringLiteral("1.6"),
                           UpdatePrompt::RemoteSource{server->url(QString::fromLatin1(path))});
    QVERIFY(QTest::qWaitFor([&] { return shown.size() == before + 1; }, 10000));
  }
  QCOMPARE(shown[0].phase, UpdatePhase::offer());  // a skipped version is still offered
  QCOMPARE(shown[1].phase, UpdatePhase::upToDate());
  QCOMPARE(shown[2].phase, UpdatePhase::checkFailed());
  QCOMPARE(shown[2].feed, (UpdatePrompt::Feed{"1.6", server->url("/m/"), {}, {}}));

  // At launch, the skipped version stays silent and a newer one is offered.
  shown.clear();
  server->set("/m/newer.json", {200, R"({"version": "1.7.1"})"});
  for (const char* path : {"/m/new.json", "/m/newer.json"}) {
    UpdatePrompt::checkAtLaunch(QStringLiteral("Wordloom"), QStringLiteral("1.6"),
                                UpdatePrompt::RemoteSource{server->url(QString::fromLatin1(path))},
                                std::chrono::milliseconds(10));
  }
  QVERIFY(QTest::qWaitFor([&] { return shown.size() == 1; }, 10000));
  QTest::qWait(300);
  QCOMPARE(shown.size(), 1);
  QCOMPARE(shown[0].feed.version, QStringLiteral("1.7.1"));

  // A launch check whose start-up has ended before the wait offers nothing.
  auto startUp = std::make_unique<QObject>();
  UpdatePrompt::checkAtLaunch(QStringLiteral("Wordloom"), QStringLiteral("1.6"),
                              UpdatePrompt::RemoteSource{server->url("/m/newer.json")},
                              std::chrono::milliseconds(10), startUp.get());
  startUp.reset();
  QTest::qWait(300);
  QCOMPARE(shown.size(), 1);
  UpdatePrompt::setPresenter({});
}

void UpdateNetworkTest::downloadStagesASignedRelease() {
  const ReleaseTree tree = ReleaseTree::make(key, "1.7");
  const QUrl zip = serveRelease("good", tree.entries(), ReleaseTree::comment("1.7"), key);
  const VerifyResult result = download(zip);
  if (const auto* failure = std::get_if<Failure>(&result)) {
    QFAIL(qPrintable(failure->headline + u' ' + failure->detail));
  }
  const auto* staged = &std::get<StagedInstall>(result);
  QCOMPARE(staged->version, QStringLiteral("1.7"));
  QVERIFY(fs::is_regular_file(staged->tree / "bin/wordloom"));
  QCOMPARE(staged->work.parent_path(), root.parent_path());
  QVERIFY(staged->work.filename().string().starts_with(FinishUpdate::workPrefix));
  QCOMPARE(fs::status(staged->work).permissions(), fs::perms::owner_all);
  // Held by this process: a new download clears only what nobody holds.
  UpdateInstaller::removeAbandonedWorkFolders(root);
  QVERIFY(fs::exists(staged->tree));
  fs::remove_all(staged->work);
}

void UpdateNetworkTest::downloadRefusesEveryHostileRelease_data() {
  QTest::addColumn<int>("index");
  const char* names[] = {"other key",
                         "older version",
                         "other architecture",
                         "other application",
                         "tampered file",
                         "extra file",
                         "manifest by other key",
                         "manifest of another version",
                         "dot-dot",
                         "absolute name",
                         "symbolic link",
                         "hard link",
                         "device",
                         "many files",
                         "no tree",
                         "binary does not start",
                         "huge file"};
  for (int i = 0; i < int(std::size(names)); ++i) QTest::newRow(names[i]) << i;
}

void UpdateNetworkTest::downloadRefusesEveryHostileRelease() {
  QFETCH(int, index);
  const TestKey other = TestKey::make();
  using Type = ArchiveEntry::Type;
  const std::string v17 = ReleaseTree::comment("1.7");
  const ReleaseTree good = ReleaseTree::make(key, "1.7");
  const auto withEntry = [&](ArchiveEntry extra) {
    auto entries = good.entries();
    entries.push_back(std::move(extra));
    return entries;
  };
  std::vector<ArchiveEntry> entries = good.entries();
  std::string comment = v17;
  const TestKey* signer = &key;
  Failure expected = Failure::signature();
  // Lowered for the bombs, which then need only a few files and a megabyte to prove the caps.
  ArchiveUnpack::Limits limits;
  switch (index) {
    case 0:
      signer = &other;
      break;
    case 1:
      comment = ReleaseTree::comment("1.6");
      entries = ReleaseTree::make(key, "1.6").entries();
      expected = Failure::notNewer("1.6");
      break;
    case 2:
      comment = ReleaseTree::comment("1.7", "sparc64");
      expected = Failure::notThisApplication();
      break;
    case 3:
      comment = "app:jp.example.other version:1.7 arch:" + std::string(UpdateTrust::architecture());
      expected = Failure::notThisApplication();
      break;
    case 4: {
      ReleaseTree tampered = good;
      tampered.files["share/applications/jp.kumomori.wordloom.desktop"] = "Exec=evil\n";
      tampered.manifest = good.manifest;
      tampered.manifestSignature = good.manifestSignature;
      entries = tampered.entries();
      break;
    }
    case 5:
      entries = withEntry({"Wordloom/bin/helper", "x", Type::file, 0755});
      break;
    case 6: {
      ReleaseTree resigned = good;
      resigned.sign(other, "1.7", UpdateTrust::architecture());
      entries = resigned.entries();
      break;
    }
    case 7: {
      ReleaseTree older = good;
      older.sign(key, "1.6", UpdateTrust::architecture());
      entries = older.entries();
      break;
    }
    case 8:
      entries = withEntry({"Wordloom/../../evil", "x"});
      expected = Failure::unpack("Wordloom/../../evil: name leaves the folder");
      break;
    case 9:
      entries = withEntry({(dir / "evil").string(), "x"});
      expected = Failure::unpack(QString::fromStdString((dir / "evil").string()) +
                                 ": name leaves the folder");
      break;
    case 10:
      entries = withEntry({"Wordloom/lib", {}, Type::symlink, 0777, "/usr/lib"});
      expected = Failure::unpack("Wordloom/lib: not a regular file or folder");
      break;
    case 11:
      entries = withEntry({"Wordloom/bin/copy", {}, Type::hardlink, 0755, "Wordloom/bin/wordloom"});
      expected = Failure::unpack("Wordloom/bin/copy: not a regular file or folder");
      break;
    case 12:
      entries = withEntry({"Wordloom/null", {}, Type::device});
      expected = Failure::unpack("Wordloom/null: not a regular file or folder");
      break;
    case 13:
      limits = {1 << 20, 100};
      for (int i = 0; i < 100; ++i) entries.push_back({"Wordloom/f/" + std::to_string(i), "x"});
      expected = Failure::unpack("more than 100 entries");
      break;
    case 14:
      entries = {{"Other/", {}, Type::folder, 0755}, {"Other/readme", "x"}};
      expected = Failure::notThisApplication();
      break;
    case 15: {
      ReleaseTree broken = good;
      broken.files["bin/wordloom"] = "#!/bin/sh\necho 1.6\n";
      broken.sign(key, "1.7", UpdateTrust::architecture());
      entries = broken.entries();
      expected = Failure::cannotStart();
      break;
    }
    case 16:
      limits = {1 << 20, 100};
      entries = withEntry({"Wordloom/big", {}, Type::file, 0644, {}, (1 << 20) + 1});
      expected =
          Failure::unpack(QStringLiteral("Wordloom/big: more than %1 bytes in all").arg(1 << 20));
      break;
  }
  const QUrl zip = serveRelease(QStringLiteral("hostile%1").arg(index), entries, comment, *signer);
  const VerifyResult result = download(zip, QStringLiteral("1.6"), limits);
  QVERIFY(std::holds_alternative<Failure>(result));
  QCOMPARE(std::get<Failure>(result), expected);
  QCOMPARE(workFolders(), QStringList());
  QVERIFY(!fs::exists(dir / "evil"));
  QVERIFY(!fs::exists(dir.path().parent_path() / "evil"));
}

void UpdateNetworkTest::downloadReportsTheServersRefusal() {
  const VerifyResult missing = download(server->url("/r/none.tar.gz"));
  QCOMPARE(std::get<Failure>(missing), Failure::downloadStatus(404));
  QCOMPARE(std::get<Failure>(missing).detail, QStringLiteral("サーバーの応答: 404"));
  // The archive is there but its signature is not.
  server->set("/r/unsigned.tar.gz", {200, "bytes"});
  QCOMPARE(std::get<Failure>(download(server->url("/r/unsigned.tar.gz"))),
           Failure::downloadStatus(404));
  QCOMPARE(workFolders(), QStringList());
}

void UpdateNetworkTest::cancelledDownloadLeavesNothing() {
  server->set("/r/slow.tar.gz", {200, QByteArray(100000, 'x'), true, false, 1000, 50});
  bool completed = false;
  qint64 received = 0;
  auto* task = UpdateInstaller::download(server->url("/r/slow.tar.gz"), "1.7", "1.6",
                                         {[&](double, qint64 r, qint64) { received = r; },
                                          {},
                                          [&](const VerifyResult&) { completed = true; }},
                                         {.installRoot = root});
  QVERIFY(QTest::qWaitFor([&] { return received > 0; }, 10000));
  QCOMPARE(workFolders().size(), 1);
  task->cancel();
  QVERIFY(QTest::qWaitFor([&] { return workFolders().isEmpty(); }, 5000));
  QTest::qWait(300);
  QVERIFY(!completed);
}

void UpdateNetworkTest::localArchiveWaitsForTheSyncClient() {
  const ReleaseTree tree = ReleaseTree::make(key, "1.7");
  const fs::path archive = dir / "staff/Wordloom-1.7.tar.gz";
  fs::create_directories(archive.parent_path());
  ReleaseTree::writeFile(archive, "", false);
  {
    const Failure failure = std::get<Failure>(download(QUrl::fromLocalFile(archive.c_str())));
    QCOMPARE(failure, Failure::localArchiveMissing());
    QCOMPARE(failure.headline,
             QStringLiteral("アップデートのファイルが、まだこのパソコンにありません。"));
  }
  writeArchive(archive, tree.entries());
  ReleaseTree::writeFile(fs::path(archive) += ".minisig",
                         key.sign(platform::readFile(archive), ReleaseTree::comment("1.7")), false);
  const VerifyResult result = download(QUrl::fromLocalFile(archive.c_str()));
  QVERIFY(std::holds_alternative<StagedInstall>(result));
  fs::remove_all(std::get<StagedInstall>(result).work);
}

void UpdateNetworkTest::modelWalksThroughThePhasesAndLoadsNotes() {
  server->set("/n/notes.md",
              {200,
               "## 1.8（2026-03-01）\n- later\n## 1.7 (2026-02-01)\n- **new** `thing`\n"
               "## 1.6.1\n* fix\n## 1.6\n- old\n"});
  const QUrl zip = serveRelease("model", ReleaseTree::make(key, "1.7").entries(),
                                ReleaseTree::comment("1.6.5"), key);
  UpdateModel model(
      {"Wordloom", "1.6", {"1.7", {}, zip, server->url("/n/notes.md")}, {}, UpdatePhase::offer()});
  model.setInstallTarget(root);
  QVERIFY(model.canInstall());
  bool loaded = false;
  model.loadNotes([&] { loaded = true; });
  QVERIFY(QTest::qWaitFor([&] { return loaded; }, 10000));
  QCOMPARE(model.notes().size(), 2);
  QCOMPARE(model.notes()[0], (UpdateReleaseNote{"1.7", "2026-02-01", {"new thing"}}));
  QCOMPARE(model.subtitle(),
           QStringLiteral("Wordloom 1.7 があります（お使いのバージョンは 1.6 です）。"
                          "1.6.1 からの変更もまとめて入ります。"));

  QList<UpdatePhase::Kind> kinds;
  connect(&model, &UpdateModel::phaseChanged, [&] {
    if (kinds.isEmpty() || kinds.back() != model.phase().kind) kinds << model.phase().kind;
  });
  model.install();
  QVERIFY(QTest::qWaitFor([&] { return model.phase().kind == UpdatePhase::Kind::failed; }, 20000));
  QCOMPARE(kinds,
           (QList<UpdatePhase::Kind>{UpdatePhase::Kind::downloading, UpdatePhase::Kind::installing,
                                     UpdatePhase::Kind::failed}));
  // Signed as 1.6.5 while the tree says 1.7: the manifest does not match what was signed.
  QCOMPARE(model.phase().headline, QStringLiteral("署名を確認できませんでした。"));
  QCOMPARE(model.title(), QStringLiteral("アップデートをインストールできませんでした"));
  QVERIFY(
      log.last().startsWith(QStringLiteral("UpdatePrompt: インストールできませんでした: 署名を")));
  QCOMPARE(workFolders(), QStringList());

  // Closing during a download cancels it and asks the window to close.
  server->set("/r/slow.tar.gz", {200, QByteArray(100000, 'x'), true, false, 1000, 50});
  UpdateModel slow({"Wordloom",
                    "1.6",
                    {"1.7", {}, server->url("/r/slow.tar.gz"), {}},
                    {},
                    UpdatePhase::offer()});
  slow.setInstallTarget(root);
  QSignalSpy closed(&slow, &UpdateModel::closeRequested);
  slow.install();
  QVERIFY(QTest::qWaitFor([&] { return slow.phase().received > 0; }, 10000));
  slow.close();
  QCOMPARE(closed.size(), 1);
  QVERIFY(QTest::qWaitFor([&] { return workFolders().isEmpty(); }, 5000));
}

QTEST_GUILESS_MAIN(UpdateNetworkTest)
#include "update_network_test.moc"
