#include "update/install_location.h"

#include <sys/vfs.h>
#include <unistd.h>

#include <array>
#include <string>

#include "platform/executable.h"
#include "update/manifest.h"
#include "update/update_hooks.h"

namespace UpdateInstaller {
namespace {

namespace fs = std::filesystem;

// statfs magic numbers of file systems that live elsewhere.
constexpr std::array<long, 6> remoteFileSystems = {
    0x65735546,  // FUSE (sshfs, rclone, cloud drives)
    0x6969,      // NFS
    0xFF534D42,  // CIFS
    0xFE534D42,  // SMB2
    0x517B,      // SMB
    0x564C,      // NCP
};

bool isOnRemoteFileSystem(const fs::path& path) {
  struct statfs info {};
  if (::statfs(path.c_str(), &info) != 0) return true;
  for (const long type : remoteFileSystems) {
    if (static_cast<long>(info.f_type) == type) return true;
  }
  return false;
}

}  // namespace

std::optional<fs::path> runningInstallRoot() {
  const fs::path executable = platform::runningExecutable();
  if (executable.parent_path().filename() != "bin") return std::nullopt;
  const fs::path root = executable.parent_path().parent_path();
  std::error_code error;
  if (!fs::is_regular_file(root / Manifest::fileName, error)) return std::nullopt;
  return root;
}

bool isSyncedOrRemovablePath(std::string_view path) {
  const std::string slashed = std::string(path) + "/";
  for (const std::string_view part : {"/Dropbox/", "/Nextcloud/", "/Sync/"}) {
    if (slashed.find(part) != std::string::npos) return true;
  }
  for (const std::string_view prefix : {"/media/", "/run/media/", "/mnt/"}) {
    if (slashed.starts_with(prefix)) return true;
  }
  return false;
}

bool canReplace(const fs::path& given) {
  std::error_code error;
  const fs::path root = fs::canonical(given, error);
  if (error || !fs::is_regular_file(root / Manifest::fileName, error)) return false;
  if ((root.string() + "/").starts_with("/usr/")) return false;
  if (!UpdatePrompt::testAllowAnywhere() &&
      (isSyncedOrRemovablePath(root.string()) || isOnRemoteFileSystem(root))) {
    return false;
  }
  return ::access(root.c_str(), W_OK) == 0 && ::access(root.parent_path().c_str(), W_OK) == 0;
}

bool canReplaceRunningApp() {
  const auto root = runningInstallRoot();
  return root && canReplace(*root);
}

}  // namespace UpdateInstaller
