#pragma once

#include <chrono>
#include <filesystem>

namespace platform {

// The user's trash: $XDG_DATA_HOME/Trash, by default ~/.local/share/Trash.
std::filesystem::path trashDirectory();

// Moves a file or folder into the user's freedesktop trash (files/ plus an
// info/*.trashinfo record), so that the file manager can put it back. An item
// on another file system goes to that file system's trash at its top folder
// ($topdir/.Trash/$uid or $topdir/.Trash-$uid). Throws
// std::filesystem::filesystem_error; the item stays where it was on failure.
void moveToTrash(const std::filesystem::path& item,
                 std::chrono::system_clock::time_point now = std::chrono::system_clock::now());

}  // namespace platform
