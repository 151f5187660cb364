#include "sync/sync_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "platform/files.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// Whether another process could take the lock right now.
bool isFreeForAnotherProcess(const fs::path& state) {
  const pid_t child = forkChild([&] {
    const int fd = ::open(SyncLock::file(state).c_str(), O_RDWR);
    return fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : 1;
  });
  return platform::waitForExit(child) == 0;
}

TEST(SyncLock, CreatesTheStateFolderAndAnEmptyLockFile) {
  TempDir dir;
  const fs::path state = dir / "a/b/state";
  EXPECT_EQ(SyncLock::run(state,
                          [&] {
                            EXPECT_FALSE(isFreeForAnotherProcess(state));
                            return 42;
                          }),
            42);
  struct stat info {};
  ASSERT_EQ(::stat(SyncLock::file(state).c_str(), &info), 0);
  EXPECT_EQ(info.st_size, 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(info.st_mode & 0777, 0644 & ~mask);
  EXPECT_TRUE(isFreeForAnotherProcess(state));
}

TEST(SyncLock, ReleasedWhenTheBodyThrows) {
  TempDir dir;
  EXPECT_THROW(SyncLock::run(dir.path(), []() -> int { throw std::runtime_error("body"); }),
               std::runtime_error);
  EXPECT_TRUE(isFreeForAnotherProcess(dir.path()));
  // A second run in this process opens the file anew and would wait on itself
  // if the first lock were still held.
  EXPECT_EQ(SyncLock::run(dir.path(), [] { return std::string("again"); }), "again");
}

TEST(SyncLock, WaitsForAnotherProcessAndStartsWhenItReleases) {
  TempDir dir;
  const fs::path log = dir / "log";
  Signal locked;
  const pid_t child = forkChild([&] {
    SyncLock::run(dir.path(), [&] {
      locked.post();
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      platform::writeAtomically(log, "child done");
    });
    return 0;
  });
  locked.wait();
  const std::string seen = SyncLock::run(dir.path(), [&] { return platform::readFile(log); });
  EXPECT_EQ(seen, "child done");
  EXPECT_EQ(platform::waitForExit(child), 0);
}

TEST(SyncLock, DeadHolderDoesNotBlock) {
  TempDir dir;
  Signal locked;
  const pid_t child = forkChild([&] {
    SyncLock::run(dir.path(), [&] {
      locked.post();
      ::pause();
    });
    return 0;
  });
  locked.wait();
  ::kill(child, SIGKILL);
  EXPECT_EQ(platform::waitForExit(child), 128 + SIGKILL);
  EXPECT_TRUE(SyncLock::run(dir.path(), [] { return true; }));
}

TEST(SyncLock, UnopenableLockFileRunsTheBodyUnprotected) {
  TempDir dir;
  fs::create_directories(SyncLock::file(dir.path()));  // a folder cannot be opened for writing
  EXPECT_EQ(SyncLock::run(dir.path(), [] { return 7; }), 7);
}

TEST(SyncLock, StateFolderThatCannotBeCreatedIsRaisedAndTheBodyDoesNotRun) {
  TempDir dir;
  platform::writeAtomically(dir / "file", "x");
  bool ran = false;
  EXPECT_THROW(SyncLock::run(dir / "file/state", [&] { ran = true; }), fs::filesystem_error);
  EXPECT_FALSE(ran);
}

}  // namespace
