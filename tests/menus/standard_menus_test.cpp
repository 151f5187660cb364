#include "menus/standard_menus.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

#include "menus/bug_report.h"
#include "menus/localization.h"
#include "support/menu_clicks.h"
#include "ui/style/appearance.h"

using namespace StandardMenus;
using MenuClicks::layout;
using MenuClicks::titled;

Q_DECLARE_METATYPE(StandardMenus::Config)

namespace {

const QUrl help(QStringLiteral("https://kumomori.jp/apps/wordloom/help/"));
const QUrl form(QStringLiteral("https://kumomori.jp/contact/?type=bug"));
const QUrl site(QStringLiteral("https://kumomori.jp/apps/wordloom/"));

Config bare() {
  return Config{.appName = QStringLiteral("Wordloom"), .version = QStringLiteral("1.6")};
}

Config full() {
  Config config = bare();
  config.help = Help{Help::Web{help}};
  config.report = Report{Report::Web{form}};
  config.website = site;
  return config;
}

QString decodedItem(const QUrl& url, const QString& key) {
  return QUrlQuery(url).queryItemValue(key, QUrl::FullyDecoded);
}

}  // namespace

class StandardMenusTest : public QObject {
  Q_OBJECT

 public slots:
  void open(const QUrl& url) {
    opened << url;
    clipboardAtOpen << QApplication::clipboard()->text();
  }

 private slots:
  void initTestCase() {
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
    opened.clear();
    clipboardAtOpen.clear();
  }

