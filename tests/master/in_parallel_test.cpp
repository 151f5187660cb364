#include "master/in_parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Every piece runs once whatever the count, and of several failures the
// first in order is the one told, as it would be one piece after another.
TEST(InParallel, RunsEachPieceOnceAndThrowsTheFirstFailureInOrder) {
  const struct {
    std::size_t count;
    std::set<std::size_t> failing;
  } cases[] = {{0, {}}, {1, {}}, {2, {}}, {100, {}}, {1, {0}}, {5, {4}}, {100, {99, 3, 60}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.count) + " pieces");
    std::vector<std::atomic<int>> runs(c.count);
    const auto work = [&](std::size_t i) {
      ++runs[i];
      if (c.failing.contains(i)) throw std::runtime_error(std::to_string(i));
    };
    if (c.failing.empty()) {
      inParallel(c.count, work);
    } else {
      try {
        inParallel(c.count, work);
        ADD_FAILURE() << "no failure told";
      } catch (const std::runtime_error& error) {
        EXPECT_EQ(error.what(), std::to_string(*c.failing.begin()));
      }
    }
    for (std::size_t i = 0; i < c.count; ++i) EXPECT_EQ(runs[i].load(), 1) << i;
  }
}

}  // namespace
