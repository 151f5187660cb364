#include "platform/home.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace platform {

std::filesystem::path homeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return "/";
}

std::filesystem::path expandTilde(std::string_view path) {
  return expandTilde(path, homeDirectory());
}

std::filesystem::path expandTilde(std::string_view path, const std::filesystem::path& home) {
  if (path == "~") return home;
  if (path.starts_with("~/")) return home / std::string(path.substr(2));
  return std::string(path);
}

std::filesystem::path xdgBaseDirectory(const std::optional<std::string>& value,
                                       const std::filesystem::path& fallback) {
  if (value && std::filesystem::path(*value).is_absolute()) return *value;
  return fallback;
}

std::optional<std::string> environmentVariable(const char* name) {
  if (const char* value = std::getenv(name)) return value;
  return std::nullopt;
}

}  // namespace platform
