#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>


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
    // cp reads its own status: what the spawn gave it, without a shell in between.
    return platform::waitForExit(platform::startDetached("/bin/cp", {"/proc/self/status", report}));
  });
  EXPECT_EQ(platform::waitForExit(parent), 0);
  const std::string text = platform::readFile(report);
  const auto field = [&](const std::string& name) {
    const std::size_t at = text.find("\n" + name + ":\t");
    return at == std::string::npos
               ? std::string("?")
               : text.substr(at + name.size() + 3, text.find('\n', at + 1) - at - name.size() - 3);
  };
  EXPECT_EQ(field("SigBlk"), "0000000000000000") << text;
  // glibc's spawn leaves its own two internal signals (32, 33) ignored; every standard one is at
  // its default.
  EXPECT_EQ(std::stoull(field("SigIgn"), nullptr, 16) & 0x7FFFFFFFull, 0u) << text;
  EXPECT_EQ(field("NSsid"), field("Pid")) << text;
  EXPECT_THROW(platform::startDetached("/nonexistent/wordloom", {}), std::system_error);
}

}  // namespace
