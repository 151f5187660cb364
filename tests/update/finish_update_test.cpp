#include "update/finish_update.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/files.h"
#include "platform/process.h"
#include "release_fixture.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using FinishUpdate::Request;

const std::vector<std::string> steps = {"wait",  "verify", "exchange", "sync",
                                        "trash", "clean",  "relaunch"};

// A process id that names no running process and is not our parent.
pid_t endedProcess() {
  const pid_t pid = forkChild([] { return 0; });
  platform::waitForExit(pid);
  return pid;
}

// An installed 1.6 and a staged 1.7 in a work folder beside it.
class Swap : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    ReleaseTree::make(key, "1.6").writeTo(target);
    ReleaseTree::make(key, "1.7").writeTo(staged);
  }
  void TearDown() override { ::unsetenv("XDG_DATA_HOME"); }

  // The version the install folder's program reports, after checking the folder is whole.
  std::string installedVersion() const {
    const auto manifest = Manifest::parse(platform::readFile(target / Manifest::fileName));
    if (!manifest) return "no manifest";
    if (const auto problem = checkTree(target, *manifest)) return *problem;
    const auto run = platform::runProcess((target / "bin/wordloom").string(), {"--version"},
                                          {.captureOutput = true});
    return run.status == 0 ? run.output : "did not start";
  }

  Request request(bool relaunch = false) const {
    return {endedProcess(), staged, target, work, relaunch, {}};
  }

  const TestKey key = TestKey::make();
  TempDir dir;
  const fs::path target = dir / "opt/Wordloom";
  const fs::path work = dir / ("opt/" + std::string(FinishUpdate::workPrefix) + "A1");
  const fs::path staged = work / "x/Wordloom";
};

TEST_F(Swap, ReplacesTheInstallAndKeepsTheOldOneInTheTrash) {
  ASSERT_EQ(FinishUpdate::run(request(true)), 0);
  EXPECT_EQ(installedVersion(), "1.7\n");
  EXPECT_FALSE(fs::exists(work));
  std::vector<std::string> trashed;
  for (const auto& entry : fs::directory_iterator(dir / "data/Trash/files")) {
    trashed.push_back(entry.path().filename().string());
  }
  ASSERT_EQ(trashed.size(), 1u);
  EXPECT_TRUE(trashed[0].starts_with("Wordloom（1.6 を置き換え ")) << trashed[0];
  EXPECT_TRUE(trashed[0].ends_with("）")) << trashed[0];
  EXPECT_TRUE(fs::exists(dir / "data/Trash/files" / trashed[0] / "bin/wordloom"));
  // The new copy was started again (without arguments).
  for (int i = 0; i < 100 && !fs::exists(dir / "opt/started"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(platform::readFile(dir / "opt/started"), "\n");
}

TEST_F(Swap, AKillAtAnyStepLeavesOneWholeInstall) {
  for (std::size_t i = 0; i < steps.size(); ++i) {
    fs::remove_all(dir / "opt");
    ReleaseTree::make(key, "1.6").writeTo(target);
    ReleaseTree::make(key, "1.7").writeTo(staged);
    const Request r = request();
    const pid_t child = forkChild([&] {
      return FinishUpdate::run(r, [&](std::string_view step) {
        if (step == steps[i]) ::raise(SIGKILL);
      });
    });
    EXPECT_EQ(platform::waitForExit(child), 128 + SIGKILL) << steps[i];
    // Killed before the exchange: the old copy; after it: the new one.
    EXPECT_EQ(installedVersion(), i <= 2 ? "1.6\n" : "1.7\n") << steps[i];
  }
}

TEST_F(Swap, ChangesNothingWhenTheStagedTreeNoLongerMatchesItsManifest) {
  ReleaseTree::writeFile(staged / "bin/wordloom", fakeBinary("6.6"), true);
  EXPECT_EQ(FinishUpdate::run(request()), 1);
  EXPECT_EQ(installedVersion(), "1.6\n");
  EXPECT_FALSE(fs::exists(work));
}

TEST_F(Swap, TouchesNothingOutsideItsOwnWorkFolder) {
  Request elsewhere = request();
  elsewhere.work = dir / "opt/important";
  elsewhere.staged = elsewhere.work / "x/Wordloom";
  fs::create_directories(elsewhere.staged);
  Request outside = request();
  outside.staged = dir / "somewhere/Wordloom";
  Request relative = request();
  relative.target = "opt/Wordloom";
  for (const Request& r : {elsewhere, outside, relative}) {
    EXPECT_EQ(FinishUpdate::run(r), 1);
    EXPECT_TRUE(fs::exists(elsewhere.staged));
    EXPECT_TRUE(fs::exists(staged / "bin/wordloom"));
    EXPECT_EQ(installedVersion(), "1.6\n");
  }
}

TEST(FinishUpdateArguments, RoundTripAndRefuseAnythingElse) {
  const Request plain{42, "/o/.u/x/W", "/o/W", "/o/.u", false, {}};
  const Request relaunch{7, "/a b/.u/x/W", "/a b/W", "/a b/.u", true, {"--version", "x y"}};
  for (const Request& r : {plain, relaunch})
    EXPECT_EQ(FinishUpdate::parse(FinishUpdate::arguments(r)), r);
  const std::vector<std::vector<std::string>> refused = {
      {},
      {"--finish-update", "42", "/s", "/t", "/w"},
      {"--finish-update", "x42", "/s", "/t", "/w", "0"},
      {"--finish-update", "0", "/s", "/t", "/w", "0"},
      {"--finish-update", "42", "/s", "/t", "/w", "yes"},
      {"--finish-update", "42", "/s", "/t", "/w", "1", "--version"},
  };
  for (const auto& arguments : refused) EXPECT_FALSE(FinishUpdate::parse(arguments));
}

// The real program, started as the application starts it, waits for the application to end.
TEST_F(Swap, TheProgramWaitsForTheApplicationToEnd) {
  const pid_t app = forkChild([&] {
    platform::startDetached(WORDLOOM_EXECUTABLE,
                            FinishUpdate::arguments({::getpid(), staged, target, work, false, {}}));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    return installedVersion() == "1.6\n" ? 0 : 1;
  });
  EXPECT_EQ(platform::waitForExit(app), 0);
  for (int i = 0; i < 250 && fs::exists(work); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(installedVersion(), "1.7\n");
}

}  // namespace
