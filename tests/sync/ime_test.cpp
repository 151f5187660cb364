#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/ime_platform.h"
#include "platform/process_scan.h"
#include "reflect_fixture.h"
#include "support/child_process.h"
#include "sync/ime_dictionary_lock.h"

namespace {

namespace fs = std::filesystem;

TEST(ImeTables, MozcOnLinux) {
  const std::string user = std::to_string(::getuid());
  EXPECT_EQ(ImePlatform::mozc(),
            (ImePlatform{
                .installLocations = {"/usr/lib/mozc/mozc_server", "/usr/libexec/mozc/mozc_server",
                                     "/usr/lib64/mozc/mozc_server"},
                .toolProbe = {},
                .toolCommandText = "mozc_tool",
                .dictionaryLockName = ".user_dictionary.db.lock",
                .reload = {"pkill", {"-u", user, "-x", "mozc_server"}},
                .words = {.computer = "パソコン", .ime = "Mozc"}}));
}

TEST(ImeTables, GoogleJapaneseInputOnMac) {
  EXPECT_EQ(
      ImePlatform::googleJapaneseInput(),
      (ImePlatform{
          .installLocations = {"/Library/Input Methods/GoogleJapaneseInput.app",
                               "~/Library/Input Methods/GoogleJapaneseInput.app"},
          .toolProbe = {"/usr/bin/pgrep",
                        {"-f",
                         "DictionaryTool|GoogleJapaneseInputTool|GoogleJapaneseInputPrefPane"}},
          .toolCommandText = "",
          .dictionaryLockName = "",
          .reload = {"/usr/bin/pkill", {"-x", "GoogleJapaneseInputConverter"}},
          .words = {.computer = "Mac", .ime = "Google 日本語入力"}}));
}

using ImeInterface = ReflectFixture;

TEST_F(ImeInterface, ProbeStatusDecidesAndAProbeThatCannotRunCountsAsOpen) {
  Syncer s = syncer();
  EXPECT_FALSE(s.isToolOpen());
  s.ime.toolProbe = {"true", {}};
  EXPECT_TRUE(s.isToolOpen());
  s.ime.toolProbe = {"/bin/sh", {"-c", "exit 2"}};
  EXPECT_FALSE(s.isToolOpen());
  s.ime.toolProbe = {(dir / "missing").string(), {}};
  EXPECT_TRUE(s.isToolOpen());
}

// The process-table probe finds a tool of this user by its command line, and
// only while it runs. The text is unique to this test so that parallel tests
// never see the stand-in tool.
TEST_F(ImeInterface, ProcessTableProbeFindsAToolOfThisUserOnly) {
  Syncer s = syncer();
  s.ime.toolCommandText = "wordloom-stand-in-tool-" + std::to_string(::getpid());
  EXPECT_FALSE(s.isToolOpen());
  Signal started;
  const std::string name = s.ime.toolCommandText;
  const pid_t child = forkChild([&] {
    started.post();
    ::execl("/bin/sleep", name.c_str(), "30", static_cast<char*>(nullptr));
    return 1;
  });
  started.wait();
  bool seen = false;
  for (int i = 0; i < 100 && !seen; ++i) {
    seen = s.isToolOpen();
    if (!seen) ::usleep(10000);
  }
  EXPECT_TRUE(seen);
  EXPECT_FALSE(platform::isProcessRunning(::geteuid() + 4242, name));
  ::kill(child, SIGKILL);
  platform::waitForExit(child);
  EXPECT_FALSE(s.isToolOpen());
}

TEST_F(ImeInterface, ReloadRunsTheCommandAndIgnoresFailures) {
  Syncer s = syncer();
  s.reloadConverter();
  EXPECT_EQ(reloads(), 1);
  s.ime.reload = {"false", {}};
  s.reloadConverter();
  s.ime.reload = {(dir / "missing").string(), {}};
  s.reloadConverter();
}

TEST_F(ImeInterface, ImesLockSeenOnlyWhileAnotherProcessHoldsIt) {
  const fs::path lockFile = dir / ".user_dictionary.db.lock";
  EXPECT_FALSE(ImeDictionaryLock::isHeldElsewhere(lockFile));
  {
    auto mine = ImeDictionaryLock::tryTake(lockFile);
    ASSERT_TRUE(mine);
    EXPECT_TRUE(fs::exists(lockFile));
    // A probe from this process, say on another thread, opens and closes the
    // file: that must not drop the lock.
    EXPECT_TRUE(ImeDictionaryLock::isHeldElsewhere(lockFile));
    EXPECT_FALSE(ImeDictionaryLock::tryTake(lockFile));
    const pid_t other = forkChild([&] {
      return ImeDictionaryLock::isHeldElsewhere(lockFile) && !ImeDictionaryLock::tryTake(lockFile)
                 ? 0
                 : 1;
    });
    EXPECT_EQ(platform::waitForExit(other), 0);
  }
  const pid_t other = forkChild([&] { return ImeDictionaryLock::tryTake(lockFile) ? 0 : 1; });
  EXPECT_EQ(platform::waitForExit(other), 0);

  // Mozc leaves its lock files read-only; that must not keep us out.
  fs::permissions(lockFile, fs::perms::owner_read);
  EXPECT_TRUE(ImeDictionaryLock::tryTake(lockFile));
}

TEST_F(ImeInterface, LockFileThatCannotBeMadeIsAFilesystemError) {
  EXPECT_THROW(ImeDictionaryLock::tryTake(dir / "missing-folder/.lock"), fs::filesystem_error);
}

// The dry run asks canTake where the real run calls tryTake: the two must
// agree, or the dry run promises a write the real run cannot make.
TEST_F(ImeInterface, CanTakeAgreesWithTryTake) {
  const std::vector<std::pair<std::string, void (*)(const fs::path&)>> kinds = {
      {"missing", [](const fs::path&) {}},
      {"read-only, ours",
       [](const fs::path& f) {
         platform::writeAtomically(f, "");
         fs::permissions(f, fs::perms::owner_read);
       }},
      {"link loop", [](const fs::path& f) { fs::create_symlink(f.filename(), f); }},
      {"folder", [](const fs::path& f) { fs::create_directory(f); }},
      {"folder missing", [](const fs::path& f) { fs::remove(f.parent_path()); }},
  };
  for (const auto& [kind, make] : kinds) {
    SCOPED_TRACE(kind);
    const fs::path folder = dir / kind;
    fs::create_directories(folder);
    const fs::path lockFile = folder / ".user_dictionary.db.lock";
    make(lockFile);
    const fs::file_status before = fs::symlink_status(lockFile);
    const bool predicted = ImeDictionaryLock::canTake(lockFile);
    // Asking changes nothing.
    EXPECT_EQ(fs::symlink_status(lockFile).type(), before.type());
    EXPECT_EQ(fs::symlink_status(lockFile).permissions(), before.permissions());
    bool taken = false;
    try {
      taken = ImeDictionaryLock::tryTake(lockFile).has_value();
    } catch (const fs::filesystem_error&) {
    }
    EXPECT_EQ(predicted, taken);
  }
}

// A run under sudo leaves Mozc's lock file to root: the user's own runs can
// then neither see a tool holding it nor take it. As root, the test plays the
// user in a child that drops to nobody.
TEST_F(ImeInterface, ALockFileLeftToRootIsNoOpenToolAndCannotBeTaken) {
  if (::geteuid() != 0) GTEST_SKIP() << "leaving a file to root needs root";
  fs::permissions(dir.path(),
                  fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  const fs::path folder = dir / "profile";
  fs::create_directories(folder);
  fs::permissions(folder, fs::perms::all);
  const fs::path lockFile = folder / ".user_dictionary.db.lock";
  for (const fs::perms mode : {fs::perms::owner_read | fs::perms::owner_write,
                               fs::perms::owner_read | fs::perms::owner_write |
                                   fs::perms::group_read | fs::perms::others_read}) {
    platform::writeAtomically(lockFile, "");
    fs::permissions(lockFile, mode);
    const pid_t user = forkChild([&] {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) return 2;
      bool refused = false;
      try {
        ImeDictionaryLock::tryTake(lockFile);
      } catch (const fs::filesystem_error&) {
        refused = true;
      }
      return !ImeDictionaryLock::isHeldElsewhere(lockFile) &&
                     !ImeDictionaryLock::canTake(lockFile) && refused
                 ? 0
                 : 1;
    });
    EXPECT_EQ(platform::waitForExit(user), 0) << static_cast<int>(mode);
  }
}

}  // namespace
