// The update window over a real UpdateModel: what each phase shows, what each button and key
// does, the automatic-install box, the release notes, and downloads started, cancelled and
// failed against a local HTTPS server.
#include "update/update_window.h"

#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QIcon>
#include <QPixmap>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "https_server.h"
#include "platform/files.h"
#include "release_fixture.h"
#include "support/opened_urls.h"
#include "support/temp_dir.h"
#include "ui/style/appearance.h"
#include "ui/style/material_symbols.h"
#include "ui/widgets/symbol_check_box.h"
#include "ui/widgets/themed_label.h"
#include "update/byte_count.h"
#include "update/update_button.h"
#include "update/update_check_mark.h"
#include "update/update_failure.h"
#include "update/update_log.h"
#include "update/update_look.h"
#include "update/update_model.h"
#include "update/update_progress_bar.h"
#include "update/update_records.h"

namespace fs = std::filesystem;
using Kind = UpdatePhase::Kind;

class UpdateWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase() { QDesktopServices::unsetUrlHandler("https"); }
  void init();
  void cleanup();
  void eachPhaseShowsItsTextsAndButtons();
  void buttonsAndKeysDoWhatTheySay();
  void autoInstallBoxIsSaved();
  void notesShowOnceLoaded();
  void downloadCancelledByEscapeOrClosingLeavesNothing();
  void failedInstallShowsWhy();
  void testActionInstallsAfterAMoment();
  void promptOpensOneWindowAtATime();
  void byteCountsReadAsInAFileManager();
  void tintColoursTheMainButton();

 private:
  std::unique_ptr<UpdateModel> model(const UpdatePhase& phase, bool installable,
                                     const QUrl& notes = {}, const QUrl& zip = {});
  UpdateWindow* open(std::unique_ptr<UpdateModel> model);
  QUrl serveRelease(const QString& name, const ReleaseTree& tree, const TestKey& signer);
  QStringList workFolders() const;

  TempDir dir;
  std::unique_ptr<TestHttpsServer> server;
  TestKey key = TestKey::make();
  fs::path root;
  QStringList log;
  OpenedUrls opened;
  int quits = 0;
};

namespace {

QString text(const QWidget* window, const char* name) {
  const auto* label = window->findChild<const QLabel*>(QString::fromLatin1(name));
  return label != nullptr && label->isVisibleTo(window) ? label->text() : QString();
}

QStringList texts(const QWidget* window, const char* name) {
  QStringList out;
  for (const auto* label : window->findChildren<const QLabel*>(QString::fromLatin1(name))) {
    if (label->isVisibleTo(window)) out << label->text();
  }
  return out;
}

// The buttons shown, left to right, as "name:text".
QStringList buttons(const QWidget* window) {
  QList<const UpdateButton*> shown;
  for (const auto* button : window->findChildren<const UpdateButton*>()) {
    if (button->isVisibleTo(window)) shown << button;
  }
  std::sort(shown.begin(), shown.end(), [window](const auto* a, const auto* b) {
    return a->mapTo(window, QPoint()).x() < b->mapTo(window, QPoint()).x();
  });
  QStringList out;
  for (const auto* button : shown) out << button->objectName() + u':' + button->text();
  return out;
}

template <typename T>
T* shown(const QWidget* window, const char* name) {
  auto* widget = window->findChild<T*>(QString::fromLatin1(name));
  return widget != nullptr && widget->isVisibleTo(window) ? widget : nullptr;
}

}  // namespace

void UpdateWindowTest::initTestCase() {
  MaterialSymbols::registerFont();
  Appearance::shared();
  QCoreApplication::setOrganizationName(QStringLiteral("WordloomTest"));
  // The header lays out around the application's icon, as it does in the installed program.
  QPixmap icon(104, 104);
  icon.fill(Qt::darkBlue);
  QApplication::setWindowIcon(QIcon(icon));
  server = std::make_unique<TestHttpsServer>(dir / "certs");
  server->trustTestCa();
  UpdatePrompt::setLogSink([this](std::string_view line) { log << QString::fromUtf8(line); });
  qputenv("UPDATE_PROMPT_TEST_TEAM", QByteArray::fromStdString(key.publicKeyText()));
  root = dir / "opt/Wordloom";
  ReleaseTree::make(key, "1.6").writeTo(root);
  QDesktopServices::setUrlHandler("https", &opened, "open");
  UpdateWindow::setQuit([this] { ++quits; });
}

