#include "sync/sync_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace SyncLock {

std::filesystem::path file(const std::filesystem::path& state) {
  return state / ".lock";
}

Holder::Holder(const std::filesystem::path& state, bool create) {
  if (create) {
    std::filesystem::create_directories(state);
    fd_ = ::open(file(state).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  } else {
    // flock needs no write access.
    fd_ = ::open(file(state).c_str(), O_RDONLY | O_CLOEXEC);
  }
  // Without a lock file the work goes on unprotected rather than not at all.
  if (fd_ >= 0) {
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
}

Holder::~Holder() {
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
}

}  // namespace SyncLock
