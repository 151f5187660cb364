#include "background/notifier.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStandardPaths>
#include <QStringList>
#include <QVariantMap>
#include <algorithm>
#include <chrono>
#include <iostream>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "background/app_info.h"
#include "platform/process.h"

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString objectPath = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

void log(const std::string& line) {
  std::cerr << AppInfo::name() << ": " << line << std::endl;
}

QString appName() {
  return QString::fromStdString(AppInfo::name());
}

// A process without an application object gets one for the time it talks to
// the bus; QtDBus wants one, and the common up-to-date run stays without Qt.
std::unique_ptr<QCoreApplication> applicationIfNone() {
  if (QCoreApplication::instance() != nullptr) return nullptr;
  static int argc = 1;
  static char name[] = "wordloom";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QCoreApplication>(argc, argv);
}

struct SettingsCommand {
  QString program;
  std::vector<std::string> arguments;
};

std::vector<SettingsCommand> settingsCommands() {
  std::vector<SettingsCommand> commands = {
      {QStringLiteral("gnome-control-center"), {"notifications"}},
      {QStringLiteral("systemsettings"), {"kcm_notifications"}},
      {QStringLiteral("xfce4-notifyd-config"), {}},
  };
  if (qEnvironmentVariable("XDG_CURRENT_DESKTOP").contains(QStringLiteral("KDE"))) {
    std::swap(commands[0], commands[1]);
  }
  return commands;
}

// Servers that advertise "body-markup" read the body as a subset of HTML:
// unescaped, "(>_<)" or "A&B" would vanish or break the whole notice.
QString bodyFor(const QDBusConnection& bus, const std::string& body,
                std::chrono::milliseconds waitLimit) {
  QString text = QString::fromStdString(body);
  const QDBusMessage call = QDBusMessage::createMethodCall(service, objectPath, interface,
                                                           QStringLiteral("GetCapabilities"));
  const QDBusMessage reply = bus.call(call, QDBus::Block, static_cast<int>(waitLimit.count()));
  if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
      reply.arguments().constFirst().toStringList().contains(QStringLiteral("body-markup"))) {
    // Only the three characters markup takes apart; servers differ on other entities.
    text.replace(QLatin1Char('&'), QStringLiteral("&amp;"))
        .replace(QLatin1Char('<'), QStringLiteral("&lt;"))
        .replace(QLatin1Char('>'), QStringLiteral("&gt;"));
  }
  return text;
}

}  // namespace

Notifier::Notifier(QObject* parent) : QObject(parent) {}

Notifier& Notifier::shared() {
  // Never destroyed: it may outlive the application object.
  static Notifier* instance = new Notifier;
  return *instance;
}

void Notifier::prepare() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    setStatus(Status::off);
    return;
  }
  if (!listening_) {
    bus.connect(service, objectPath, interface, QStringLiteral("ActionInvoked"), this,
                SLOT(onActionInvoked(uint, QString)));
    bus.connect(service, objectPath, interface, QStringLiteral("NotificationClosed"), this,
                SLOT(onNotificationClosed(uint, uint)));
    listening_ = true;
  }
  refresh();
}

void Notifier::refresh() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  const QDBusMessage call = QDBusMessage::createMethodCall(service, objectPath, interface,
                                                           QStringLiteral("GetServerInformation"));
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this](QDBusPendingCallWatcher* finished) {
            setStatus(finished->isError() ? Status::off : Status::allowed);
            finished->deleteLater();
          });
}

void Notifier::openSettings() {
  for (const auto& command : settingsCommands()) {
    const QString program = QStandardPaths::findExecutable(command.program);
    if (program.isEmpty()) continue;
    // The settings window stays open long after this returns.
    std::thread([path = program.toStdString(), arguments = command.arguments] {
      platform::runProcess(path, arguments);
    }).detach();
    return;
  }
}

void Notifier::sendAndWait(const std::string& body) {
  const std::unique_ptr<QCoreApplication> application = applicationIfNone();
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    log("アプリの外から起こされたので通知を出せません: " + body);
    return;
  }
  const auto started = std::chrono::steady_clock::now();
  const QString text = bodyFor(bus, body, waitLimit);
  const auto left = std::max(std::chrono::milliseconds(1),
                             waitLimit - std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::steady_clock::now() - started));
  QDBusMessage call =
      QDBusMessage::createMethodCall(service, objectPath, interface, QStringLiteral("Notify"));
  call << appName() << 0u << QString() << appName() << text
       << QStringList{QStringLiteral("default"), appName()}
       // The desktop shows the notice as the application's and opens it from there.
       << QVariantMap{{QStringLiteral("desktop-entry"),
                       QString::fromUtf8(AppInfo::desktopEntry.data(),
                                         static_cast<qsizetype>(AppInfo::desktopEntry.size()))}}
       << -1;
  const QDBusMessage reply = bus.call(call, QDBus::Block, static_cast<int>(left.count()));
  if (reply.type() == QDBusMessage::ReplyMessage) {
    if (!reply.arguments().isEmpty()) posted_.insert(reply.arguments().constFirst().toUInt());
    return;
  }
  const QDBusError error(reply);
  switch (error.type()) {
    case QDBusError::ServiceUnknown:
      // No notification server on this bus: the same as having no bus.
      log("アプリの外から起こされたので通知を出せません: " + body);
      return;
    case QDBusError::NoReply:
    case QDBusError::Timeout:
      // The wait is over; the notice may still appear.
      return;
    default:
      log("通知を出せませんでした: " + error.message().toStdString());
  }
}

void Notifier::onActionInvoked(uint id, const QString& action) {
  if (action == QStringLiteral("default") && posted_.contains(id)) emit activated();
}

void Notifier::onNotificationClosed(uint id, uint) {
  posted_.remove(id);
}

void Notifier::setStatus(Status status) {
  if (status_ == status) return;
  status_ = status;
  emit statusChanged(status);
}
