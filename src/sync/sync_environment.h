#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The environment a run reads its locations from. Tests pass their own so
// that the process environment and the real home folder stay untouched.
struct SyncEnvironment {
  // The value of a variable, or nothing when it is not present (empty counts as present).
  std::function<std::optional<std::string>(std::string_view name)> variable;
  std::filesystem::path home;

  // The process environment and platform::homeDirectory().
  static SyncEnvironment process();

  std::optional<std::string> get(std::string_view name) const;
  // A leading "~" (alone or followed by "/") becomes `home`.
  std::filesystem::path expand(std::string_view path) const;
};
