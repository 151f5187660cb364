// The update window drawn by its snapshot mode in each phase, light and dark, under the build
// folder for a person to look at. The test makes sure each picture was written and logged.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QSettings>
#include <QTest>

#include "platform/files.h"
#include "platform/process.h"
#include "release_fixture.h"
#include "support/temp_dir.h"
#include "ui/style/appearance.h"
#include "ui/style/material_symbols.h"
#include "update/update_log.h"
#include "update/update_model.h"
#include "update/update_prompt.h"
#include "update/update_window.h"

namespace fs = std::filesystem;

class UpdateWindowPicturesTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void picture_data();
  void picture();
  void launchCheckDrawsTheOfferEvenWithoutAFeed();

 private:
  TempDir dir;
  fs::path root;
  QUrl notes;
  QString folder;
  QStringList log;
  int quits = 0;
};

void UpdateWindowPicturesTest::initTestCase() {
  MaterialSymbols::registerFont();
  Appearance::shared();
  QCoreApplication::setOrganizationName(QStringLiteral("WordloomTest"));
  QSettings().clear();
  UpdatePrompt::setLogSink([this](std::string_view line) { log << QString::fromUtf8(line); });
  UpdateWindow::setQuit([this] { ++quits; });
  root = dir / "opt/Wordloom";
  ReleaseTree::make(TestKey::make(), "1.6").writeTo(root);

  // The application's icon as the desktop shows it, when it can be drawn here.
  const fs::path source = fs::path(qEnvironmentVariable("WORDLOOM_SOURCE_DIR").toStdString()) /
                          "resources/desktop/jp.kumomori.wordloom.svg";
  const fs::path icon = dir / "icon.png";
  if (platform::runProcess("rsvg-convert", {"--width", "104", "--height", "104", "--output",
                                            icon.string(), source.string()})
          .status == 0) {
    QApplication::setWindowIcon(QIcon(QString::fromStdString(icon.string())));
  }

  const fs::path file = dir / "改定履歴.md";
  ReleaseTree::writeFile(file,
                         "# 改定履歴\n"
                         "## 1.7（2026年5月1日）\n"
                         "- 単語の一覧を、コメントでも探せるようになりました。\n"
                         "- 辞書を追加するときに、同じ名前の辞書があれば知らせるようにしました。\n"
                         "## 1.6.2（2026年3月10日）\n"
                         "- 同期に使うフォルダが見つからないときの案内を、分かりやすくしました。\n"
                         "## 1.6.1\n"
                         "- 長い読みの単語を保存できないことがあったのを直しました。\n"
                         "## 1.6（2026年1月5日）\n"
                         "- 最初のバージョンです。\n",
                         false);
  notes = QUrl::fromLocalFile(QString::fromStdString(file.string()));
  folder = QDir(qEnvironmentVariable("WORDLOOM_BINARY_DIR", QDir::currentPath()))
               .filePath(QStringLiteral("update-window"));
  QVERIFY(QDir().mkpath(folder));
}

void UpdateWindowPicturesTest::picture_data() {
  QTest::addColumn<QString>("phase");  // UPDATE_PROMPT_SNAPSHOT_PHASE
  QTest::addColumn<bool>("installable");
  QTest::addColumn<bool>("checkFailed");
  for (const char* scheme : {"light", "dark"}) {
    const auto row = [scheme](const char* name) { return &QTest::addRow("%s-%s", name, scheme); };
    *row("offer") << QStringLiteral("offer") << true << false;
    *row("offer-page") << QStringLiteral("offer") << false << false;
    *row("download") << QStringLiteral("download") << true << false;
    *row("installing") << QStringLiteral("installing") << true << false;
    *row("failed") << QStringLiteral("failed") << true << false;
    *row("uptodate") << QStringLiteral("uptodate") << false << false;
    *row("checkfailed") << QStringLiteral("") << false << true;
  }
}

void UpdateWindowPicturesTest::picture() {
  QFETCH(QString, phase);
  QFETCH(bool, installable);
  QFETCH(bool, checkFailed);
  const QString tag = QString::fromLatin1(QTest::currentDataTag());
  const QString path = QDir(folder).filePath(tag + QStringLiteral(".png"));
  QFile::remove(path);
  qputenv("UPDATE_PROMPT_SNAPSHOT", path.toUtf8());
  qputenv("UPDATE_PROMPT_SNAPSHOT_PHASE", phase.toUtf8());
  qputenv("UPDATE_PROMPT_APPEARANCE", tag.endsWith(QLatin1String("dark")) ? "dark" : "light");
  log.clear();
  quits = 0;

  const UpdatePrompt::Feed feed{"1.7", QUrl("https://kumomori.jp/apps/wordloom/"),
                                QUrl("https://kumomori.jp/apps/wordloom/Wordloom-1.7.tar.gz"),
                                checkFailed ? QUrl() : notes};
  const UpdatePrompt::WindowRequest request{
      "Wordloom", "1.6", feed, {}, checkFailed ? UpdatePhase::checkFailed() : UpdatePhase::offer()};
  if (installable) {
    // Only a model can be told where this copy is installed.
    auto model = std::make_unique<UpdateModel>(request);
    model->setInstallTarget(root);
    UpdateWindow::snapshot(std::move(model));
  } else {
    UpdateWindow::show(request);
  }
  QVERIFY(QTest::qWaitFor([&] { return quits == 1; }, 10000));
  QCOMPARE(log, QStringList{QStringLiteral("UpdatePrompt: 検証用の画像を書きました: ") + path});
  const QImage image(path);
  QCOMPARE(image.width(), 560);
  QVERIFY(image.height() > 100 && image.height() < 600);
  QCOMPARE(UpdateWindow::current(), nullptr);
}

void UpdateWindowPicturesTest::launchCheckDrawsTheOfferEvenWithoutAFeed() {
  UpdateWindow::registerPresenter();
  qunsetenv("UPDATE_PROMPT_SNAPSHOT_PHASE");
  qunsetenv("UPDATE_PROMPT_APPEARANCE");
  const QString written = QDir(folder).filePath(QStringLiteral("launch-without-feed.png"));
  const QString unwritable = QString::fromStdString((dir / "missing/launch.png").string());
  for (const QString& path : {written, unwritable}) {
    QFile::remove(path);
    qputenv("UPDATE_PROMPT_SNAPSHOT", path.toUtf8());
    log.clear();
    quits = 0;
    UpdatePrompt::checkAtLaunch(
        "Wordloom", "1.6",
        UpdatePrompt::RemoteSource{QUrl("https://127.0.0.1:1/apps/wordloom/version.json")});
    QVERIFY(QTest::qWaitFor([&] { return quits == 1; }, 20000));
    QCOMPARE(log.size(), 2);
    QVERIFY2(log[0].startsWith(QStringLiteral("UpdatePrompt: 接続できませんでした: ")),
             qPrintable(log[0]));
    // Only a file that is there is reported as written.
    QCOMPARE(log[1],
             (path == written ? QStringLiteral("UpdatePrompt: 検証用の画像を書きました: ")
                              : QStringLiteral("UpdatePrompt: 検証用の画像を書けませんでした: ")) +
                 path);
    QCOMPARE(QFile::exists(path), path == written);
  }
  UpdatePrompt::setPresenter({});
  qunsetenv("UPDATE_PROMPT_SNAPSHOT");
}

QTEST_MAIN(UpdateWindowPicturesTest)
#include "update_window_pictures_test.moc"
