// A stand-in for the desktop portal's settings on a test's private session bus.
//
//   fake_portal <color-scheme>|none
//
// Answers Read and ReadOne of org.freedesktop.appearance color-scheme with the value given ("none":
// the key is unknown, as with a portal whose desktop has no such setting). The test changes the
// value with jp.kumomori.wordloom.TestPortal.SetColorScheme at /test, which sends SettingChanged
// as the portal does when the user switches.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QObject>
#include <cstdio>
#include <optional>

namespace {

const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString group = QStringLiteral("org.freedesktop.appearance");
const QString key = QStringLiteral("color-scheme");

}  // namespace

class Settings : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

 public:
  std::optional<uint> value;

 public slots:
  // The portal's Read puts the value inside one more variant than ReadOne does.
  QDBusVariant Read(const QString& readGroup, const QString& readKey) {
    if (!known(readGroup, readKey)) return {};
    return QDBusVariant(QVariant::fromValue(QDBusVariant(*value)));
  }

  QDBusVariant ReadOne(const QString& readGroup, const QString& readKey) {
    if (!known(readGroup, readKey)) return {};
    return QDBusVariant(*value);
  }

 private:
  bool known(const QString& readGroup, const QString& readKey) {
    if (readGroup == group && readKey == key && value) return true;
    sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                   QStringLiteral("Requested setting not found"));
    return false;
  }
};

class Control : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "jp.kumomori.wordloom.TestPortal")

 public:
  explicit Control(Settings& settings) : settings_(settings) {}

 public slots:
  void SetColorScheme(uint value) {
    settings_.value = value;
    QDBusMessage changed =
        QDBusMessage::createSignal(path, settingsInterface, QStringLiteral("SettingChanged"));
    changed << group << key << QVariant::fromValue(QDBusVariant(value));
    QDBusConnection::sessionBus().send(changed);
  }

 private:
  Settings& settings_;
};

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (app.arguments().size() != 2) {
    std::fprintf(stderr, "usage: fake_portal <color-scheme>|none\n");
    return 2;
  }
  Settings settings;
  bool isNumber = false;
  const uint initial = app.arguments()[1].toUInt(&isNumber);
  if (isNumber) settings.value = initial;
  Control control(settings);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerObject(path, &settings, QDBusConnection::ExportAllSlots) ||
      !bus.registerObject(QStringLiteral("/test"), &control, QDBusConnection::ExportAllSlots) ||
      !bus.registerService(service)) {
    std::fprintf(stderr, "fake_portal: cannot take the name\n");
    return 1;
  }
  return app.exec();
}

#include "fake_portal.moc"
