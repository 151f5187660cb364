#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <sstream>

#include "reflect_fixture.h"
#include "support/child_process.h"
#include "sync/sync_lock.h"

namespace {

namespace fs = std::filesystem;

using ConcurrentReflects = ReflectFixture;

void appendLine(int fd, const std::string& line) {
  const std::string text = line + "\n";
  EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

// Two processes take turns changing the master and reflecting it, as the
// application and the background run do. Under the lock each one must find
// exactly what the other recorded: a lost or interleaved update would show as
// direct edits or a copy that differs from the file.
TEST_F(ConcurrentReflects, TheLockKeepsReflectsApartAndTheCopyCurrent) {
  writeMaster("共有", words("共", 10));
  writeDictionary(file({{"共有", words("共", 10)}}));
  reflectOnce();
  const fs::path log = dir / "log";
  // Up to 100 rounds each, fewer when the disk's flushes are slow.
  const int rounds = 100;
  const int leastRounds = 20;
  const auto budget = std::chrono::seconds(3);

  const auto worker = [&](char name) {
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    int failures = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds &&
                        (round < leastRounds || std::chrono::steady_clock::now() - start < budget);
         ++round) {
      SyncLock::run(state, [&] {
        appendLine(fd, std::string("begin ") + name);
        Words next = words("共", 10);
        next.push_back({"じゅんばん", std::string(1, name) + std::to_string(round), 1, ""});
        writeMaster("共有", next);
        const ApplyResult result = syncer().apply();
        if (!std::holds_alternative<ApplyResult::Applied>(result.value) ||
            platform::readFile(paths().lastApplied()) != platform::readFile(dictionary)) {
          ++failures;
        }
        appendLine(fd, std::string("end ") + name);
      });
    }
    ::close(fd);
    return failures == 0 ? 0 : 1;
  };
  const pid_t a = forkChild([&] { return worker('a'); });
  const pid_t b = forkChild([&] { return worker('b'); });
  EXPECT_EQ(platform::waitForExit(a), 0);
  EXPECT_EQ(platform::waitForExit(b), 0);

  const std::string text = platform::readFile(log);
  std::istringstream lines(text);
  std::string line;
  std::string open;
  int pairs = 0;
  while (std::getline(lines, line)) {
    if (line.starts_with("begin ")) {
      ASSERT_TRUE(open.empty()) << "interleaved: " << line << " inside " << open;
      open = line.substr(6);
    } else {
      ASSERT_EQ(line, "end " + open);
      open.clear();
      ++pairs;
    }
  }
  EXPECT_GE(pairs, 2 * leastRounds);
  EXPECT_TRUE(open.empty());
  EXPECT_EQ(syncer().apply(), ApplyResult{ApplyResult::UpToDate{}});
}

}  // namespace