void UpdateWindowTest::init() {
  QSettings().clear();
  log.clear();
  opened.urls.clear();
  quits = 0;
}

void UpdateWindowTest::cleanup() {
  if (UpdateWindow* window = UpdateWindow::current()) window->close();
  QTest::qWait(0);
}

std::unique_ptr<UpdateModel> UpdateWindowTest::model(const UpdatePhase& phase, bool installable,
                                                     const QUrl& notes, const QUrl& zip) {
  const UpdatePrompt::Feed feed{"1.7", server->url("/page/"),
                                zip.isEmpty() ? server->url("/r/none.tar.gz") : zip, notes};
  auto made = std::make_unique<UpdateModel>(
      UpdatePrompt::WindowRequest{"Wordloom", "1.6", feed, {}, phase});
  made->setInstallTarget(installable ? std::optional(root) : std::nullopt);
  return made;
}

UpdateWindow* UpdateWindowTest::open(std::unique_ptr<UpdateModel> made) {
  UpdateWindow::show(std::move(made));
  UpdateWindow* window = UpdateWindow::current();
  if (window == nullptr || !QTest::qWaitForWindowActive(window) ||
      !QTest::qWaitFor([&] { return window->model().notesLoaded(); }, 10000)) {
    return nullptr;
  }
  QTest::qWait(0);
  return window;
}

QUrl UpdateWindowTest::serveRelease(const QString& name, const ReleaseTree& tree,
                                    const TestKey& signer) {
  const fs::path file = dir / (name.toStdString() + ".tar.gz");
  writeArchive(file, tree.entries());
  const QString path = QStringLiteral("/r/") + name + QStringLiteral(".tar.gz");
  server->setFile(path, file);
  server->set(path + QStringLiteral(".minisig"),
              {200, QByteArray::fromStdString(
                        signer.sign(platform::readFile(file), ReleaseTree::comment("1.7")))});
  return server->url(path);
}

QStringList UpdateWindowTest::workFolders() const {
  QStringList out;
  for (const auto& entry : fs::directory_iterator(root.parent_path())) {
    if (entry.path().filename() != "Wordloom") out << QString::fromStdString(entry.path().string());
  }
  return out;
}

