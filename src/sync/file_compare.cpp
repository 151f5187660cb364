#include "sync/file_compare.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <system_error>
#include <utility>
#include <vector>

namespace {

struct Closer {
  int fd;
  explicit Closer(int fd) : fd(fd) {}
  Closer(const Closer&) = delete;
  Closer& operator=(const Closer&) = delete;
  ~Closer() { ::close(fd); }
};

[[noreturn]] void fail(const std::filesystem::path& file, const char* what, int error) {
  throw std::filesystem::filesystem_error(what, file,
                                          std::error_code(error, std::generic_category()));
}

// The file opened for reading, and its size; a folder is refused.
std::pair<int, std::uint64_t> openForReading(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail(file, "cannot open", errno);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
    ::close(fd);
    fail(file, "cannot read", error);
  }
  return {fd, static_cast<std::uint64_t>(info.st_size)};
}

}  // namespace

bool fileHoldsExactly(const std::filesystem::path& file, std::string_view bytes) {
  return fileHoldsExactly(file, bytes.size(), [&](const platform::ByteSink& sink) { sink(bytes); });
}

bool fileHoldsExactly(const std::filesystem::path& file, std::uint64_t size,
                      const platform::ByteSource& bytes) {
  const std::pair<int, std::uint64_t> opened = openForReading(file);
  const int fd = opened.first;
  const Closer closer{fd};
  // A file that grows while it is read shows as more bytes than expected.
  bool same = opened.second == size;
  std::vector<char> buffer;
  std::uint64_t position = 0;
  // Reads exactly `count` bytes unless the file ends first; returns how many it read.
  const auto readUpTo = [&](std::size_t count) {
    std::size_t got = 0;
    while (got < count) {
      const ssize_t n = ::read(fd, buffer.data() + got, count - got);
      if (n < 0) {
        if (errno == EINTR) continue;
        fail(file, "cannot read", errno);
      }
      if (n == 0) break;
      got += static_cast<std::size_t>(n);
    }
    return got;
  };
  if (same) {
    bytes([&](std::string_view piece) {
      while (same && !piece.empty()) {
        const std::size_t count = std::min<std::size_t>(piece.size(), 1 << 20);
        if (buffer.size() < count) buffer.resize(count);
        same = readUpTo(count) == count &&
               piece.substr(0, count) == std::string_view(buffer.data(), count);
        piece.remove_prefix(count);
        position += count;
      }
    });
  }
  if (same) {
    buffer.resize(std::max<std::size_t>(buffer.size(), 1));
    same = readUpTo(1) == 0;
  }
  return same && position == size;
}

bool filesHoldTheSame(const std::filesystem::path& a, const std::filesystem::path& b) {
  const std::pair<int, std::uint64_t> opened = openForReading(b);
  const int fd = opened.first;
  const std::uint64_t size = opened.second;
  const Closer closer{fd};
  std::vector<char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(size + 1, 1 << 20)));
  return fileHoldsExactly(a, size, [&](const platform::ByteSink& sink) {
    for (;;) {
      const ssize_t n = ::read(fd, buffer.data(), buffer.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        fail(b, "cannot read", errno);
      }
      if (n == 0) break;
      sink(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    }
  });
}

bool makesExactly(const platform::ByteSource& bytes, std::string_view expected) {
  bool same = true;
  bytes([&](std::string_view piece) {
    same = same && expected.starts_with(piece);
    if (same) expected.remove_prefix(piece.size());
  });
  return same && expected.empty();
}
