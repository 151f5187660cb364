#include "desktop/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <thread>

namespace {

const QString lockName = QStringLiteral("wordloom-window.lock");
const QString socketName = QStringLiteral("wordloom-window.socket");

}  // namespace

SingleInstance::SingleInstance(QString folder, QObject* parent)
    : QObject(parent),
      folder_(folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
                               : std::move(folder)),
      lockPath_(QDir(folder_).filePath(lockName)),
      socketPath_(QDir(folder_).filePath(socketName)) {}

SingleInstance::~SingleInstance() {
  if (lockFd_ >= 0) ::close(lockFd_);
}

SingleInstance::Claim SingleInstance::claim(std::chrono::milliseconds patience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  QDir().mkpath(folder_);
  // Close-on-exec: the update finisher and anything else started from here must not keep the
  // session locked after this copy has ended.
  lockFd_ = ::open(QFile::encodeName(lockPath_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  // Without a lock file there is no way to tell copies apart; starting beats refusing to.
  if (lockFd_ < 0) return Claim::owner;
  for (;;) {
    // Tried again each round: the owner may have ended while this copy waited for it.
    if (takeLock()) {
      listen();
      return Claim::owner;
    }
    if (reachOwner()) return Claim::handedOver;
    if (std::chrono::steady_clock::now() >= deadline) return Claim::unreachable;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

bool SingleInstance::takeLock() {
  int result = 0;
  do {
    result = ::flock(lockFd_, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

void SingleInstance::listen() {
  // A socket left by a copy that crashed; nobody else can be listening while we hold the lock.
  QLocalServer::removeServer(socketPath_);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // The connection is the whole request: nothing is read from it.
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* peer = server_->nextPendingConnection()) {
      peer->disconnectFromServer();
      peer->deleteLater();
      emit activationRequested();
    }
  });
  // Without the socket later starts cannot reach us and say so; this copy runs on regardless.
  server_->listen(socketPath_);
}

bool SingleInstance::reachOwner() const {
  QLocalSocket socket;
  socket.connectToServer(socketPath_);
  return socket.waitForConnected(500);
}
