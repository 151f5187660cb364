#include "platform/process_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace platform {
namespace {

std::string readSmallFile(int folder, const char* name) {
  std::string content;
  const int fd = ::openat(folder, name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return content;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    content.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return content;
}

std::string commandLine(int processFolder) {
  std::string line = readSmallFile(processFolder, "cmdline");
  while (!line.empty() && line.back() == '\0') line.pop_back();
  for (char& c : line) {
    if (c == '\0') c = ' ';
  }
  if (line.empty()) {
    line = readSmallFile(processFolder, "comm");
    if (!line.empty() && line.back() == '\n') line.pop_back();
  }
  return line;
}

}  // namespace

bool isProcessRunning(uid_t uid, std::string_view text) {
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) throw std::system_error(errno, std::generic_category(), "/proc");
  const std::string self = std::to_string(::getpid());
  bool found = false;
  while (!found) {
    const dirent* entry = ::readdir(proc);
    if (entry == nullptr) break;
    const std::string_view name = entry->d_name;
    if (name.empty() || name.find_first_not_of("0123456789") != std::string_view::npos ||
        name == self) {
      continue;
    }
    // A process that ends while it is looked at simply does not match.
    const int folder = ::openat(::dirfd(proc), entry->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) continue;
    struct stat info {};
    if (::fstat(folder, &info) == 0 && info.st_uid == uid) {
      found = commandLine(folder).find(text) != std::string::npos;
    }
    ::close(folder);
  }
  ::closedir(proc);
  return found;
}

}  // namespace platform
