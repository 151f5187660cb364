#include "ui/style/appearance.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <optional>

#include "portal.h"
#include "ui/style/m_icon.h"
#include "ui/style/styled_button.h"
#include "ui/style/theme.h"

Q_DECLARE_METATYPE(ThemeColor)
Q_DECLARE_METATYPE(ColorScheme)

// On a private session bus: every portal here is the stand-in, started and stopped per test.

namespace {

// LUMI_APPEARANCE for the scope; "-" leaves it unset.
class ScopedOverride {
 public:
  explicit ScopedOverride(const QByteArray& value) {
    if (value == "-") {
      qunsetenv("LUMI_APPEARANCE");
    } else {
      qputenv("LUMI_APPEARANCE", value);
    }
  }
  ScopedOverride(const ScopedOverride&) = delete;
  ScopedOverride& operator=(const ScopedOverride&) = delete;
  ~ScopedOverride() { qunsetenv("LUMI_APPEARANCE"); }
};

// The application's palette for the scope, as a desktop would have set it before start.
class ScopedDesktopPalette {
 public:
  explicit ScopedDesktopPalette(ColorScheme scheme) : saved_(QApplication::palette()) {
    QApplication::setPalette(Theme::palette(scheme));
  }
  ScopedDesktopPalette(const ScopedDesktopPalette&) = delete;
  ScopedDesktopPalette& operator=(const ScopedDesktopPalette&) = delete;
  ~ScopedDesktopPalette() { QApplication::setPalette(saved_); }

 private:
  QPalette saved_;
};

// What a widget hears of an appearance switch.
class Probe : public QWidget {
 public:
  int paletteChanges = 0;
  int paints = 0;

 protected:
  void changeEvent(QEvent* event) override {
    if (event->type() == QEvent::PaletteChange) ++paletteChanges;
    QWidget::changeEvent(event);
  }
  void paintEvent(QPaintEvent*) override { ++paints; }
};

int pixelsOf(const QImage& image, const QColor& color) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == color.rgba() ? 1 : 0;
  }
  return count;
}

}  // namespace

class AppearanceTest : public QObject {
  Q_OBJECT

 private slots:
  void coloursResolvePerScheme_data() {
    QTest::addColumn<ThemeColor>("color");
    QTest::addColumn<ColorScheme>("scheme");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("ink, light") << Theme::ink << ColorScheme::light << QColor(0x1D, 0x23, 0x29);
    QTest::newRow("ink, dark") << Theme::ink << ColorScheme::dark << QColor(0xE8, 0xEA, 0xED);
    QTest::newRow("accentSoft, light")
        << Theme::accentSoft << ColorScheme::light << QColor(0x2C, 0x4A, 0x6B, 18);
    QTest::newRow("dangerSoft, dark")
        << Theme::dangerSoft << ColorScheme::dark << QColor(0xE5, 0x92, 0x92, 36);
  }
  void coloursResolvePerScheme() {
    QFETCH(ThemeColor, color);
    QFETCH(ColorScheme, scheme);
    QFETCH(QColor, expected);
    QCOMPARE(color.resolved(scheme).rgba(), expected.rgba());
  }

  void aForcedSchemeReachesEveryChild() {
    QWidget window;
    auto* panel = new QWidget(&window);
    auto* child = new QWidget(panel);
    const ColorScheme other = Appearance::shared().scheme() == ColorScheme::light
                                  ? ColorScheme::dark
                                  : ColorScheme::light;
    Theme::force(panel, other);
    QCOMPARE(Theme::ink.in(child), Theme::ink.resolved(other));
    QCOMPARE(child->palette().color(QPalette::Window), Theme::ground.resolved(other));
    QCOMPARE(Theme::ink.in(&window), Theme::ink.resolved(Appearance::shared().scheme()));
  }

