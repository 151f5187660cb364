// The updater's decisions and texts without a network: the feed format, the offer policy, the
// user's choices, release notes, the staff folder and opening pages.
#include <utime.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QSettings>
#include <QTest>

#include "platform/ime_platform.h"
#include "release_fixture.h"
#include "support/opened_urls.h"
#include "support/temp_dir.h"
#include "update/feed.h"
#include "update/install_location.h"
#include "update/release_notes.h"
#include "update/staff_folder.h"
#include "update/update_failure.h"
#include "update/update_prompt.h"
#include "update/update_records.h"
#include "update/update_text.h"

using UpdatePrompt::Feed;
using UpdatePrompt::OfferAction;

// Stands in for the file manager's ShowItems on the test's private bus.
class FileManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
 public:
  QStringList shown;
 public slots:
  Q_SCRIPTABLE void ShowItems(const QStringList& uris, const QString&) { shown << uris; }
};

class UpdatePolicyTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QCoreApplication::setOrganizationName(QStringLiteral("WordloomTest")); }
  void init() { QSettings().clear(); }
  void feedFollowsEveryRuleOfItsFormat();
  void offerPolicy();
  void skippingHidesThatVersionAndOlderOnly();
  void textsJoinAndFill();
  void failureTextsUseThePlatformsWords();
  void releaseNotesKeepTheVersionsBetween();
  void staffFolderAndItsNewestArchive();
  void pagesOpenInTheBrowserOrTheFileManager();
  void replaceInPlaceOnlyWhereItIsSafe();
};

void UpdatePolicyTest::feedFollowsEveryRuleOfItsFormat() {
  const QUrl base(QStringLiteral("https://kumomori.jp/apps/wordloom/version.json"));
  struct Case {
    const char* json;
    std::optional<Feed> feed;
  };
  const Case cases[] = {
      {R"({"version": "1.7", "zip": "../builds/Wordloom.tar.gz", "extra": 1})",
       Feed{"1.7", {}, QUrl("https://kumomori.jp/apps/builds/Wordloom.tar.gz"), {}}},
      {R"({"version": "1.7", "url": "https://kumomori.jp/wordloom/", "notes": "notes.md"})",
       Feed{"1.7",
            QUrl("https://kumomori.jp/wordloom/"),
            {},
            QUrl("https://kumomori.jp/apps/wordloom/notes.md")}},
      // Fields that do not parse, or that a feed on the web may not point to, stay empty.
      {R"j({"version": "1.7", "url": "http://[::1", "zip": "file:///etc/passwd", "notes": "javascript:alert(1)"})j",
       Feed{"1.7", {}, {}, {}}},
      {R"({"version": "1.7", "zip": "http://kumomori.jp/W.tar.gz", "url": null})",
       Feed{"1.7", {}, {}, {}}},
      {R"({"version": 1.7})", std::nullopt},
      {R"({"version": "1.7", "zip": 3})", std::nullopt},
      {R"({"zip": "a"})", std::nullopt},
      {R"(["1.7"])", std::nullopt},
      {"", std::nullopt},
      {"{\"version\": \"1.7\"", std::nullopt},
  };
  for (const Case& c : cases) {
    QCOMPARE(UpdatePrompt::decodeFeed(c.json, base), c.feed);
  }
  // A feed in a folder on this computer may name files beside it.
  const QUrl local = QUrl::fromLocalFile(QStringLiteral("/staff/version.json"));
  QCOMPARE(UpdatePrompt::decodeFeed(R"({"version": "1", "zip": "W.tar.gz"})", local)->zip,
           QUrl::fromLocalFile(QStringLiteral("/staff/W.tar.gz")));
  QCOMPARE(UpdatePrompt::feedUrl(),
           QUrl(QStringLiteral("https://kumomori.jp/apps/wordloom/version.json")));
}

