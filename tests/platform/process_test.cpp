#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/files.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace {

TEST(Process, ReportsStatusAndMergedOutput) {
  const auto result = platform::runProcess("/bin/sh", {"-c", "echo out; echo err >&2; exit 3"},
                                           {.captureOutput = true});
  EXPECT_EQ(result.status, 3);
  EXPECT_EQ(result.output, "out\nerr\n");
}

TEST(Process, FindsProgramsInPathAndDiscardsOutputUnlessAsked) {
  const auto result = platform::runProcess("sh", {"-c", "echo hidden; exit 0"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, "");
}

TEST(Process, ArgumentsAreNotInterpretedByAShell) {
  const auto result =
      platform::runProcess("printf", {"%s|", "a b", "$HOME", "よみ"}, {.captureOutput = true});
  EXPECT_EQ(result.output, "a b|$HOME|よみ|");
}

TEST(Process, AProgramThatCannotStartIsMinusOneWithTheReason) {
  const auto result =
      platform::runProcess("/nonexistent/pgrep", {"-f", "x"}, {.captureOutput = true});
  EXPECT_EQ(result.status, -1);
  EXPECT_NE(result.output.find("/nonexistent/pgrep"), std::string::npos);
}

TEST(Process, ASignalEndsWithOneHundredTwentyEightPlusItsNumber) {
  EXPECT_EQ(platform::runProcess("/bin/sh", {"-c", "kill -9 $$"}).status, 128 + 9);
}

// A detached program starts clean even from a process that blocks and ignores signals: it would
// otherwise outlive us unable to be stopped, and it must not die with our session.
TEST(Process, ADetachedProgramHasNoBlockedOrIgnoredSignalsAndASessionOfItsOwn) {
  TempDir dir;
  const std::string report = (dir / "report").string();
  const pid_t parent = forkChild([&] {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    signal(SIGHUP, SIG_IGN);
    const pid_t pid = platform::startDetached(
        "/bin/sh", {"-c",
                    "grep -E '^Sig(Blk|Ign)' /proc/$$/status > \"$1.tmp\"; "
                    "echo $(( $(cut -d' ' -f6 /proc/$$/stat) == $$ )) >> \"$1.tmp\"; "
                    "mv \"$1.tmp\" \"$1\"",
                    "sh", report});
    return pid > 0 ? 0 : 1;
  });
  EXPECT_EQ(platform::waitForExit(parent), 0);
  for (int i = 0; i < 250 && !std::filesystem::exists(report); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const std::string text = platform::readFile(report);
  const auto mask = [&](const char* name) {
    const std::size_t at = text.find(name);
    return at == std::string::npos ? ~0ull : std::stoull(text.substr(at + 8, 16), nullptr, 16);
  };
  EXPECT_EQ(mask("SigBlk:\t"), 0u) << text;
  // glibc's spawn leaves its own two internal signals (32, 33) ignored; every standard one is at
  // its default.
  EXPECT_EQ(mask("SigIgn:\t") & 0x7FFFFFFFull, 0u) << text;
  EXPECT_TRUE(text.ends_with("\n1\n")) << text;
  EXPECT_THROW(platform::startDetached("/nonexistent/wordloom", {}), std::system_error);
}

}  // namespace
