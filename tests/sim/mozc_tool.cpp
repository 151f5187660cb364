#include "mozc_tool.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace sim {

namespace fs = std::filesystem;

MozcTool::MozcTool(fs::path dictionary)
    : dictionary_(std::move(dictionary)),
      lockFile_(dictionary_.parent_path() / ".user_dictionary.db.lock") {}

MozcTool::~MozcTool() {
  close();
}

bool MozcTool::open() {
  if (isOpen()) return true;
  ::chmod(lockFile_.c_str(), 0600);
  const int fd = ::open(lockFile_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    throw fs::filesystem_error("lock", lockFile_, std::error_code(errno, std::generic_category()));
  }
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    ::close(fd);
    return false;
  }
  ::fchmod(fd, 0400);
  fd_ = fd;
  try {
    file_ = UserDictionaryFile::read(dictionary_);
  } catch (...) {
    close();
    throw;
  }
  return true;
}

void MozcTool::save() {
  const fs::path temporary = dictionary_.parent_path() / "user_dictionary.db.tmp";
  const std::string bytes = file_->serialized();
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    throw fs::filesystem_error("save", temporary, std::error_code(errno, std::generic_category()));
  }
  std::string_view rest = bytes;
  while (!rest.empty()) {
    const ssize_t n = ::write(fd, rest.data(), rest.size());
    if (n < 0) {
      const std::error_code error(errno, std::generic_category());
      ::close(fd);
      throw fs::filesystem_error("save", temporary, error);
    }
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
  ::fsync(fd);
  ::close(fd);
  fs::rename(temporary, dictionary_);
}

void MozcTool::close() {
  if (fd_ < 0) return;
  ::unlink(lockFile_.c_str());
  ::close(fd_);
  fd_ = -1;
  file_.reset();
}

}  // namespace sim
