#pragma once

#include <filesystem>

namespace platform {

// The real path of the running program's executable (symbolic links
// resolved), so that a service started later runs this same file.
std::filesystem::path runningExecutable();

}  // namespace platform
