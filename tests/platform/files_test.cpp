#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

int failAtStep = -1;
int stepsSeen = 0;
void failingHook(std::string_view step, const fs::path&) {
  if (step != "read" && stepsSeen++ == failAtStep) throw std::runtime_error("injected failure");
}

class AtomicWrite : public ::testing::Test {
 protected:
  void TearDown() override { platform::setFileStepHook(nullptr); }
  TempDir dir;
};

TEST_F(AtomicWrite, ReplacesContentAndKeepsPermissions) {
  const fs::path file = dir / "user_dictionary.db";
  platform::writeAtomically(file, "old");
  ::chmod(file.c_str(), 0640);
  platform::writeAtomically(file, std::string("new\0bytes", 9));
  EXPECT_EQ(platform::readFile(file), std::string("new\0bytes", 9));
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST_F(AtomicWrite, FailureAtAnyStepBeforeTheRenameLeavesTheOldFileAndNoTemporary) {
  const fs::path file = dir / "辞書.txt";
  platform::writeAtomically(file, "old content\n");
  platform::setFileStepHook(failingHook);
  for (failAtStep = 0; failAtStep < 4; ++failAtStep) {  // create, write, fsync, rename
    stepsSeen = 0;
    EXPECT_THROW(platform::writeAtomically(file, "new content\n"), std::runtime_error);
    EXPECT_EQ(platform::readFile(file), "old content\n") << "step " << failAtStep;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1)
        << "step " << failAtStep;
  }
}

// A large file is copied from one already written: the copy must hold every
// byte, replace like a write, stay apart from its source, and leave the
// target as it was when the source cannot be read.
TEST_F(AtomicWrite, CopyHoldsTheSourceAndStaysApartFromIt) {
  const fs::path source = dir / "pending.db";
  const fs::path target = dir / "user_dictionary.db";
  platform::writeAtomically(target, "old");
  ::chmod(target.c_str(), 0640);
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, (std::size_t{1} << 20) + 7}) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 131 % 251);
    platform::writeAtomically(source, bytes);
    platform::copyAtomically(source, target, {.tempName = ".wordloom.tmp"});
    EXPECT_EQ(platform::readFile(target), bytes) << size;
  }
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_FALSE(fs::exists(dir / ".wordloom.tmp"));

  {
    std::FILE* inPlace = std::fopen(source.c_str(), "r+");
    ASSERT_NE(inPlace, nullptr);
    std::fputs("changed", inPlace);
    std::fclose(inPlace);
  }
  EXPECT_NE(platform::readFile(target).substr(0, 7), "changed");

  const std::string before = platform::readFile(target);
  EXPECT_THROW(platform::copyAtomically(dir / "missing", target), fs::filesystem_error);
  EXPECT_EQ(platform::readFile(target), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

TEST_F(AtomicWrite, NamedTemporaryFileIsReplacedAndConsumed) {
  const fs::path file = dir / "user_dictionary.db";
  platform::writeAtomically(dir / ".wordloom.tmp", "stale leftover");
  platform::writeAtomically(file, "fresh", {.tempName = ".wordloom.tmp"});
  EXPECT_EQ(platform::readFile(file), "fresh");
  EXPECT_FALSE(fs::exists(dir / ".wordloom.tmp"));
}

// A writer killed between creating its temporary file and the rename leaves
// the file behind; a later write of the same file clears it once it is old
// enough not to be another writer's work in progress.
TEST_F(AtomicWrite, LeftoversOfKilledWritersAreClearedWhenStale) {
  const fs::path file = dir / "前回反映した辞書.db";
  const fs::path stale = dir / ".前回反映した辞書.db.Ab12Cd";
  const fs::path young = dir / ".前回反映した辞書.db.Xy34Zw";
  const fs::path other = dir / ".other.db.Ab12Cd";
  for (const fs::path& leftover : {stale, young, other}) platform::writeAtomically(leftover, "x");
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(2);
  fs::last_write_time(stale, old);
  fs::last_write_time(other, old);
  platform::writeAtomically(file, "new");
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(young));
  EXPECT_TRUE(fs::exists(other));
}

TEST_F(AtomicWrite, MissingFolderIsAFilesystemError) {
  EXPECT_THROW(platform::writeAtomically(dir / "missing" / "a.txt", "x"), fs::filesystem_error);
  EXPECT_THROW(platform::readFile(dir / "missing.txt"), fs::filesystem_error);
  EXPECT_THROW(platform::readFile(dir.path()), fs::filesystem_error);
}

}  // namespace
