#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QRawFont>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/style/appearance.h"
#include "ui/style/m_icon.h"
#include "ui/style/material_symbols.h"
#include "ui/style/styled_button.h"
#include "ui/style/symbol_icon.h"
#include "ui/style/theme.h"
#include "ui/style/ui_type.h"

Q_DECLARE_METATYPE(ColorScheme)
Q_DECLARE_METATYPE(QIcon::Mode)
Q_DECLARE_METATYPE(ButtonStyle)

// The slots run in the order written: the first one sees the process before the icon font is
// registered, the others after.

namespace {

// The colours of the pixels the icon covers fully.
QList<QRgb> solidColours(const QImage& image) {
  QList<QRgb> colours;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      if (qAlpha(pixel) == 255 && !colours.contains(pixel)) colours << pixel;
    }
  }
  return colours;
}

int paintedPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
  }
  return count;
}

QString shippedFont() {
  for (const QString& folder : MaterialSymbols::fontFolders()) {
    const QString path = QDir(folder).filePath(MaterialSymbols::fileName);
    if (QFileInfo::exists(path)) return path;
  }
  return {};
}

// A few of everything the look gives a window, for a person to look at.
QWidget* sampleOfTheLook(ColorScheme scheme) {
  auto* panel = new QWidget;
  panel->setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(24, 24, 24, 24);
  layout->setSpacing(12);
  const std::pair<QFont, const char*> texts[] = {
      {UIType::title(), "辞書の見た目"},
      {UIType::body(), "よみ・単語・コメントで探す。反映は自動で行われます。"},
      {UIType::note(), "最後に反映 12月9日 午前10:24"}};
  for (const auto& [font, text] : texts) {
    auto* label = new QLabel(QString::fromUtf8(text));
    label->setFont(font);
    layout->addWidget(label);
  }

  struct Button {
    ButtonStyle style;
    const char* text;
    const char* symbol;
    bool enabled;
  };
  const Button buttons[] = {{PrimaryButtonStyle, "保存", "", true},
                            {PrimaryButtonStyle, "語を追加", "add_circle", true},
                            {PrimaryButtonStyle, "保存", "", false},
                            {SubtleButtonStyle, "設定を開く", "", true},
                            {SubtleButtonStyle, "キャンセル", "", false},
                            {DangerButtonStyle, "削除", "delete", true},
                            {SubtleButtonStyle, "", "close", true}};
  auto* row = new QHBoxLayout;
  for (const Button& b : buttons) {
    auto* button = new StyledButton(b.style, QString::fromUtf8(b.text));
    button->setSymbol(QString::fromLatin1(b.symbol));
    button->setEnabled(b.enabled);
    row->addWidget(button);
  }
  auto* more = new QToolButton;
  more->setAutoRaise(true);
  more->setIcon(
      MaterialSymbols::icon({QStringLiteral("more_horiz"), Theme::ink, false, 400, scheme}));
  row->addWidget(more);
  row->addStretch();
  layout->addLayout(row);

  row = new QHBoxLayout;
  for (const auto& symbol : MaterialSymbols::codepoints) {
    row->addWidget(new MIcon(QString::fromUtf8(symbol.name.data(), symbol.name.size())));
  }
  row->addStretch();
  layout->addLayout(row);

  // Theme colours, a name drawn through the font's ligatures, and sizes around the clamping.
  struct Icon {
    const char* name;
    ThemeColor color;
    double size;
  };
  const Icon icons[] = {{"check_circle", Theme::ok, 24}, {"warning", Theme::warn, 24},
                        {"error", Theme::danger, 24},    {"info", Theme::info, 24},
                        {"home", Theme::accent, 24},     {"dictionary", Theme::sub, 12},
                        {"dictionary", Theme::ink, 48}};
  row = new QHBoxLayout;
  for (const Icon& i : icons) {
    auto* icon = new MIcon(QString::fromLatin1(i.name), i.size);
    icon->setColor(i.color);
    row->addWidget(icon);
  }
  row->addStretch();
  layout->addLayout(row);

  auto* search = new QLineEdit;
  search->setPlaceholderText(QStringLiteral("よみ・単語・コメントで探す（Ctrl+F）"));
  search->addAction(
      MaterialSymbols::icon({QStringLiteral("search"), Theme::sub, false, 400, scheme}),
      QLineEdit::LeadingPosition);
  layout->addWidget(search);
  auto* check = new QCheckBox(QStringLiteral("自動で反映する"));
  check->setChecked(true);
  layout->addWidget(check);
  return panel;
}

}  // namespace

