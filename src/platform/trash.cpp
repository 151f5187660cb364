#include "platform/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <system_error>

#include "platform/clock.h"
#include "platform/home.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const char* what, const fs::path& path, int error) {
  throw fs::filesystem_error(what, path, std::error_code(error, std::generic_category()));
}

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

// The device of `path`, or of its nearest existing folder above it: the
// user's trash may not exist yet.
std::optional<dev_t> deviceOf(fs::path path) {
  for (;;) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) return info.st_dev;
    if (!path.has_relative_path()) return std::nullopt;
    path = path.parent_path();
  }
}

// The top folder (mount point) of the file system that holds `folder`, a
// canonical path on `device`.
fs::path topDirectory(fs::path folder, dev_t device) {
  while (folder.has_relative_path()) {
    const fs::path up = folder.parent_path();
    struct stat info {};
    if (::stat(up.c_str(), &info) != 0 || info.st_dev != device) break;
    folder = up;
  }
  return folder;
}

// A folder of this user's, made with 0700 when missing. Returns 0 or an error number.
int ownFolder(const fs::path& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) return errno;
  if (!S_ISDIR(info.st_mode)) return ENOTDIR;
  return info.st_uid == ::getuid() ? 0 : EPERM;
}

// Where an item goes, and the folder its "Path=" is relative to (empty: absolute).
struct Place {
  fs::path trash;
  fs::path top;
};

// Items on another file system than the user's trash cannot be renamed into
// it: they go to that file system's own trash, as file managers put them.
// An administrator's $topdir/.Trash counts only when it is a real folder with
// the sticky bit (anyone could have made a link); otherwise $topdir/.Trash-$uid.
Place placeFor(const fs::path& item) {
  struct stat info {};
  if (::lstat(item.c_str(), &info) != 0) fail("cannot move to trash", item, errno);
  const fs::path home = trashDirectory();
  const std::optional<dev_t> homeDevice = deviceOf(home);
  if (!homeDevice || *homeDevice == info.st_dev) return {home, {}};

  const fs::path top = topDirectory(fs::canonical(item.parent_path()), info.st_dev);
  const std::string uid = std::to_string(::getuid());
  struct stat shared {};
  if (::lstat((top / ".Trash").c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) &&
      (shared.st_mode & S_ISVTX) != 0 && ownFolder(top / ".Trash" / uid) == 0) {
    return {top / ".Trash" / uid, top};
  }
  const fs::path own = top / (".Trash-" + uid);
  if (const int error = ownFolder(own)) fail("cannot make a trash folder", own, error);
  return {own, top};
}

void makeFolder(const fs::path& folder, bool privately) {
  if (!privately) {
    fs::create_directories(folder);
    return;
  }
  if (const int error = ownFolder(folder)) fail("cannot make a trash folder", folder, error);
}

}  // namespace

std::filesystem::path trashDirectory() {
  return xdgBaseDirectory(environmentVariable("XDG_DATA_HOME"), homeDirectory() / ".local/share") /
         "Trash";
}

void moveToTrash(const std::filesystem::path& item, std::chrono::system_clock::time_point now) {
  const fs::path absolute = fs::absolute(item);
  const Place place = placeFor(absolute);
  const fs::path& trash = place.trash;
  makeFolder(trash / "files", !place.top.empty());
  makeFolder(trash / "info", !place.top.empty());
  const std::string path = place.top.empty()
                               ? absolute.string()
                               : (fs::canonical(absolute.parent_path()) / absolute.filename())
                                     .lexically_relative(place.top)
                                     .string();

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
      fail("cannot create trash info", info, errno);
    }
    const std::string record =
        "[Trash Info]\nPath=" + encodePath(path) + "\nDeletionDate=" + isoLocalTime(now) + "\n";
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
