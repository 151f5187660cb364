#pragma once

#include <filesystem>
#include <optional>

#include "platform/files.h"

namespace platform {

// The real path of the running program's executable (symbolic links
// resolved), so that a service started later runs this same file.
std::filesystem::path runningExecutable();

// The status of the file this process runs, even after an update replaced it
// on disk: what tells one build of the program from another.
std::optional<FileStatus> runningExecutableStatus();

}  // namespace platform