  void menuItems_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<Config>("config");
    QTest::addColumn<int>("extras");
    QTest::addColumn<QStringList>("items");
    const QString app = QStringLiteral("Wordloom");
    const QString help = QStringLiteral("ヘルプ");
    Config updates = bare();
    updates.checkForUpdates = [] {};
    Config settings = bare();
    settings.showSettings = [] {};
    Config report = bare();
    report.report = Report{Report::Mail{QStringLiteral("support@kumomori.jp")}};
    Config website = bare();
    website.website = site;
    QTest::newRow("application: nothing optional")
        << app << bare() << 0 << QStringList{"Wordloomについて", "---", "Wordloomを終了 Ctrl+Q"};
    QTest::newRow("application: extras without settings get their own separator")
        << app << bare() << 1
        << QStringList{"Wordloomについて", "---", "追加", "---", "Wordloomを終了 Ctrl+Q"};
    QTest::newRow("application: updates")
        << app << updates << 0
        << QStringList{"Wordloomについて", "アップデートを確認…", "---", "Wordloomを終了 Ctrl+Q"};
    QTest::newRow("application: settings and extras")
        << app << settings << 1
        << QStringList{"Wordloomについて",     "---", "設定… Ctrl+,", "追加", "---",
                       "Wordloomを終了 Ctrl+Q"};
    QTest::newRow("help: only the release notes") << help << bare() << 0 << QStringList{"改定履歴"};
    QTest::newRow("help: everything")
        << help << full() << 1
        << QStringList{"Wordloomヘルプ F1",      "改定履歴", "---", "不具合を報告",
                       "Wordloomのウェブサイト", "---",      "追加"};
    QTest::newRow("help: report alone")
        << help << report << 0 << QStringList{"改定履歴", "---", "不具合を報告"};
    QTest::newRow("help: web site and extras")
        << help << website << 1
        << QStringList{"改定履歴", "---", "Wordloomのウェブサイト", "---", "追加"};
    QTest::newRow("help: extras alone")
        << help << bare() << 1 << QStringList{"改定履歴", "---", "追加"};
  }
  void menuItems() {
    QFETCH(QString, title);
    QFETCH(Config, config);
    QFETCH(int, extras);
    QFETCH(QStringList, items);
    QWidget parent;
    QList<QAction*> extra;
    if (extras > 0) extra << new QAction(QStringLiteral("追加"), &parent);
    const bool application = title == QStringLiteral("Wordloom");
    QMenu* menu = (application ? appMenu : helpMenu)(config, extra, &parent);
    QCOMPARE(menu->title(), title);
    QCOMPARE(layout(menu), items);
    if (application) QCOMPARE(updateItem() != nullptr, bool(config.checkForUpdates));
  }

  // The items do what they say, chosen with the mouse or their keys in a real window.
  void itemsOpenTheirPages() {
    int settingsShown = 0;
    Config config = full();
    config.showSettings = [&] { ++settingsShown; };
    QMainWindow window;
    auto* field = new QLineEdit;
    window.setCentralWidget(field);
    QMenu* app = appMenu(config, {}, window.menuBar());
    QMenu* helpItems = helpMenu(config, {}, window.menuBar());
    window.menuBar()->addMenu(app);
    window.menuBar()->addMenu(helpItems);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QTest::keyClick(field, Qt::Key_F1);
    QTest::keyClick(field, Qt::Key_Comma, Qt::ControlModifier);
    QCOMPARE(settingsShown, 1);
    MenuClicks::choose(window.menuBar(), helpItems, QStringLiteral("Wordloomのウェブサイト"));
    MenuClicks::choose(window.menuBar(), helpItems, QStringLiteral("不具合を報告"));
    QCOMPARE(opened.size(), 3);
    QCOMPARE(opened[0], help);
    QCOMPARE(opened[1], site);
    QCOMPARE(opened[2].toString(QUrl::RemoveQuery), form.toString(QUrl::RemoveQuery));
    QCOMPARE(decodedItem(opened[2], QStringLiteral("type")), QStringLiteral("bug"));
    QVERIFY(decodedItem(opened[2], QStringLiteral("body"))
                .startsWith("起きたこと・手順:\n\n\nお使いの環境:\nアプリ: Wordloom 1.6\nOS: "));

    MenuClicks::choose(window.menuBar(), app, QStringLiteral("Wordloomについて"));
    QMessageBox* about = nullptr;
    QTRY_VERIFY((about = window.findChild<QMessageBox*>(QStringLiteral("aboutBox"))) != nullptr);
    QCOMPARE(about->windowTitle(), QStringLiteral("Wordloomについて"));
    QVERIFY(about->informativeText().contains(QStringLiteral("1.6")));
    about->button(QMessageBox::Ok)->click();
  }

  void quitItemEndsTheEventLoop() {
    QMainWindow window;
    window.menuBar()->addMenu(appMenu(bare(), {}, window.menuBar()));
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    QTimer::singleShot(0, &window,
                       [&] { QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier); });
    // A failure would hang here; the test's time limit ends it.
    QCOMPARE(QApplication::exec(), 0);
    QCOMPARE(quitting.size(), 1);
  }

  void bundledHelp() {
    QTemporaryDir folder;
    QFile page(folder.filePath(QStringLiteral("使い方.html")));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.close();
    openHelp(Help{Help::Bundled{QStringLiteral("使い方")}}, {folder.path()});
    openHelp(Help{Help::Bundled{QStringLiteral("ない")}}, {folder.path()});
    openHelp(std::nullopt, {folder.path()});
    QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(page.fileName())});
  }

  void environmentLines_data() {
    QTest::addColumn<QString>("osRelease");
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("text");
    const QString app = QStringLiteral("アプリ: Wordloom 1.6\n");
    QTest::newRow("double quotes with escapes")
        << "NAME=\"Debian\"\nPRETTY_NAME=\"Debian \\\"GNU\\\"/Linux 12 (bookworm)\"\nID=debian\n"
        << "ThinkPad X1 Carbon Gen 9\n"
        << app + "OS: Debian \"GNU\"/Linux 12 (bookworm)\n機種: ThinkPad X1 Carbon Gen 9";
    QTest::newRow("single quotes") << "PRETTY_NAME='Fedora Linux 40'\n"
                                   << "  \n"
                                   << app + "OS: Fedora Linux 40\n機種: ?";
    QTest::newRow("unquoted, last line without line feed")
        << "ID=arch\nPRETTY_NAME=Arch"
        << "B650M" << app + "OS: Arch\n機種: B650M";
    QTest::newRow("nothing readable") << QString() << QString() << app + "OS: ?\n機種: ?";
  }
  void environmentLines() {
    QFETCH(QString, osRelease);
    QFETCH(QString, product);
    QFETCH(QString, text);
    QTemporaryDir folder;
    const auto write = [&](const QString& name, const QString& content) {
      if (content.isNull()) return;
      QFile file(folder.filePath(name));
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(content.toUtf8());
    };
    write(QStringLiteral("os-release"), osRelease);
    write(QStringLiteral("product_name"), product);
    // The first os-release is missing: the second is read.
    const EnvironmentSources sources{
        {folder.filePath(QStringLiteral("missing")), folder.filePath(QStringLiteral("os-release"))},
        folder.filePath(QStringLiteral("product_name"))};
    QCOMPARE(environmentText(bare(), sources), text);
  }

  // Whatever the text holds arrives at the form as it was written.
  void reportAddresses() {
    const QString text = QStringLiteral("起きたこと・手順:\nC++ & a=b; 100%\n機種: ?\n");
    const QUrl web = webReportUrl(form, text);
    QCOMPARE(web.host(), QStringLiteral("kumomori.jp"));
    QCOMPARE(web.path(), QStringLiteral("/contact/"));
    QCOMPARE(decodedItem(web, QStringLiteral("type")), QStringLiteral("bug"));
    QCOMPARE(decodedItem(web, QStringLiteral("body")), text);
    QVERIFY(!web.toEncoded().contains('+'));

    const QUrl mail = mailReportUrl(QStringLiteral("support@kumomori.jp"), bare(), text);
    QCOMPARE(mail.scheme(), QStringLiteral("mailto"));
    QCOMPARE(mail.path(), QStringLiteral("support@kumomori.jp"));
    QCOMPARE(decodedItem(mail, QStringLiteral("subject")),
             QStringLiteral("Wordloomの不具合の報告"));
    QCOMPARE(decodedItem(mail, QStringLiteral("body")), text);
  }

  void copyReportPutsTheTextOnTheClipboardBeforeTheMail() {
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QApplication::clipboard()->clear();
    report(Report{Report::Copy{QStringLiteral("support@kumomori.jp")}}, bare());
    QMessageBox* box = nullptr;
    QTRY_VERIFY((box = window.findChild<QMessageBox*>(QStringLiteral("reportCopiedBox"))) !=
                nullptr);
    QCOMPARE(box->text(), QStringLiteral("お使いの環境をコピーしました"));
    QCOMPARE(box->informativeText(),
             QStringLiteral(
                 "support@kumomori.jp\n貼り付けたあと、起きたことと手順を書き足してください。"));
    QVERIFY(opened.isEmpty());
    box->button(QMessageBox::Ok)->click();
    QTRY_COMPARE(opened.size(), 1);
    QCOMPARE(opened[0].scheme(), QStringLiteral("mailto"));
    QCOMPARE(decodedItem(opened[0], QStringLiteral("body")), reportText(bare()));
    QCOMPARE(clipboardAtOpen, QStringList{reportText(bare())});
  }

  void textsFollowTheUsersLanguage() {
    QCOMPARE(L("改定履歴"), QStringLiteral("改定履歴"));
    QCOMPARE(fill(QStringLiteral("%@を%@"), {QStringLiteral("辞書"), QStringLiteral("%@")}),
             QStringLiteral("辞書を%@"));
    QCOMPARE(fill(QStringLiteral("%@について"), {}), QStringLiteral("%@について"));
    const QLocale japanese;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    localize = [](const QString& key) {
      return key == "改定履歴" ? QStringLiteral("Release Notes") : key;
    };
    const QString english = L("改定履歴");
    const QString unknown = L("ヘルプ");
    localize = [](const QString& key) { return key; };
    QLocale::setDefault(japanese);
    QCOMPARE(english, QStringLiteral("Release Notes"));
    QCOMPARE(unknown, QStringLiteral("ヘルプ"));
  }

 private:
  QList<QUrl> opened;
  QStringList clipboardAtOpen;
};

QTEST_MAIN(StandardMenusTest)
#include "standard_menus_test.moc"