void UpdateWindowTest::eachPhaseShowsItsTextsAndButtons() {
  const QString skip = QStringLiteral("skip:このバージョンをスキップ");
  const QString later = QStringLiteral("later:あとで通知");
  const QString page = QStringLiteral("openPage:ダウンロードページを開く");
  const QString cancel = QStringLiteral("cancel:キャンセル");
  const QString ok = QStringLiteral("ok:OK");
  const UpdateInstaller::Failure failure = UpdateInstaller::Failure::signature();
  struct Case {
    const char* name;
    UpdatePhase phase;
    bool installable;
    QString title;
    QString subtitle;
    QStringList buttons;
    QString caption = {};  // under the progress bar; empty: none shown
    double fill = -1;      // the bar's fraction, 1 when drawn full; -1: no bar
    QString percent = {};  // what a screen reader hears of the bar
  };
  const QString offered =
      QStringLiteral("Wordloom 1.7 があります（お使いのバージョンは 1.6 です）。");
  const Case cases[] = {
      {"offer",
       UpdatePhase::offer(),
       true,
       QStringLiteral("新しいバージョンのWordloomがあります"),
       offered,
       {skip, later, QStringLiteral("install:アップデートをインストール")}},
      {"offer of the page",
       UpdatePhase::offer(),
       false,
       QStringLiteral("新しいバージョンのWordloomがあります"),
       offered + QStringLiteral("ダウンロードページからインストールしてください。"),
       {skip, later, page}},
      {"downloading",
       UpdatePhase::downloading(0.56, 3100000, 5600000),
       true,
       QStringLiteral("ダウンロード中…"),
       QStringLiteral("Wordloom 1.7 をダウンロードしています。"),
       {cancel},
       QStringLiteral("3.1 MB / 5.6 MB"),
       0.56,
       QStringLiteral("56%")},
      {"downloading of no size",
       UpdatePhase::downloading(0, 1234, 0),
       true,
       QStringLiteral("ダウンロード中…"),
       QStringLiteral("Wordloom 1.7 をダウンロードしています。"),
       {cancel},
       {},
       1,
       QStringLiteral("0%")},
      {"installing",
       UpdatePhase::installing(),
       true,
       QStringLiteral("インストール中…"),
       QStringLiteral("署名を確認して、インストールしています。"),
       {},
       QStringLiteral("終わると、Wordloomを終了して、もう一度開きます。"),
       1},
      {"up to date",
       UpdatePhase::upToDate(),
       false,
       QStringLiteral("Wordloomは最新です"),
       QStringLiteral("お使いのバージョンは 1.6 です。"),
       {ok}},
      {"check failed",
       UpdatePhase::checkFailed(),
       false,
       QStringLiteral("アップデートを確認できませんでした"),
       QStringLiteral("インターネットに接続できるかを確認して、しばらくしてから、"
                      "もう一度お試しください。"),
       {ok}},
      {"failed",
       UpdatePhase::failed(failure.headline, failure.detail),
       true,
       QStringLiteral("アップデートをインストールできませんでした"),
       QStringLiteral("お使いのWordloom 1.6 は、そのまま使えます。"),
       {cancel, page}},
  };
  for (const Case& c : cases) {
    UpdateWindow* window = open(model(c.phase, c.installable));
    QVERIFY2(window != nullptr, c.name);
    QCOMPARE(window->windowTitle(), QStringLiteral("Wordloom のアップデート"));
    QCOMPARE(window->width(), 560);
    QCOMPARE(text(window, "title"), c.title);
    QCOMPARE(text(window, "subtitle"), c.subtitle);
    QCOMPARE(buttons(window), c.buttons);
    QCOMPARE(shown<UpdateCheckMark>(window, "checkMark") != nullptr,
             c.phase.kind == Kind::upToDate);
    QCOMPARE(shown<QWidget>(window, "notes") != nullptr, c.phase.kind == Kind::offer);
    auto* box = shown<SymbolCheckBox>(window, "autoInstall");
    QCOMPARE(box != nullptr, c.phase.kind == Kind::offer && c.installable);
    if (box != nullptr)
      QCOMPARE(box->text(), QStringLiteral("今後はアップデートを自動でインストールする"));
    QCOMPARE(text(window, "progressCaption"), c.caption);
    auto* bar = shown<UpdateProgressBar>(window, "progress");
    QCOMPARE(bar != nullptr, c.fill >= 0);
    if (bar != nullptr) {
      QCOMPARE(bar->isFull() ? 1.0 : bar->fraction(), c.fill);
      QCOMPARE(bar->accessibleName(), QStringLiteral("進み具合"));
      if (!c.percent.isEmpty()) {
        QCOMPARE(QAccessible::queryAccessibleInterface(bar)->text(QAccessible::Value), c.percent);
      }
    }
    QCOMPARE(text(window, "failureHeadline"),
             c.phase.kind == Kind::failed ? failure.headline : QString());
    QCOMPARE(text(window, "failureDetail"),
             c.phase.kind == Kind::failed ? failure.detail : QString());
    // The subtitle sits right under the title, however short both are beside the icon: neither
    // is stretched to the icon's height with its text floating in the middle.
    for (const char* name : {"title", "subtitle"}) {
      const auto* label = window->findChild<QLabel*>(name);
      QVERIFY2(label->height() <= label->heightForWidth(label->width()), c.name);
    }
    // Nothing is cut off: the window is as tall as what it shows needs.
    const QWidget* content = window->findChild<QWidget*>("phaseContent");
    QVERIFY2(content->mapTo(window, QPoint(0, content->height())).y() <= window->height(), c.name);
    window->close();
  }
}