class LookTest : public QObject {
  Q_OBJECT

 private slots:
  void withoutTheFontEveryIconIsABullet() {
    QTemporaryDir empty;
    QVERIFY(!MaterialSymbols::registerFont({empty.path()}));
    QVERIFY(!MaterialSymbols::isAvailable());
    for (const QString& name : {QStringLiteral("search"), QStringLiteral("no_such_icon")}) {
      const MaterialSymbols::Rendering drawn = MaterialSymbols::rendering(name, 32);
      QCOMPARE(drawn.text, QStringLiteral("•"));
      QCOMPARE(drawn.font.pixelSize(), 32);
      QCOMPARE(drawn.font.family(), QGuiApplication::font().family());
    }
    // Each way of showing an icon still shows something, and nothing fails.
    MIcon icon(QStringLiteral("search"), 32);
    QCOMPARE(icon.sizeHint(), QSize(32, 32));
    QVERIFY(paintedPixels(icon.grab().toImage()) > 0);
    const QIcon themed = MaterialSymbols::icon(QStringLiteral("search"));
    QVERIFY(paintedPixels(themed.pixmap(32).toImage()) > 0);
    StyledButton button(SubtleButtonStyle);
    button.setSymbol(QStringLiteral("close"));
    QVERIFY(!button.grab().isNull());
  }

  void theShippedFontHasEveryIcon() {
    const QString path = shippedFont();
    QVERIFY2(!path.isEmpty(), "MaterialSymbolsOutlined.ttf is in none of the font folders");
    const QRawFont font(path, 24);
    QVERIFY(font.isValid());
    QCOMPARE(font.familyName(), MaterialSymbols::family);
    for (const auto& icon : MaterialSymbols::codepoints) {
      QVERIFY2(font.supportsCharacter(static_cast<uint>(icon.codepoint)), icon.name.data());
    }
  }

  void iconsDrawFromTheRegisteredFont() {
    QVERIFY(MaterialSymbols::registerFont());
    QVERIFY(MaterialSymbols::isAvailable());
    const MaterialSymbols::Rendering search =
        MaterialSymbols::rendering(QStringLiteral("search"), 24);
    QCOMPARE(search.text, QString(QChar(0xEF7A)));
    QCOMPARE(search.font.family(), MaterialSymbols::family);
    QCOMPARE(search.font.pixelSize(), 24);
    // A name outside the table is handed to the font, whose ligatures make it one icon wide.
    const MaterialSymbols::Rendering home = MaterialSymbols::rendering(QStringLiteral("home"), 24);
    QCOMPARE(home.text, QStringLiteral("home"));
    QCOMPARE(QFontMetricsF(home.font).horizontalAdvance(home.text), 24.0);
  }

  void opticalSizeIsClampedWhileTheGlyphScales_data() {
    QTest::addColumn<double>("size");
    QTest::addColumn<double>("opticalSize");
    QTest::newRow("small") << 12.0 << 20.0;
    QTest::newRow("lower end") << 20.0 << 20.0;
    QTest::newRow("default") << 18.0 << 20.0;
    QTest::newRow("within") << 32.0 << 32.0;
    QTest::newRow("upper end") << 48.0 << 48.0;
    QTest::newRow("large") << 64.0 << 48.0;
  }
  void opticalSizeIsClampedWhileTheGlyphScales() {
    QFETCH(double, size);
    QFETCH(double, opticalSize);
    QCOMPARE(MaterialSymbols::variation(size, true, 600),
             (MaterialSymbols::Variation{1, 600, opticalSize}));
    QCOMPARE(MaterialSymbols::font(size)->pixelSize(), static_cast<int>(size));
  }

