#include "platform/executable.h"

#ifdef __APPLE__
#include <mach-o/dyld.h>

#include <cstdint>
#include <vector>
#endif

#include <string>
#include <string_view>
#include <system_error>

namespace platform {

std::filesystem::path runningExecutable() {
#ifdef __APPLE__
  std::uint32_t size = 0;
  _NSGetExecutablePath(nullptr, &size);
  std::vector<char> buffer(size + 1, '\0');
  if (_NSGetExecutablePath(buffer.data(), &size) != 0) return {};
  return std::filesystem::canonical(buffer.data());
#else
  std::error_code error;
  std::filesystem::path path = std::filesystem::canonical("/proc/self/exe", error);
  if (!error) return path;
  // Replaced while running (an update): the link names the old file with
  // " (deleted)" appended, and the path now holds the new program.
  std::string link = std::filesystem::read_symlink("/proc/self/exe", error).string();
  constexpr std::string_view deleted = " (deleted)";
  if (error) return {};
  if (link.ends_with(deleted)) link.resize(link.size() - deleted.size());
  return link;
#endif
}

std::optional<FileStatus> runningExecutableStatus() {
#ifdef __APPLE__
  return fileStatus(runningExecutable());
#else
  // The link itself, not the path it names: that path may hold a newer program by now.
  return fileStatus("/proc/self/exe");
#endif
}

}  // namespace platform
