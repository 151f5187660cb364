#pragma once

#include <filesystem>
#include <string_view>

namespace platform {

// $HOME, or the password database's home folder when HOME is unset or empty.
std::filesystem::path homeDirectory();

// A leading "~" (alone or followed by "/") becomes the home folder.
std::filesystem::path expandTilde(std::string_view path);

}  // namespace platform
