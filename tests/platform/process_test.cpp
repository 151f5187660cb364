#include "platform/process.h"

#include <gtest/gtest.h>

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

}  // namespace
