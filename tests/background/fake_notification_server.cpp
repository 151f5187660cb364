// A stand-in for the desktop's notification server on a test's private
// session bus. Every Notify call becomes one JSON line in the record file.
//
//   fake_notification_server <record> [--delay-ms N] [--refuse] [--click] [--plain]
//
// --delay-ms answers Notify only after N ms; --refuse answers with an error;
// --click invokes the default action of every notification it shows. Like
// most desktops' servers it advertises "body-markup" unless --plain is given.
// The record holds bodies as they arrived. Once the name is taken,
// "<record>.ready" appears.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <cstdio>

namespace {

const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

}  // namespace

class FakeServer : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  FakeServer(QString record, int delayMs, bool refuse, bool click, bool plain)
      : record_(std::move(record)),
        delayMs_(delayMs),
        refuse_(refuse),
        click_(click),
        plain_(plain) {}

 public slots:
  uint Notify(const QString& appName, uint replacesId, const QString& icon, const QString& summary,
              const QString& body, const QStringList& actions, const QVariantMap& hints,
              int timeout) {
    Q_UNUSED(replacesId);
    Q_UNUSED(icon);
    const uint id = ++lastId_;
    QJsonObject line{{"app_name", appName},
                     {"summary", summary},
                     {"body", body},
                     {"actions", QJsonArray::fromStringList(actions)},
                     {"expire_timeout", timeout},
                     {"desktop_entry", hints.value(QStringLiteral("desktop-entry")).toString()}};
    QFile file(record_);
    if (file.open(QIODevice::Append)) {
      file.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
    }
    if (refuse_) {
      sendErrorReply(QStringLiteral("org.freedesktop.Notifications.Error.Refused"),
                     QStringLiteral("refused by the test"));
      return 0;
    }
    if (delayMs_ > 0) {
      setDelayedReply(true);
      const QDBusMessage request = message();
      QTimer::singleShot(delayMs_, this, [request, id] {
        QDBusConnection::sessionBus().send(request.createReply(id));
      });
    }
    if (click_) {
      QTimer::singleShot(100, this, [id] {
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, "ActionInvoked");
        signal << id << QStringLiteral("default");
        QDBusConnection::sessionBus().send(signal);
      });
    }
    return id;
  }

  QStringList GetCapabilities() {
    QStringList capabilities{QStringLiteral("body"), QStringLiteral("actions")};
    if (!plain_) capabilities << QStringLiteral("body-markup");
    return capabilities;
  }

  QString GetServerInformation(QString& vendor, QString& version, QString& specVersion) {
    vendor = QStringLiteral("Wordloom tests");
    version = QStringLiteral("1");
    specVersion = QStringLiteral("1.2");
    return QStringLiteral("fake");
  }

  void CloseNotification(uint id) { Q_UNUSED(id); }

 private:
  QString record_;
  int delayMs_ = 0;
  bool refuse_ = false;
  bool click_ = false;
  bool plain_ = false;
  uint lastId_ = 0;
};

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList arguments = app.arguments();
  if (arguments.size() < 2) {
    std::fprintf(stderr, "usage: fake_notification_server <record> [options]\n");
    return 2;
  }
  const int delayAt = arguments.indexOf(QStringLiteral("--delay-ms"));
  FakeServer server(arguments[1], delayAt > 0 ? arguments.value(delayAt + 1).toInt() : 0,
                    arguments.contains(QStringLiteral("--refuse")),
                    arguments.contains(QStringLiteral("--click")),
                    arguments.contains(QStringLiteral("--plain")));
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerObject(path, &server, QDBusConnection::ExportAllSlots) ||
      !bus.registerService(interface)) {
    std::fprintf(stderr, "fake_notification_server: cannot take the name\n");
    return 1;
  }
  QFile ready(arguments[1] + QStringLiteral(".ready"));
  if (!ready.open(QIODevice::WriteOnly)) return 1;
  ready.close();
  return app.exec();
}

#include "fake_notification_server.moc"