  void schemeFollowsItsSources_data() {
    QTest::addColumn<QByteArray>("override");
    QTest::addColumn<QString>("portal");  // empty: none on the bus
    QTest::addColumn<ColorScheme>("desktopPalette");
    QTest::addColumn<ColorScheme>("expected");
    const auto light = ColorScheme::light;
    const auto dark = ColorScheme::dark;
    QTest::newRow("no portal, light desktop") << QByteArray("-") << "" << light << light;
    QTest::newRow("no portal, dark desktop") << QByteArray("-") << "" << dark << dark;
    QTest::newRow("portal prefers dark") << QByteArray("-") << "1" << light << dark;
    QTest::newRow("portal prefers light") << QByteArray("-") << "2" << dark << light;
    QTest::newRow("portal has no preference") << QByteArray("-") << "0" << dark << dark;
    QTest::newRow("portal lacks the setting") << QByteArray("-") << "none" << dark << dark;
    QTest::newRow("portal value unknown") << QByteArray("-") << "7" << dark << dark;
    QTest::newRow("light forces light") << QByteArray("light") << "1" << dark << light;
    QTest::newRow("dark forces nothing") << QByteArray("dark") << "1" << light << dark;
    QTest::newRow("only 'light' forces") << QByteArray("Light") << "1" << light << dark;
  }
  void schemeFollowsItsSources() {
    QFETCH(QByteArray, override);
    QFETCH(QString, portal);
    QFETCH(ColorScheme, desktopPalette);
    QFETCH(ColorScheme, expected);
    ScopedOverride environment(override);
    ScopedDesktopPalette desktop(desktopPalette);
    std::optional<Portal> standIn;
    if (!portal.isEmpty()) {
      standIn.emplace(portal);
      QVERIFY(standIn->isUp());
    }
    const Appearance appearance;
    QCOMPARE(appearance.scheme(), expected);
  }

  void lightOverrideIgnoresTheDesktopSwitching() {
    Portal portal(QStringLiteral("2"));
    QVERIFY(portal.isUp());
    Appearance follower;
    ScopedOverride environment("light");
    Appearance forced;
    QSignalSpy forcedSwitched(&forced, &Appearance::changed);
    for (const ColorScheme scheme : {ColorScheme::dark, ColorScheme::light, ColorScheme::dark}) {
      QVERIFY(portal.set(scheme == ColorScheme::dark ? 1 : 2));
      QTRY_COMPARE(follower.scheme(), scheme);
      QCOMPARE(forced.scheme(), ColorScheme::light);
    }
    QCOMPARE(forcedSwitched.count(), 0);
  }

  // The user switches the desktop to dark and back while a window is open: the palette, Qt's
  // widgets and our own painting follow at once. The shared appearance was made by an earlier
  // test while no portal ran, so this also shows that a portal started later is heard.
  void aSwitchRedrawsEveryColour() {
    Portal portal(QStringLiteral("2"));
    QVERIFY(portal.isUp());
    Appearance& appearance = Appearance::shared();
    QVERIFY(portal.set(2));
    QTRY_COMPARE(appearance.scheme(), ColorScheme::light);
    QSignalSpy switched(&appearance, &Appearance::changed);

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* button = new StyledButton(PrimaryButtonStyle, QStringLiteral("保存"));
    auto* icon = new MIcon(QStringLiteral("search"), 32);
    auto* probe = new Probe;
    probe->setMinimumSize(20, 20);
    layout->addWidget(button);
    layout->addWidget(icon);
    layout->addWidget(probe);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(probe->paints > 0);
    const int paintsBefore = probe->paints;

    QVERIFY(portal.set(1));
    QTRY_COMPARE(appearance.scheme(), ColorScheme::dark);
    QCOMPARE(switched.count(), 1);
    QCOMPARE(switched.at(0).at(0).value<ColorScheme>(), ColorScheme::dark);
    QCOMPARE(QApplication::palette().color(QPalette::Window),
             Theme::ground.resolved(ColorScheme::dark));
    QVERIFY(probe->paletteChanges > 0);
    QTRY_VERIFY(probe->paints > paintsBefore);
    QCOMPARE(button->grab().toImage().pixel(3, button->height() / 2),
             Theme::accent.resolved(ColorScheme::dark).rgba());
    const QImage iconImage = icon->grab().toImage();
    QVERIFY(pixelsOf(iconImage, Theme::ink.resolved(ColorScheme::dark)) > 0);
    QCOMPARE(pixelsOf(iconImage, Theme::ink.resolved(ColorScheme::light)), 0);

    // No preference: back to the desktop's palette of the start, which was light.
    QVERIFY(portal.set(0));
    QTRY_COMPARE(appearance.scheme(), ColorScheme::light);
    QCOMPARE(switched.count(), 2);
    QCOMPARE(button->grab().toImage().pixel(3, button->height() / 2),
             Theme::accent.resolved(ColorScheme::light).rgba());
  }
};

QTEST_MAIN(AppearanceTest)
#include "appearance_test.moc"