void UpdatePolicyTest::offerPolicy() {
  const Feed withZip{"1.7", {}, QUrl("https://x/W.tar.gz"), {}};
  const Feed withoutZip{"1.7", {}, {}, {}};
  struct Case {
    const char* name;
    QString current;
    Feed feed;
    bool skipped, autoInstall, canReplace;
    OfferAction action;
  };
  const Case cases[] = {
      {"same version", "1.7.0", withZip, false, false, true, OfferAction::nothing},
      {"older feed", "1.8", withZip, false, false, true, OfferAction::nothing},
      {"skipped", "1.6", withZip, true, true, true, OfferAction::nothing},
      {"newer", "1.6", withZip, false, false, true, OfferAction::showWindow},
      {"automatic", "1.6", withZip, false, true, true, OfferAction::prepareForQuit},
      {"automatic without archive", "1.6", withoutZip, false, true, true, OfferAction::showWindow},
      {"automatic where it cannot replace", "1.6", withZip, false, true, false,
       OfferAction::showWindow},
  };
  for (const Case& c : cases) {
    QVERIFY2(UpdatePrompt::offerAction(c.current, c.feed, c.skipped, c.autoInstall, c.canReplace) ==
                 c.action,
             c.name);
  }
  // offer() applies the policy with the settings and this copy as they are.
  QList<UpdatePrompt::WindowRequest> shown;
  UpdatePrompt::setPresenter([&](const UpdatePrompt::WindowRequest& r) { shown << r; });
  QVERIFY(!UpdatePrompt::offer("Wordloom", "1.7", withZip, std::nullopt));
  UpdatePrompt::setAutoInstall(true);
  // This test program is no installed copy, so the window is offered instead.
  QVERIFY(UpdatePrompt::offer("Wordloom", "1.6", withZip, std::nullopt));
  QCOMPARE(shown.size(), 1);
  QCOMPARE(shown[0].phase, UpdatePhase::offer());
  UpdatePrompt::setPresenter({});
}

void UpdatePolicyTest::skippingHidesThatVersionAndOlderOnly() {
  QVERIFY(!UpdatePrompt::isSkipped("1.4.0"));
  UpdatePrompt::skip("1.4.0");
  QVERIFY(UpdatePrompt::isSkipped("1.4.0"));
  QVERIFY(UpdatePrompt::isSkipped("1.4"));
  QVERIFY(UpdatePrompt::isSkipped("1.3.9"));
  QVERIFY(!UpdatePrompt::isSkipped("1.4.1"));
  QSettings().setValue("updatePrompt.snoozedUntil", 5);
  UpdatePrompt::setAutoInstall(true);
  UpdatePrompt::clearRecords();
  QVERIFY(!UpdatePrompt::isSkipped("1.4.0"));
  QVERIFY(!UpdatePrompt::autoInstall());
  QVERIFY(QSettings().allKeys().isEmpty());
}

void UpdatePolicyTest::textsJoinAndFill() {
  using UpdatePrompt::join;
  QCOMPARE(join("", "b"), QStringLiteral("b"));
  QCOMPARE(join("あります。", "入ります。"), QStringLiteral("あります。入ります。"));
  QCOMPARE(join("本当？", "はい"), QStringLiteral("本当？はい"));
  QCOMPARE(join("Done", "Next."), QStringLiteral("Done Next."));
  QCOMPARE(UpdatePrompt::format("%@ %@ があります", {"Wordloom", "1.7"}),
           QStringLiteral("Wordloom 1.7 があります"));
  QCOMPARE(UpdatePrompt::format("%@ と %@", {"a"}), QStringLiteral("a と %@"));
  QCOMPARE(UpdatePrompt::L("キャンセル"), QStringLiteral("キャンセル"));
  UpdatePrompt::setLocalize([](const QString& key) { return key + u'!'; });
  QCOMPARE(UpdatePrompt::L("キャンセル"), QStringLiteral("キャンセル!"));
  UpdatePrompt::setLocalize({});
}

