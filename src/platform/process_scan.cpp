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

// Arguments joined by spaces.
std::string commandLine(int cmdline) {
  std::string line;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(cmdline, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    line.append(buffer, static_cast<std::size_t>(n));
    // The kernel hands over a command line that fits in one read: no read for the end.
    if (static_cast<std::size_t>(n) < sizeof buffer) break;
  }
  while (!line.empty() && line.back() == '\0') line.pop_back();
  for (char& c : line) {
    if (c == '\0') c = ' ';
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
    // The service scans on every run: a file opened in one step costs half of
    // a process's folder opened first. A process that ends while it is looked
    // at simply does not match.
    const std::string pid(name);
    const int cmdline = ::openat(::dirfd(proc), (pid + "/cmdline").c_str(), O_RDONLY | O_CLOEXEC);
    if (cmdline < 0) continue;
    // Every file in a process's folder carries the process's owner.
    struct stat info {};
    if (::fstat(cmdline, &info) == 0 && info.st_uid == uid) {
      found = commandLine(cmdline).find(text) != std::string::npos;
    }
    ::close(cmdline);
  }
  ::closedir(proc);
  return found;
}

}  // namespace platform