void UpdateWindowTest::buttonsAndKeysDoWhatTheySay() {
  const UpdateInstaller::Failure failure = UpdateInstaller::Failure::signature();
  struct Case {
    const char* name;
    UpdatePhase phase;
    bool installable;
    const char* press;  // a button's name, or "Return" / "Escape"
    bool closes;
    bool skips;
    bool opensPage;
    Kind after = Kind::offer;  // when it stays open
  };
  const Case cases[] = {
      {"skip", UpdatePhase::offer(), true, "skip", true, true, false},
      {"later by Escape", UpdatePhase::offer(), true, "Escape", true, false, false},
      {"later", UpdatePhase::offer(), false, "later", true, false, false},
      {"page by Return", UpdatePhase::offer(), false, "Return", true, false, true},
      {"up to date by Return", UpdatePhase::upToDate(), false, "Return", true, false, false},
      {"check failed", UpdatePhase::checkFailed(), false, "ok", true, false, false},
      {"failed, cancel by Escape", UpdatePhase::failed(failure.headline, failure.detail), true,
       "Escape", true, false, false},
      {"failed, page", UpdatePhase::failed(failure.headline, failure.detail), true, "openPage",
       true, false, true},
      {"downloading, cancel", UpdatePhase::downloading(0.5, 5, 10), true, "Escape", false, false,
       false, Kind::offer},
      {"installing ignores Escape", UpdatePhase::installing(), true, "Escape", false, false, false,
       Kind::installing},
      {"installing ignores Return", UpdatePhase::installing(), true, "Return", false, false, false,
       Kind::installing},
  };
  for (const Case& c : cases) {
    QSettings().clear();
    opened.urls.clear();
    QPointer<UpdateWindow> window = open(model(c.phase, c.installable));
    QVERIFY(window);
    const QString press = QString::fromLatin1(c.press);
    if (press == QLatin1String("Return") || press == QLatin1String("Escape")) {
      QTest::keyClick(window, press == QLatin1String("Return") ? Qt::Key_Return : Qt::Key_Escape);
    } else {
      auto* button = shown<UpdateButton>(window, c.press);
      QVERIFY2(button != nullptr, c.name);
      QTest::mouseClick(button, Qt::LeftButton);
    }
    if (c.closes) {
      QVERIFY2(QTest::qWaitFor([&] { return window.isNull(); }, 2000), c.name);
      QCOMPARE(UpdateWindow::current(), nullptr);
    } else {
      QTest::qWait(50);
      QVERIFY2(!window.isNull(), c.name);
      QCOMPARE(window->model().phase().kind, c.after);
      window->close();
    }
    QCOMPARE(UpdatePrompt::isSkipped(QStringLiteral("1.7")), c.skips);
    QCOMPARE(opened.urls, c.opensPage ? QList<QUrl>{server->url("/page/")} : QList<QUrl>{});
  }
}

void UpdateWindowTest::autoInstallBoxIsSaved() {
  UpdateWindow* window = open(model(UpdatePhase::offer(), true));
  auto* box = shown<SymbolCheckBox>(window, "autoInstall");
  QVERIFY(box != nullptr);
  QVERIFY(!box->isChecked());
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 4, box->height() / 2));
  QVERIFY(UpdatePrompt::autoInstall());
  window->close();

  // The next window starts from what was saved; Space turns it off again.
  window = open(model(UpdatePhase::offer(), true));
  box = shown<SymbolCheckBox>(window, "autoInstall");
  QVERIFY(box->isChecked());
  box->setFocus();
  QTest::keyClick(box, Qt::Key_Space);
  QVERIFY(!UpdatePrompt::autoInstall());
  QVERIFY(!window->model().autoInstall());
}

void UpdateWindowTest::notesShowOnceLoaded() {
  server->set("/n/notes.md",
              {200,
               "## 1.8（2026-03-01）\n- later\n## 1.7 (2026-02-01)\n- **new** `thing`\n- more\n"
               "## 1.6.1\n* fix\n## 1.6\n- old\n",
               true, false, 0, 0});
  server->set("/n/slow.md", {200, "## 1.7\n- x\n", true, false, 4, 200});
  UpdateWindow::show(model(UpdatePhase::offer(), true, server->url("/n/slow.md")));
  UpdateWindow* window = UpdateWindow::current();
  QCOMPARE(text(window, "notesMessage"), QStringLiteral("改定履歴を読み込み中…"));
  QVERIFY(QTest::qWaitFor([&] { return window->model().notesLoaded(); }, 10000));
  QCOMPARE(texts(window, "noteItem"), QStringList{"x"});

  window = open(model(UpdatePhase::offer(), true, server->url("/n/notes.md")));
  QCOMPARE(texts(window, "noteVersion"), (QStringList{"1.7", "1.6.1"}));
  QCOMPARE(texts(window, "noteDate"), QStringList{"2026-02-01"});
  QCOMPARE(texts(window, "noteItem"), (QStringList{"new thing", "more", "fix"}));
  QCOMPARE(text(window, "notesMessage"), QString());
  QCOMPARE(text(window, "subtitle"),
           QStringLiteral("Wordloom 1.7 があります（お使いのバージョンは 1.6 です）。"
                          "1.6.1 からの変更もまとめて入ります。"));

  for (const QUrl& none : {QUrl(), server->url("/n/missing.md")}) {
    window = open(model(UpdatePhase::offer(), true, none));
    QCOMPARE(text(window, "notesMessage"),
             QStringLiteral("改定履歴は、ダウンロードページで見られます。"));
    QCOMPARE(texts(window, "noteVersion"), QStringList());
  }
}

