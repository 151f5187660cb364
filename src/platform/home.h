#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// $HOME, or the password database's home folder when HOME is unset or empty.
std::filesystem::path homeDirectory();

// A leading "~" (alone or followed by "/") becomes the home folder.
std::filesystem::path expandTilde(std::string_view path);
std::filesystem::path expandTilde(std::string_view path, const std::filesystem::path& home);

// An XDG base folder: the variable's value when it is an absolute path (the
// base-directory rules say relative or empty values are to be ignored), else
// `fallback`.
std::filesystem::path xdgBaseDirectory(const std::optional<std::string>& value,
                                       const std::filesystem::path& fallback);

// The value of an environment variable, when it is set.
std::optional<std::string> environmentVariable(const char* name);

}  // namespace platform