  void iconEngineColoursEachMode_data() {
    QTest::addColumn<QIcon::Mode>("mode");
    QTest::addColumn<bool>("fixedDark");
    QTest::addColumn<QList<QRgb>>("solid");  // a dimmed icon covers no pixel fully
    const ColorScheme scheme = Appearance::shared().scheme();
    const auto solid = [](const QColor& color) { return QList<QRgb>{color.rgba()}; };
    QTest::newRow("normal") << QIcon::Normal << false << solid(Theme::danger.resolved(scheme));
    QTest::newRow("selected") << QIcon::Selected << false
                              << solid(Theme::accentInk.resolved(scheme));
    QTest::newRow("disabled") << QIcon::Disabled << false << QList<QRgb>{};
    QTest::newRow("fixed dark") << QIcon::Normal << true
                                << solid(Theme::danger.resolved(ColorScheme::dark));
  }
  void iconEngineColoursEachMode() {
    QFETCH(QIcon::Mode, mode);
    QFETCH(bool, fixedDark);
    QFETCH(QList<QRgb>, solid);
    SymbolIconEngine engine({QStringLiteral("delete"), Theme::danger, false, 400,
                             fixedDark ? std::optional(ColorScheme::dark) : std::nullopt});
    const QImage drawn = engine.pixmap(QSize(32, 32), mode, QIcon::Off).toImage();
    QVERIFY(paintedPixels(drawn) > 0);
    QCOMPARE(solidColours(drawn), solid);
    // A copy of the icon (Qt clones the engine when an icon is changed) keeps its colour.
    std::unique_ptr<QIconEngine> copy(engine.clone());
    QCOMPARE(copy->pixmap(QSize(32, 32), mode, QIcon::Off).toImage(), drawn);
  }

  // A pressed or disabled button must look different from one waiting to be clicked.
  void everyButtonShowsItsState_data() {
    QTest::addColumn<ButtonStyle>("style");
    QTest::addColumn<ColorScheme>("scheme");
    for (const auto scheme : {ColorScheme::light, ColorScheme::dark}) {
      const char* in = scheme == ColorScheme::light ? ", light" : ", dark";
      QTest::newRow(QByteArray("primary").append(in)) << PrimaryButtonStyle << scheme;
      QTest::newRow(QByteArray("subtle").append(in)) << SubtleButtonStyle << scheme;
      QTest::newRow(QByteArray("danger").append(in)) << DangerButtonStyle << scheme;
    }
  }
  void everyButtonShowsItsState() {
    QFETCH(ButtonStyle, style);
    QFETCH(ColorScheme, scheme);
    const auto normal = style.colors(ButtonStyle::State::normal, scheme);
    QVERIFY(style.colors(ButtonStyle::State::pressed, scheme).background != normal.background);
    QVERIFY(style.colors(ButtonStyle::State::disabled, scheme).text != normal.text);
  }

  // Writes look-light.png and look-dark.png under the build folder for a person to look at.
  void snapshotsOfBothSchemes() {
    const QString folder =
        QDir(qEnvironmentVariable("WORDLOOM_BINARY_DIR", QDir::currentPath())).filePath("look");
    QVERIFY(QDir().mkpath(folder));
    for (const auto scheme : {ColorScheme::light, ColorScheme::dark}) {
      std::unique_ptr<QWidget> panel(sampleOfTheLook(scheme));
      Theme::force(panel.get(), scheme);
      panel->resize(panel->sizeHint().expandedTo(QSize(760, 0)));
      panel->show();
      QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
      const QString path =
          QDir(folder).filePath(scheme == ColorScheme::light ? "look-light.png" : "look-dark.png");
      QVERIFY(panel->grab().save(path));
      QCOMPARE(QImage(path).size(), panel->size());
    }
  }
};

QTEST_MAIN(LookTest)
#include "look_test.moc"
