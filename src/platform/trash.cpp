#include "platform/trash.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "platform/clock.h"
#include "platform/home.h"

namespace platform {
namespace {

// Percent-encoding of a path for the "Path=" key (RFC 2396, as file managers
// expect it; "/" stays).
std::string encodePath(const std::string& path) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : path) {
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
    if (keep) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 0xF]);
    }
  }
  return out;
}

}  // namespace

std::filesystem::path trashDirectory() {
  return xdgBaseDirectory(environmentVariable("XDG_DATA_HOME"), homeDirectory() / ".local/share") /
         "Trash";
}

void moveToTrash(const std::filesystem::path& item, std::chrono::system_clock::time_point now) {
  namespace fs = std::filesystem;
  const fs::path absolute = fs::absolute(item);
  const fs::path trash = trashDirectory();
  fs::create_directories(trash / "files");
  fs::create_directories(trash / "info");

  // The info file is created exclusively first: it reserves the name against
  // another process trashing an item of the same name at the same moment.
  const std::string base = absolute.filename().string();
  for (int attempt = 1;; ++attempt) {
    const std::string name = attempt == 1 ? base : base + "." + std::to_string(attempt);
    const fs::path info = trash / "info" / (name + ".trashinfo");
    const fs::path target = trash / "files" / name;
    if (fs::exists(fs::symlink_status(target))) continue;  // left by a tool that wrote no info
    const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      throw fs::filesystem_error("cannot create trash info", info,
                                 std::error_code(errno, std::generic_category()));
    }
    const std::string record = "[Trash Info]\nPath=" + encodePath(absolute.string()) +
                               "\nDeletionDate=" + isoLocalTime(now) + "\n";
    const bool written =
        ::write(fd, record.data(), record.size()) == static_cast<ssize_t>(record.size());
    const int writeError = errno;
    ::close(fd);
    if (!written || ::rename(absolute.c_str(), target.c_str()) != 0) {
      const int error = written ? errno : writeError;
      ::unlink(info.c_str());
      throw fs::filesystem_error("cannot move to trash", absolute, target,
                                 std::error_code(error, std::generic_category()));
    }
    return;
  }
}

}  // namespace platform
