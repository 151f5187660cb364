#include "menus/release_notes.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "background/app_info.h"
#include "menus/release_notes_window.h"
#include "ui/style/appearance.h"
#include "ui/style/material_symbols.h"

using namespace StandardMenus;
using Lines = std::vector<NoteLine>;

Q_DECLARE_METATYPE(Lines)

namespace {

QString describe(const Lines& lines) {
  QStringList parts;
  for (const NoteLine& line : lines) {
    const char* kind = std::holds_alternative<Lead>(line)      ? "lead"
                       : std::holds_alternative<Heading>(line) ? "heading"
                                                               : "item";
    parts << QStringLiteral("%1(%2)").arg(kind, QString::fromStdString(text(line)));
  }
  return parts.join(u' ');
}

const Lead unreadable{"改定履歴を読み込めませんでした。"};

}  // namespace

class ReleaseNotesTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    MaterialSymbols::registerFont();
    Appearance::shared();
  }

  void parsing_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<Lines>("lines");
    QTest::newRow("comment block and title are not shown")
        << "<!--\n説明\n  -->\n# 改定履歴\n\n前書き\n## 1.6\n- 一つ目\n"
        << Lines{Lead{"前書き"}, Heading{"1.6"}, Item{"一つ目"}};
    QTest::newRow("one-line comment") << "<!-- ひとこと -->\n次" << Lines{Lead{"次"}};
    QTest::newRow("the line that ends a comment is dropped with its text")
        << "<!-- 始め\n中 --> 後ろ\n残る" << Lines{Lead{"残る"}};
    QTest::newRow("an unclosed comment runs to the end")
        << "前\n<!--\n- 項目\n## 2.0" << Lines{Lead{"前"}};
    QTest::newRow("a comment not at the line's start is text")
        << " <!-- x -->\na <!--\n後" << Lines{Lead{" <!-- x -->"}, Lead{"a <!--"}, Lead{"後"}};
    QTest::newRow("markers need their space")
        << "##\n##見出し\n-項目\n#\n>\n> 引用\n# 題"
        << Lines{Lead{"##"}, Lead{"##見出し"}, Lead{"-項目"}, Lead{"#"}, Lead{">"}};
    QTest::newRow("lines are taken as written")
        << "  - 字下げ\n## 1.6 \n-  二つ空き\n## \n- "
        << Lines{Lead{"  - 字下げ"}, Heading{"1.6 "}, Item{" 二つ空き"}, Heading{""}, Item{""}};
    QTest::newRow("a deeper heading is text") << "### 小見出し" << Lines{Lead{"### 小見出し"}};
    QTest::newRow("empty text") << "" << Lines{};
    QTest::newRow("only line feeds") << "\n\n\n" << Lines{};
  }
  void parsing() {
    QFETCH(QString, text);
    QFETCH(Lines, lines);
    QCOMPARE(describe(parseReleaseNotes(text.toStdString())), describe(lines));
  }

  void loading() {
    QTemporaryDir folder;
    const auto write = [&](const QByteArray& bytes) {
      QFile file(folder.filePath(QStringLiteral("改定履歴.md")));
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(bytes);
    };
    QCOMPARE(loadReleaseNotes({folder.path()}), Lines{unreadable});
    write("## 1.6\n- \xff\xfe\n");
    QCOMPARE(loadReleaseNotes({folder.path()}), Lines{unreadable});
    write("## 1.6\n- 直した\n");
    QCOMPARE(loadReleaseNotes({QDir(folder.path()).filePath("ない"), folder.path()}),
             (Lines{Heading{"1.6"}, Item{"直した"}}));
  }

  // The notes that ship describe the version that ships, first.
  void shippedNotesOpenWithThisVersion() {
    const Lines lines = loadReleaseNotes();
    const auto heading = std::find_if(lines.begin(), lines.end(), [](const NoteLine& line) {
      return std::holds_alternative<Heading>(line);
    });
    QVERIFY(heading != lines.end());
    QVERIFY2(text(*heading).starts_with(AppInfo::version() + "（"), text(*heading).c_str());
    QVERIFY(std::holds_alternative<Item>(*std::next(heading)));
    for (const NoteLine& line : lines) {
      QVERIFY2(text(line).find("<!--") == std::string::npos, text(line).c_str());
      QVERIFY2(!text(line).starts_with("# "), text(line).c_str());
    }
  }

  void colorsFollowTheScheme() {
    const Lines lines{Lead{"前書き"}, Heading{"1.6"}, Item{"項目"}};
    QWidget frame;
    auto* view = new ReleaseNotesView(defaultPalette, lines, &frame);
    const auto colours = [&] {
      QStringList names;
      for (const QLabel* label : view->findChildren<QLabel*>()) {
        names << label->text() + u'=' + label->palette().color(QPalette::WindowText).name();
      }
      names << QStringLiteral("ground=") +
                   view->viewport()->palette().color(QPalette::Window).name();
      return names;
    };
    Theme::force(&frame, ColorScheme::light);
    QCOMPARE(colours(), (QStringList{"前書き=#5d6670", "1.6=#1d2329", "・=#5d6670", "項目=#1d2329",
                                     "ground=#ffffff"}));
    Theme::force(&frame, ColorScheme::dark);
    QCOMPARE(colours(), (QStringList{"前書き=#a7afb8", "1.6=#e8eaed", "・=#a7afb8", "項目=#e8eaed",
                                     "ground=#1f2226"}));
  }

  // The window with the notes that ship, in both schemes, for a person to look at.
  void windowImages() {
    const Config config{.appName = QStringLiteral("Wordloom"), .version = QStringLiteral("1.6")};
    showReleaseNotes(config);
    ReleaseNotesWindow& window = ReleaseNotesWindow::shared(config);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QStringLiteral("改定履歴"));
    QCOMPARE(window.size(), QSize(560, 520));
    showReleaseNotes(config);
    QCOMPARE(&ReleaseNotesWindow::shared(config), &window);

    const QString folder = qEnvironmentVariable("WORDLOOM_BINARY_DIR") + "/snapshots/menus";
    QVERIFY(QDir().mkpath(folder));
    for (const auto& [scheme, name] : {std::pair{ColorScheme::light, "release-notes-light.png"},
                                       std::pair{ColorScheme::dark, "release-notes-dark.png"}}) {
      Theme::force(&window, scheme);
      QVERIFY(window.grab().save(QDir(folder).filePath(QString::fromLatin1(name))));
    }
  }
};

QTEST_MAIN(ReleaseNotesTest)
#include "release_notes_test.moc"
