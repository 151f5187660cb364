#include "platform/executable.h"

#ifdef __APPLE__
#include <mach-o/dyld.h>

#include <cstdint>
#include <vector>
#endif

namespace platform {

std::filesystem::path runningExecutable() {
#ifdef __APPLE__
  std::uint32_t size = 0;
  _NSGetExecutablePath(nullptr, &size);
  std::vector<char> buffer(size + 1, '\0');
  if (_NSGetExecutablePath(buffer.data(), &size) != 0) return {};
  return std::filesystem::canonical(buffer.data());
#else
  return std::filesystem::canonical("/proc/self/exe");
#endif
}

}  // namespace platform
