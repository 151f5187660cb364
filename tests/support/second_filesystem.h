#pragma once

#include <sched.h>
#include <sys/mount.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "platform/process.h"
#include "support/child_process.h"

// Runs `body` in a child process that sees a fresh tmpfs mounted at
// `mountPoint` (made if missing), in a mount namespace of its own, so that
// nothing of it outlives the child. Returns the child's exit status, or
// nothing when this system does not let the test mount (not root, or no
// namespaces); the caller then skips.
inline std::optional<int> onSecondFilesystem(const std::filesystem::path& mountPoint,
                                             const std::function<int()>& body) {
  constexpr int cannotMount = 77;
  std::filesystem::create_directories(mountPoint);
  const int status = platform::waitForExit(forkChild([&] {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("wordloom-test", mountPoint.c_str(), "tmpfs", 0, "size=16m") != 0) {
      return cannotMount;
    }
    return body();
  }));
  if (status == cannotMount) return std::nullopt;
  return status;
}