void UpdatePolicyTest::failureTextsUseThePlatformsWords() {
  using UpdateInstaller::Failure;
  QCOMPARE(Failure::localArchiveMissing().headline,
           QStringLiteral("アップデートのファイルが、まだこのパソコンにありません。"));
  {
    ScopedPlatformWords mac(ImePlatform::googleJapaneseInput().words);
    QCOMPARE(Failure::localArchiveMissing().headline,
             QStringLiteral("アップデートのファイルが、まだこの Mac にありません。"));
  }
  QCOMPARE(Failure::notNewer("").detail, QStringLiteral("中身のバージョン: ?"));
  QCOMPARE(Failure::cannotStart(),
           (Failure{"新しいバージョンを起動できませんでした。",
                    "ダウンロードページから、もう一度インストールしてください。"}));
}

void UpdatePolicyTest::releaseNotesKeepTheVersionsBetween() {
  const QString text = QStringLiteral(
      "# 改定履歴\r\n"
      "## 1.7（2026年5月1日）\n- 新しい **語** の `検索`\n  * 二つ目  \n- *`*太字*`*\n"
      "## 1.5 (2026-01-02\n- 日付の括弧が閉じていない\n"
      "## 1.6\n- 日付なし\n"
      "## 版なし\n- 捨てられる\n"
      "## 1.4\n- 動いている版\n"
      "## 1.8\n- まだ出ていない\n"
      "-ハイフンだけ\n");
  const QList<UpdateReleaseNote> notes = UpdateReleaseNotes::parse(text, "1.4", "1.7");
  const QList<UpdateReleaseNote> expected = {
      {"1.7", "2026年5月1日", {"新しい 語 の 検索", "二つ目", "太字"}},
      {"1.6", "", {"日付なし"}},
      {"1.5", "2026-01-02", {"日付の括弧が閉じていない"}},
  };
  QCOMPARE(notes, expected);
  QVERIFY(UpdateReleaseNotes::parse("", "1", "2").isEmpty());
}

void UpdatePolicyTest::staffFolderAndItsNewestArchive() {
  const QString home = qEnvironmentVariable("HOME");
  const QString path = QStringLiteral("Wordloom");
  QVERIFY(UpdatePrompt::staffFolder(path).isEmpty());
  const QString cloud = home + QStringLiteral(
                                   "/Library/CloudStorage/Dropbox-Team/ソラブネ/Works-Sorabune/"
                                   "_社内ツール（Mac アプリ）/Wordloom");
  QDir().mkpath(cloud);
  QCOMPARE(UpdatePrompt::staffFolder(path), QUrl::fromLocalFile(cloud));
  const QString dropbox = home + QStringLiteral(
                                     "/Dropbox/ソラブネ/Works-Sorabune/_社内ツール（Mac アプリ）/"
                                     "Wordloom");
  QDir().mkpath(dropbox);
  QCOMPARE(UpdatePrompt::staffFolder(path), QUrl::fromLocalFile(dropbox));
  QCOMPARE(UpdatePrompt::fallbackURL(UpdatePrompt::StaffFolderSource{path}),
           QUrl::fromLocalFile(dropbox));
  QCOMPARE(UpdatePrompt::fallbackURL(UpdatePrompt::RemoteSource{UpdatePrompt::feedUrl()}),
           QUrl(QStringLiteral("https://kumomori.jp/apps/wordloom/")));

  const QUrl folder = QUrl::fromLocalFile(dropbox);
  QVERIFY(UpdatePrompt::newestZip(folder).isEmpty());
  const auto touch = [&](const char* name, time_t when) {
    const QString file = dropbox + u'/' + QString::fromLatin1(name);
    ReleaseTree::writeFile(file.toStdString(), "x", false);
    const utimbuf times{when, when};
    ::utime(file.toLocal8Bit().constData(), &times);
    return QUrl::fromLocalFile(file);
  };
  touch("old.tar.gz", 1000);
  touch("newest.zip", 5000);
  const QUrl newest = touch("new.tar.gz", 3000);
  touch("new.tar.gz.minisig", 4000);
  QCOMPARE(UpdatePrompt::newestZip(folder), newest);
  const QUrl tie = touch("tie.tar.gz", 3000);
  const QUrl chosen = UpdatePrompt::newestZip(folder);
  QVERIFY(chosen == newest || chosen == tie);
  QCOMPARE(UpdatePrompt::newestZip(folder), chosen);
}

