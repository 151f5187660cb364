#include "platform/trash.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>

#include "platform/clock.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

class Trash : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1); }
  void TearDown() override { ::unsetenv("XDG_DATA_HOME"); }
  TempDir dir;
};

TEST_F(Trash, MovesAFolderWithAnInfoRecordAndKeepsBothOfTwoSameNames) {
  const auto now = std::chrono::system_clock::now();
  for (int i = 0; i < 2; ++i) {
    fs::create_directories(dir / "master" / "_履歴 1");
    platform::writeAtomically(dir / "master" / "_履歴 1" / "a.txt", std::to_string(i));
    platform::moveToTrash(dir / "master" / "_履歴 1", now);
    EXPECT_FALSE(fs::exists(dir / "master" / "_履歴 1"));
  }
  const fs::path trash = dir / "data" / "Trash";
  EXPECT_EQ(platform::readFile(trash / "files" / "_履歴 1" / "a.txt"), "0");
  EXPECT_EQ(platform::readFile(trash / "files" / "_履歴 1.2" / "a.txt"), "1");
  const std::string info = platform::readFile(trash / "info" / "_履歴 1.trashinfo");
  EXPECT_EQ(info, "[Trash Info]\nPath=" + (dir / "master").string() +
                      "/_%E5%B1%A5%E6%AD%B4%201\nDeletionDate=" + platform::isoLocalTime(now) +
                      "\n");
}

TEST_F(Trash, AFailedMoveLeavesTheItemAndNoInfoRecord) {
  EXPECT_THROW(platform::moveToTrash(dir / "missing"), fs::filesystem_error);
  EXPECT_FALSE(fs::exists(dir / "data" / "Trash" / "info" / "missing.trashinfo"));
}

}  // namespace