void UpdateWindowTest::downloadCancelledByEscapeOrClosingLeavesNothing() {
  server->set("/r/slow.tar.gz", {200, QByteArray(100000, 'x'), true, false, 1000, 50});
  for (const bool byClosing : {false, true}) {
    QPointer<UpdateWindow> window =
        open(model(UpdatePhase::offer(), true, {}, server->url("/r/slow.tar.gz")));
    QTest::mouseClick(shown<UpdateButton>(window, "install"), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return window->model().phase().received > 0; }, 10000));
    QVERIFY(text(window, "progressCaption").endsWith(QStringLiteral(" / 100 KB")));
    QCOMPARE(workFolders().size(), 1);
    if (byClosing) {
      window->close();
      QVERIFY(QTest::qWaitFor([&] { return window.isNull(); }, 2000));
    } else {
      QTest::keyClick(window, Qt::Key_Escape);
      QCOMPARE(window->model().phase(), UpdatePhase::offer());
      QVERIFY(shown<UpdateButton>(window, "install") != nullptr);
    }
    QVERIFY(QTest::qWaitFor([&] { return workFolders().isEmpty(); }, 5000));
    QTest::qWait(300);
    QVERIFY2(log.isEmpty(), qPrintable(log.join(u'\n')));
    if (window) QCOMPARE(window->model().phase(), UpdatePhase::offer());
  }
}

void UpdateWindowTest::failedInstallShowsWhy() {
  const QUrl zip = serveRelease("foreign", ReleaseTree::make(key, "1.7"), TestKey::make());
  UpdateWindow* window = open(model(UpdatePhase::offer(), true, {}, zip));
  QList<Kind> kinds;
  connect(&window->model(), &UpdateModel::phaseChanged, window, [&] {
    if (kinds.isEmpty() || kinds.back() != window->model().phase().kind) {
      kinds << window->model().phase().kind;
    }
  });
  QTest::keyClick(window, Qt::Key_Return);
  QVERIFY(QTest::qWaitFor([&] { return window->model().phase().kind == Kind::failed; }, 20000));
  QCOMPARE(kinds, (QList<Kind>{Kind::downloading, Kind::installing, Kind::failed}));
  const UpdateInstaller::Failure failure = UpdateInstaller::Failure::signature();
  QCOMPARE(text(window, "failureHeadline"), failure.headline);
  QCOMPARE(text(window, "failureDetail"), failure.detail);
  QCOMPARE(buttons(window),
           (QStringList{"cancel:キャンセル", "openPage:ダウンロードページを開く"}));
  QCOMPARE(quits, 0);
  QCOMPARE(workFolders(), QStringList());
}

void UpdateWindowTest::testActionInstallsAfterAMoment() {
  server->set("/r/slow.tar.gz", {200, QByteArray(100000, 'x'), true, false, 1000, 50});
  qputenv("UPDATE_PROMPT_TEST_ACTION", "install");
  UpdateWindow::show(model(UpdatePhase::offer(), true, {}, server->url("/r/slow.tar.gz")));
  qunsetenv("UPDATE_PROMPT_TEST_ACTION");
  QPointer<UpdateWindow> window = UpdateWindow::current();
  QCOMPARE(window->model().phase(), UpdatePhase::offer());
  QVERIFY(QTest::qWaitFor([&] { return window->model().phase().kind == Kind::downloading; }, 3000));
  window->close();
  QVERIFY(QTest::qWaitFor([&] { return workFolders().isEmpty(); }, 5000));

  // Closed before the moment has passed, nothing is installed.
  qputenv("UPDATE_PROMPT_TEST_ACTION", "install");
  UpdateWindow::show(model(UpdatePhase::offer(), true, {}, server->url("/r/slow.tar.gz")));
  qunsetenv("UPDATE_PROMPT_TEST_ACTION");
  UpdateWindow::current()->close();
  QTest::qWait(800);
  QCOMPARE(workFolders(), QStringList());
}