void UpdatePolicyTest::pagesOpenInTheBrowserOrTheFileManager() {
  OpenedUrls opened;
  QDesktopServices::setUrlHandler("https", &opened, "open");
  QDesktopServices::setUrlHandler("file", &opened, "open");
  UpdatePrompt::openPage({});
  UpdatePrompt::openPage(QUrl(QStringLiteral("https://kumomori.jp/wordloom/")));
  QCOMPARE(opened.urls, QList<QUrl>{QUrl(QStringLiteral("https://kumomori.jp/wordloom/"))});

  TempDir dir;
  const QUrl empty = QUrl::fromLocalFile(QString::fromStdString((dir / "empty").string()));
  QDir().mkpath(empty.toLocalFile());
  opened.urls.clear();
  UpdatePrompt::openPage(empty);
  QCOMPARE(opened.urls, QList<QUrl>{empty});

  // With an archive, the file manager is asked to select it; without one answering, the folder
  // opens.
  const QUrl folder = QUrl::fromLocalFile(QString::fromStdString(dir.path().string()));
  ReleaseTree::writeFile(dir / "Wordloom-1.7-x86_64.tar.gz", "x", false);
  const QUrl archive =
      QUrl::fromLocalFile(QString::fromStdString((dir / "Wordloom-1.7-x86_64.tar.gz").string()));
  opened.urls.clear();
  UpdatePrompt::openPage(folder);
  QVERIFY(QTest::qWaitFor([&] { return !opened.urls.isEmpty(); }, 10000));
  QCOMPARE(opened.urls, QList<QUrl>{folder});

  QDBusConnection bus = QDBusConnection::sessionBus();
  QVERIFY(bus.isConnected());
  FileManager manager;
  QVERIFY(bus.registerObject("/org/freedesktop/FileManager1", &manager,
                             QDBusConnection::ExportScriptableSlots));
  QVERIFY(bus.registerService("org.freedesktop.FileManager1"));
  opened.urls.clear();
  UpdatePrompt::openPage(folder);
  QVERIFY(QTest::qWaitFor([&] { return !manager.shown.isEmpty(); }, 10000));
  QCOMPARE(manager.shown, QStringList{archive.toString()});
  QTest::qWait(200);
  QVERIFY(opened.urls.isEmpty());
  QDesktopServices::unsetUrlHandler("https");
  QDesktopServices::unsetUrlHandler("file");
}

void UpdatePolicyTest::replaceInPlaceOnlyWhereItIsSafe() {
  using UpdateInstaller::isSyncedOrRemovablePath;
  for (const char* path :
       {"/home/a/Dropbox/Wordloom", "/home/a/Nextcloud/x/Wordloom", "/home/a/Sync/Wordloom",
        "/media/a/usb/Wordloom", "/run/media/a/usb/Wordloom", "/mnt/share/Wordloom"}) {
    QVERIFY2(isSyncedOrRemovablePath(path), path);
  }
  for (const char* path : {"/home/a/.local/opt/Wordloom", "/home/a/Dropboxes/Wordloom",
                           "/home/a/media/Wordloom", "/opt/Synced/Wordloom"}) {
    QVERIFY2(!isSyncedOrRemovablePath(path), path);
  }
  TempDir dir;
  const auto root = dir / "opt/Wordloom";
  QVERIFY(!UpdateInstaller::canReplace(root));
  ReleaseTree::make(TestKey::make(), "1.6").writeTo(root);
  QVERIFY(UpdateInstaller::canReplace(root));
  std::filesystem::remove(root / Manifest::fileName);
  QVERIFY(!UpdateInstaller::canReplace(root));
  QVERIFY(!UpdateInstaller::canReplace("/usr"));
  QVERIFY(!UpdateInstaller::canReplaceRunningApp());
}

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  UpdatePolicyTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "update_policy_test.moc"
