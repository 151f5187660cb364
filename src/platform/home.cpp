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
  if (path == "~") return homeDirectory();
  if (path.starts_with("~/")) return homeDirectory() / std::string(path.substr(2));
  return std::string(path);
}

}  // namespace platform
