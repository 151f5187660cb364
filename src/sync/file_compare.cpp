#include "sync/file_compare.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <system_error>
#include <vector>

bool fileHoldsExactly(const std::filesystem::path& file, std::string_view bytes) {
  return fileHoldsExactly(file, bytes.size(), [&](const platform::ByteSink& sink) { sink(bytes); });
}

bool fileHoldsExactly(const std::filesystem::path& file, std::uint64_t size,
                      const platform::ByteSource& bytes) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  const auto fail = [&](const char* what, int error) {
    if (fd >= 0) ::close(fd);
    throw std::filesystem::filesystem_error(what, file,
                                            std::error_code(error, std::generic_category()));
  };
  if (fd < 0) fail("cannot open", errno);
  struct stat info {};
  if (::fstat(fd, &info) != 0) fail("cannot read", errno);
  if (S_ISDIR(info.st_mode)) fail("cannot read", EISDIR);
  // A file that grows while it is read shows as more bytes than expected.
  bool same = static_cast<std::uint64_t>(info.st_size) == size;
  std::vector<char> buffer;
  std::uint64_t position = 0;
  // Reads exactly `count` bytes unless the file ends first; returns how many it read.
  const auto readUpTo = [&](std::size_t count) {
    std::size_t got = 0;
    while (got < count) {
      const ssize_t n = ::read(fd, buffer.data() + got, count - got);
      if (n < 0) {
        if (errno == EINTR) continue;
        fail("cannot read", errno);
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
  ::close(fd);
  return same && position == size;
}

bool makesExactly(const platform::ByteSource& bytes, std::string_view expected) {
  bool same = true;
  bytes([&](std::string_view piece) {
    same = same && expected.starts_with(piece);
    if (same) expected.remove_prefix(piece.size());
  });
  return same && expected.empty();
}
