#include "ui/style/appearance.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QMetaType>
#include <QPalette>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearanceGroup = QStringLiteral("org.freedesktop.appearance");
const QString colorSchemeKey = QStringLiteral("color-scheme");

// The first window waits for the answer so that it does not open in the wrong colours; a portal
// that is started on demand answers well within this.
constexpr int portalTimeoutMs = 1000;

ColorScheme schemeOfPalette(const QPalette& palette) {
  return palette.color(QPalette::Window).lightness() < 128 ? ColorScheme::dark : ColorScheme::light;
}

ColorScheme desktopPaletteScheme() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
    return ColorScheme::light;
  }
  return schemeOfPalette(QGuiApplication::palette());
}

// Read answers with the value inside one more variant than SettingChanged sends (ReadOne does
// not); peel whatever nesting arrives.
QVariant unwrapped(QVariant value) {
  for (int depth = 0; depth < 4 && value.metaType() == QMetaType::fromType<QDBusVariant>();
       ++depth) {
    value = qvariant_cast<QDBusVariant>(value).variant();
  }
  return value;
}

}  // namespace

Appearance::Appearance(QObject* parent)
    : QObject(parent), scheme_(desktopPaletteScheme()), desktopPalette_(scheme_) {
  if (qEnvironmentVariable("LUMI_APPEARANCE") == QStringLiteral("light")) {
    scheme_ = ColorScheme::light;
    return;
  }
  if (QCoreApplication::instance() == nullptr) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  // QtDBus finds the slot's argument types by name, and knows this one only once it has
  // handled a variant: without this, the first appearance of a process would never listen.
  qRegisterMetaType<QDBusVariant>();
  // Listen before reading, so that a switch between the two is not lost. QtDBus follows the
  // name to whichever process owns it, so a portal started on demand (often by the Read below)
  // or restarted later is heard too.
  bus.connect(portalService, portalPath, settingsInterface, QStringLiteral("SettingChanged"), this,
              SLOT(onSettingChanged(QString, QString, QDBusVariant)));
  QDBusMessage read = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface,
                                                     QStringLiteral("Read"));
  read << appearanceGroup << colorSchemeKey;
  const QDBusMessage reply = bus.call(read, QDBus::Block, portalTimeoutMs);
  if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
    follow(reply.arguments().constFirst());
  }
}

Appearance& Appearance::shared() {
  // Never destroyed: widgets may ask for colours until the very end.
  static Appearance* const instance = [] {
    auto* appearance = new Appearance;
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
      // Fusion draws from the palette alone, so the theme's palette decides every colour that
      // Qt draws. Connected first: the palette is in place before anyone else hears of a switch.
      QApplication::setStyle(QStringLiteral("Fusion"));
      QApplication::setPalette(Theme::palette(appearance->scheme()));
      connect(appearance, &Appearance::changed, appearance,
              [](ColorScheme scheme) { QApplication::setPalette(Theme::palette(scheme)); });
    }
    return appearance;
  }();
  return *instance;
}

void Appearance::onSettingChanged(const QString& group, const QString& key,
                                  const QDBusVariant& value) {
  if (group == appearanceGroup && key == colorSchemeKey) follow(value.variant());
}

void Appearance::follow(const QVariant& portalValue) {
  const QVariant value = unwrapped(portalValue);
  const int type = value.metaType().id();
  if (type != QMetaType::UInt && type != QMetaType::Int) return;
  // 1 prefers dark, 2 prefers light; 0 (no preference) and values yet unknown leave it to the
  // desktop's palette.
  switch (value.toUInt()) {
    case 1:
      setScheme(ColorScheme::dark);
      break;
    case 2:
      setScheme(ColorScheme::light);
      break;
    default:
      setScheme(desktopPalette_);
  }
}

void Appearance::setScheme(ColorScheme scheme) {
  if (scheme == scheme_) return;
  scheme_ = scheme;
  emit changed(scheme);
}
