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
  bool same = static_cast<std::uint64_t>(info.st_size) == bytes.size();
  std::vector<char> buffer(same ? std::min<std::size_t>(bytes.size() + 1, 1 << 20) : 0);
  std::size_t position = 0;
  while (same) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("cannot read", errno);
    }
    if (n == 0) break;
    const auto count = static_cast<std::size_t>(n);
    same = count <= bytes.size() - position &&
           bytes.substr(position, count) == std::string_view(buffer.data(), count);
    position += count;
  }
  ::close(fd);
  return same && position == bytes.size();
}