void UpdateWindowTest::promptOpensOneWindowAtATime() {
  UpdateWindow::registerPresenter();
  server->set("/m/same.json", {200, R"({"version": "1.6.0"})"});
  server->set("/m/new.json", {200, R"({"version": "1.7", "url": "https://example.jp/dl/"})"});
  const auto check = [&](const char* path) {
    UpdatePrompt::checkNow("Wordloom", "1.6",
                           UpdatePrompt::RemoteSource{server->url(QString::fromLatin1(path))});
  };
  check("/m/same.json");
  QVERIFY(QTest::qWaitFor([] { return UpdateWindow::current() != nullptr; }, 10000));
  QPointer<UpdateWindow> first = UpdateWindow::current();
  QCOMPARE(first->model().phase(), UpdatePhase::upToDate());
  QVERIFY(first->isVisible());

  check("/m/new.json");
  QVERIFY(QTest::qWaitFor([&] { return UpdateWindow::current() != first.data(); }, 10000));
  QVERIFY(QTest::qWaitFor([&] { return first.isNull(); }, 2000));
  UpdateWindow* second = UpdateWindow::current();
  QCOMPARE(second->model().phase(), UpdatePhase::offer());
  QCOMPARE(text(second, "title"), QStringLiteral("新しいバージョンのWordloomがあります"));
  // Not replaceable from this test program: the page is offered, and opened.
  QTest::keyClick(second, Qt::Key_Return);
  QCOMPARE(opened.urls, QList<QUrl>{QUrl("https://example.jp/dl/")});

  check("/m/gone.json");
  QVERIFY(QTest::qWaitFor([] { return UpdateWindow::current() != nullptr; }, 10000));
  QCOMPARE(UpdateWindow::current()->model().phase(), UpdatePhase::checkFailed());
  UpdatePrompt::setPresenter({});
}

void UpdateWindowTest::byteCountsReadAsInAFileManager() {
  const std::pair<qint64, const char*> cases[] = {
      {0, "0 バイト"},     {999, "999 バイト"},     {1000, "1 KB"},       {999499, "999 KB"},
      {999500, "1 MB"},    {3100000, "3.1 MB"},     {5000000, "5 MB"},    {5649999, "5.6 MB"},
      {999950000, "1 GB"}, {1234567890, "1.23 GB"}, {2000000000, "2 GB"}, {-5, "0 バイト"},
  };
  for (const auto& [bytes, expected] : cases) {
    QCOMPARE(UpdatePrompt::byteCount(bytes), QString::fromUtf8(expected));
  }
}

void UpdateWindowTest::tintColoursTheMainButton() {
  const auto mainButtonColour = [&](ColorScheme scheme) {
    UpdateWindow* window = open(model(UpdatePhase::upToDate(), false));
    Theme::force(window, scheme);
    auto* button = shown<UpdateButton>(window, "ok");
    const QColor colour = button->grab().toImage().pixelColor(3, button->height() / 2);
    window->close();
    return colour;
  };
  QCOMPARE(mainButtonColour(ColorScheme::light), QColor(0x2C4A6B));
  UpdatePrompt::setTint(UpdatePrompt::Tint{0x7B2D8E, 0xD9B3E6});
  QCOMPARE(mainButtonColour(ColorScheme::light), QColor(0x7B2D8E));
  QCOMPARE(mainButtonColour(ColorScheme::dark), QColor(0xD9B3E6));
  // A tint's dark value need not be light: its label stays white.
  QCOMPARE(UpdatePalette::current().accentInk.resolved(ColorScheme::dark), QColor(Qt::white));
  UpdatePrompt::setTint(std::nullopt);
  QCOMPARE(mainButtonColour(ColorScheme::dark), QColor(0x9DB8D3));
}

QTEST_MAIN(UpdateWindowTest)
#include "update_window_test.moc"
