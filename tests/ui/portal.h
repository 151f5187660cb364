#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QStringList>
#include <QTest>

// The stand-in desktop portal on the test's private session bus, from construction to the end
// of the scope. `colorScheme` is the value it answers with, or "none" for an unknown key.
class Portal {
 public:
  explicit Portal(const QString& colorScheme) {
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.start(QStringLiteral(FAKE_PORTAL), {colorScheme});
    const auto bus = QDBusConnection::sessionBus().interface();
    up_ = bus != nullptr && QTest::qWaitFor([&] { return bus->isServiceRegistered(service); });
  }
  Portal(const Portal&) = delete;
  Portal& operator=(const Portal&) = delete;
  ~Portal() {
    process_.terminate();
    process_.waitForFinished();
    // The next portal must not find the name still held.
    const auto bus = QDBusConnection::sessionBus().interface();
    if (bus != nullptr) (void)QTest::qWaitFor([&] { return !bus->isServiceRegistered(service); });
  }

  bool isUp() const { return up_; }

  // As when the user switches the desktop between light and dark.
  bool set(uint colorScheme) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, QStringLiteral("/test"), QStringLiteral("jp.kumomori.wordloom.TestPortal"),
        QStringLiteral("SetColorScheme"));
    call << colorScheme;
    return QDBusConnection::sessionBus().call(call).type() == QDBusMessage::ReplyMessage;
  }

 private:
  inline static const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
  QProcess process_;
  bool up_ = false;
};
