#include "platform/files.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <functional>
#include <system_error>
#include <utility>
#include <vector>

namespace platform {
namespace {

std::atomic<FileStepHook> stepHook{nullptr};

void step(std::string_view name, const std::filesystem::path& target) {
  if (FileStepHook hook = stepHook.load()) hook(name, target);
}

[[noreturn]] void fail(const char* what, const std::filesystem::path& path, int error) {
  throw std::filesystem::filesystem_error(what, path,
                                          std::error_code(error, std::generic_category()));
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

mode_t modeForNewFile(const std::filesystem::path& target) {
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0) return existing.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

void writeAll(int fd, std::string_view bytes, const std::filesystem::path& target) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("cannot write", target, errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

// The names mkostemp gives writeAtomically's temporary files: "." + the
// target's name + "." + six letters or digits.
bool isUniqueTemporaryName(std::string_view name) {
  if (name.size() < 9 || name[0] != '.' || name[name.size() - 7] != '.') return false;
  return std::all_of(name.end() - 6, name.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// Only files older than an hour go: a younger one may belong to a write in progress.
void removeStale(const std::filesystem::path& folder,
                 const std::function<bool(std::string_view)>& isLeftover) {
  const auto now = std::filesystem::file_time_type::clock::now();
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!isLeftover(name) || !it->is_regular_file(error)) {
      error.clear();
      continue;
    }
    const auto modified = it->last_write_time(error);
    if (!error && now - modified > std::chrono::hours(1))
      std::filesystem::remove(it->path(), error);
    error.clear();
  }
}

}  // namespace

void failWritesOverTheSizeLimit() {
  struct sigaction action {};
  action.sa_handler = [](int) {};
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGXFSZ, &action, nullptr);
}

void setFileStepHook(FileStepHook hook) {
  stepHook.store(hook);
}

namespace {

// Copies what `source` holds to `fd`: by sharing its blocks where the file
// system can (nothing is written twice), else inside the kernel, else through
// a buffer.
void copyContent(int source, int fd, const std::filesystem::path& target) {
  if (::ioctl(fd, FICLONE, source) == 0) return;
  for (bool inKernel = true;;) {
    ssize_t n = -1;
    if (inKernel) {
      n = ::copy_file_range(source, nullptr, fd, nullptr, std::size_t{1} << 30, 0);
      // Across file systems, or where the kernel cannot: the plain way.
      if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                    errno == EBADF)) {
        inKernel = false;
        continue;
      }
    } else {
      char buffer[65536];
      n = ::read(source, buffer, sizeof buffer);
      if (n > 0) writeAll(fd, std::string_view(buffer, static_cast<std::size_t>(n)), target);
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("cannot write", target, errno);
    }
    if (n == 0) return;
  }
}

// writeAtomically's steps, the temporary file filled by `fill`.
void replaceAtomically(const std::filesystem::path& target, const AtomicWriteOptions& options,
                       const std::function<void(int)>& fill) {
  const std::filesystem::path folder =
      target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  const mode_t mode = modeForNewFile(target);

  step("create", target);
  std::filesystem::path temp;
  int raw = -1;
  if (options.tempName.empty()) {
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    raw = ::mkostemp(buffer.data(), O_CLOEXEC);
    temp = buffer.data();
  } else {
    temp = folder / options.tempName;
    raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  }
  // Failures name the target: the temporary file means nothing to the user.
  if (raw < 0) fail("cannot create temporary file", target, errno);
  FileDescriptor fd(raw);

  try {
    if (::fchmod(fd.get(), mode) != 0) fail("cannot set permissions", target, errno);
    step("write", target);
    fill(fd.get());
    step("fsync", target);
    if (::fsync(fd.get()) != 0) fail("cannot flush", target, errno);
    if (::close(fd.release()) != 0) fail("cannot close", target, errno);
    step("rename", target);
    if (::rename(temp.c_str(), target.c_str()) != 0) fail("cannot replace", target, errno);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }

  // The new content is in place from here on: a folder that cannot be
  // flushed only weakens durability, and reporting the write as failed would
  // make callers act on a file they did replace.
  step("fsync-folder", target);
  FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  if (options.tempName.empty()) {
    const std::string prefix = "." + target.filename().string() + ".";
    removeStale(folder, [&](std::string_view name) {
      return name.size() == prefix.size() + 6 && name.starts_with(prefix) &&
             isUniqueTemporaryName(name);
    });
  }
}

}  // namespace

void writeAtomically(const std::filesystem::path& target, std::string_view bytes,
                     const AtomicWriteOptions& options) {
  writeAtomically(
      target, [&](const ByteSink& sink) { sink(bytes); }, options);
}

void writeAtomically(const std::filesystem::path& target, const ByteSource& bytes,
                     const AtomicWriteOptions& options) {
  replaceAtomically(target, options, [&](int fd) {
    bytes([&](std::string_view piece) { writeAll(fd, piece, target); });
  });
}

void copyAtomically(const std::filesystem::path& source, const std::filesystem::path& target,
                    const AtomicWriteOptions& options) {
  FileDescriptor from(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (from.get() < 0) fail("cannot open", source, errno);
  replaceAtomically(target, options, [&](int fd) { copyContent(from.get(), fd, target); });
}

void moveOver(const std::filesystem::path& source, const std::filesystem::path& target) {
  step("rename", target);
  if (::rename(source.c_str(), target.c_str()) != 0) fail("cannot replace", target, errno);
  step("fsync-folder", target);
  const std::filesystem::path folder =
      target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

void removeStaleTemporaries(const std::filesystem::path& folder) {
  removeStale(folder, isUniqueTemporaryName);
}

std::optional<FileStamp> fileStamp(const std::filesystem::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileStamp{static_cast<std::uintmax_t>(info.st_size), info.st_mtim.tv_sec,
                   info.st_mtim.tv_nsec, static_cast<std::uintmax_t>(info.st_ino)};
}

std::optional<FileStatus> fileStatus(const std::filesystem::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    fail("cannot look at", path, errno);
  }
  constexpr std::int64_t billion = 1'000'000'000;
  return FileStatus{
      .device = static_cast<std::uint64_t>(info.st_dev),
      .inode = static_cast<std::uint64_t>(info.st_ino),
      .mode = static_cast<std::uint32_t>(info.st_mode),
      .size = static_cast<std::uint64_t>(info.st_size),
      .modified = static_cast<std::int64_t>(info.st_mtim.tv_sec) * billion + info.st_mtim.tv_nsec,
      .changed = static_cast<std::int64_t>(info.st_ctim.tv_sec) * billion + info.st_ctim.tv_nsec};
}

std::string readFile(const std::filesystem::path& path) {
  step("read", path);
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) fail("cannot open", path, errno);
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) fail("cannot read", path, errno);
  if (S_ISDIR(info.st_mode)) fail("cannot read", path, EISDIR);
  // Read straight into the result. A file that grows meanwhile is read to its
  // end: past the size it had, through a small buffer, so that the usual
  // read's last look for more costs no copy of the whole.
  std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
  std::size_t size = 0;
  char more[4096];
  for (;;) {
    const bool full = size == bytes.size();
    const ssize_t n = full ? ::read(fd.get(), more, sizeof more)
                           : ::read(fd.get(), bytes.data() + size, bytes.size() - size);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("cannot read", path, errno);
    }
    if (n == 0) break;
    if (full) bytes.append(more, static_cast<std::size_t>(n));
    size += static_cast<std::size_t>(n);
  }
  bytes.resize(size);
  return bytes;
}

}  // namespace platform
