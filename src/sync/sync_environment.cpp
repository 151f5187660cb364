#include "sync/sync_environment.h"

#include "platform/home.h"

SyncEnvironment SyncEnvironment::process() {
  return {
      .variable = [](std::string_view name) -> std::optional<std::string> {
        return platform::environmentVariable(std::string(name).c_str());
      },
      .home = platform::homeDirectory(),
  };
}

std::optional<std::string> SyncEnvironment::get(std::string_view name) const {
  return variable ? variable(name) : std::nullopt;
}

std::filesystem::path SyncEnvironment::expand(std::string_view path) const {
  // An empty value still counts as set; it names the current folder, the
  // same for every use (an empty path would be refused by some and taken as
  // the current folder by others).
  if (path.empty()) return ".";
  return platform::expandTilde(path, home);
}
