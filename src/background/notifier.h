#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <chrono>
#include <string>

#include "background/notification_sink.h"

// User notifications through the desktop's notification server
// (org.freedesktop.Notifications on the session bus). Without a session bus
// or a server the application cannot notify: the status is `off` and a
// notice becomes a log line on standard error.
class Notifier : public QObject, public NotificationSink {
  Q_OBJECT

 public:
  enum class Status { unknown, allowed, off };
  Q_ENUM(Status)

  explicit Notifier(QObject* parent = nullptr);
  // The application's notifier, made on first use and kept for the process.
  static Notifier& shared();

  Status status() const { return status_; }

  // At application start: listens for clicks and settles the status.
  void prepare();
  // Asks the server again; without a session bus the status stays as it is.
  void refresh();
  // Opens the desktop's notification settings, where the desktop has a known one.
  void openSettings();

  // Posts a notification titled with the application's name and waits until
  // the server took it, at most `waitLimit`. Works without a QCoreApplication
  // too: the headless run gets one only for as long as it posts.
  void sendAndWait(const std::string& body) override;

  std::chrono::milliseconds waitLimit{5000};

 signals:
  void statusChanged(Notifier::Status status);
  // The user clicked one of this application's notifications: the
  // application comes forward with its first visible or minimised window.
  void activated();

 private slots:
  void onActionInvoked(uint id, const QString& action);
  void onNotificationClosed(uint id, uint reason);

 private:
  void setStatus(Status status);

  Status status_ = Status::unknown;
  QSet<uint> posted_;
  bool listening_ = false;
};
