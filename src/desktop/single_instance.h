#pragma once

#include <QObject>
#include <QString>
#include <chrono>

class QLocalServer;

// One windowed copy per user session, as the desktop's launcher would give on other systems: a
// second start asks the first to bring its window forward and ends. Two copies would each reflect
// and check for updates, and a save in one would be refused for the other's change.
//
// Whoever holds the lock file in `folder` owns the session; the local socket beside it carries
// the request. The lock goes with the process, so a copy that crashed leaves nothing that blocks
// the next start.
class SingleInstance : public QObject {
  Q_OBJECT

 public:
  enum class Claim {
    owner,       // this copy runs the windows (also when no lock can be made)
    handedOver,  // the running copy was asked to come forward: end quietly
    unreachable  // a copy holds the session but does not answer
  };

  // `folder`: the user's runtime folder unless given.
  explicit SingleInstance(QString folder = {}, QObject* parent = nullptr);
  ~SingleInstance() override;

  Claim claim(std::chrono::milliseconds patience = std::chrono::seconds(5));

 signals:
  // Another start asked for this copy's window.
  void activationRequested();

 private:
  bool takeLock();
  void listen();
  bool reachOwner() const;

  QString folder_;
  QString lockPath_;
  QString socketPath_;
  int lockFd_ = -1;
  QLocalServer* server_ = nullptr;
};
