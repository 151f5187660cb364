#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

// Where Wordloom is installed, and whether the updater may replace that copy in place.
namespace UpdateInstaller {

// The install folder of the running program: the folder above its "bin/" when that folder holds
// a manifest (a copy installed from a release). None for a build tree or a packaged copy.
std::optional<std::filesystem::path> runningInstallRoot();

// True for paths that a file-sync client copies or that lie on removable or network media by
// their place: a folder replaced there would be synced half-way or vanish with the disk.
bool isSyncedOrRemovablePath(std::string_view path);

// Whether the install folder `root` may be replaced in place: it holds a manifest, it is not
// under /usr, not in a synced folder or on removable or network media (by path and by file system
// type; UPDATE_PROMPT_TEST_ALLOW_ANYWHERE skips these two in test builds), and both it and its
// parent are writable.
bool canReplace(const std::filesystem::path& root);

// canReplace of the running install folder; false without one.
bool canReplaceRunningApp();

}  // namespace UpdateInstaller
