#include "sync/ime_dictionary_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace {

// Open-file-description locks where there are some: a classic fcntl lock
// would be dropped when any descriptor of the file in this process closes,
// such as a probe made on another thread.
#ifdef F_OFD_SETLK
constexpr int setLock = F_OFD_SETLK;
constexpr int getLock = F_OFD_GETLK;
#else
constexpr int setLock = F_SETLK;
constexpr int getLock = F_GETLK;
#endif

struct flock wholeFileWriteLock() {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;
  return lock;
}

bool isSameFile(int fd, const std::filesystem::path& path) {
  struct stat opened {};
  struct stat named {};
  return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
         opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

}  // namespace

std::optional<ImeDictionaryLock> ImeDictionaryLock::tryTake(const std::filesystem::path& lockFile) {
  // Mozc removes its lock file when it unlocks: a lock taken on a file that
  // was removed meanwhile protects nothing, so take it again on the new one.
  for (int attempt = 0; attempt < 8; ++attempt) {
    // Mozc leaves its lock files read-only; like Mozc, make it writable first.
    ::chmod(lockFile.c_str(), 0600);
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
      throw std::filesystem::filesystem_error("cannot open the IME's lock file", lockFile,
                                              std::error_code(errno, std::generic_category()));
    }
    struct flock lock = wholeFileWriteLock();
    if (::fcntl(fd, setLock, &lock) != 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (isSameFile(fd, lockFile)) return ImeDictionaryLock(fd);
    ::close(fd);
  }
  return std::nullopt;
}

bool ImeDictionaryLock::isHeldElsewhere(const std::filesystem::path& lockFile) {
  // A lock file we cannot open (left to root by a sudo run, a link loop) says
  // nothing: taken for a tool, it would stop every reflect without a word.
  const int fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock lock = wholeFileWriteLock();
  const bool held = ::fcntl(fd, getLock, &lock) == 0 && lock.l_type != F_UNLCK;
  ::close(fd);
  return held;
}

bool ImeDictionaryLock::canTake(const std::filesystem::path& lockFile) {
  struct stat info {};
  if (::stat(lockFile.c_str(), &info) != 0) {
    if (errno != ENOENT) return false;
    const std::filesystem::path folder =
        lockFile.has_parent_path() ? lockFile.parent_path() : std::filesystem::path(".");
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
  }
  // Our own read-only file is made writable by tryTake.
  if (info.st_uid == ::geteuid()) return S_ISREG(info.st_mode);
  return ::access(lockFile.c_str(), R_OK | W_OK) == 0;
}

ImeDictionaryLock::ImeDictionaryLock(ImeDictionaryLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)) {}

ImeDictionaryLock& ImeDictionaryLock::operator=(ImeDictionaryLock&& other) noexcept {
  std::swap(fd_, other.fd_);
  return *this;
}

ImeDictionaryLock::~ImeDictionaryLock() {
  // Closing the descriptor drops the fcntl lock.
  if (fd_ >= 0) ::close(fd_);
}
