#include "update/version_rule.h"

#include <gtest/gtest.h>

namespace {

TEST(IsNewer, ComparesDottedNumbersPositionByPosition) {
  struct Case {
    const char* a;
    const char* b;
    bool newer;
  };
  const Case cases[] = {
      {"1.10", "1.9", true},
      {"1.9", "1.10", false},
      {"1.4", "1.4.0", false},
      {"1.4.0", "1.4", false},
      {"1.4.1", "1.4", true},
      {"2.0b", "2.0", false},
      {"2.0", "2.0b", false},
      {"1.4b", "1.0", false},
      {"1.4b", "0.9", true},
      {"", "0", false},
      {"", "", false},
      {"0.1", "", true},
      {"1..2", "1.2", false},
      {"1.2", "1..2", false},
      {"+2", "1", true},
      {"-1", "0", false},
      {"0", "-1", true},
      {"+-1", "0", false},
      {"99999999999999999999", "1", false},
      {"9223372036854775807", "1", true},
      {" 2", "1", false},
      {"1.", "1.0", false},
      {"10", "9.99.99", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UpdatePrompt::isNewer(c.a, c.b), c.newer) << c.a << " than " << c.b;
  }
}

}  // namespace
