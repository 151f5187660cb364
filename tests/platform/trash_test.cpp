#include "platform/trash.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <map>

#include "platform/clock.h"
#include "platform/files.h"
#include "support/second_filesystem.h"
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

// Every file and folder under `root`, relative, with the content of files.
std::map<std::string, std::string> tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(entry.path(), root).string();
    files[relative] = entry.is_directory() ? "" : platform::readFile(entry.path());
  }
  return files;
}

// An item on another file system than the user's trash cannot be renamed
// into it; it goes to that file system's own trash, which the file manager
// shows beside the user's.
TEST_F(Trash, AnItemOnAnotherFileSystemGoesToThatFileSystemsTrash) {
  const auto now = std::chrono::system_clock::now();
  const std::string info = "[Trash Info]\nPath=cloud/_%E5%B1%A5%E6%AD%B4%201\nDeletionDate=" +
                           platform::isoLocalTime(now) + "\n";
  const std::string uid = std::to_string(::getuid());
  enum class Shared { none, sticky, notSticky, link };
  const struct {
    Shared shared;
    std::string trash;
  } cases[] = {
      {Shared::none, ".Trash-" + uid},
      {Shared::sticky, ".Trash/" + uid},
      {Shared::notSticky, ".Trash-" + uid},
      {Shared::link, ".Trash-" + uid},
  };
  const fs::path other = dir / "other";
  const fs::path report = dir / "report";
  for (const auto& c : cases) {
    const std::optional<int> status = onSecondFilesystem(other, [&] {
      fs::create_directories(other / "cloud/_履歴 1");
      platform::writeAtomically(other / "cloud/_履歴 1/a.txt", "copy");
      if (c.shared == Shared::sticky || c.shared == Shared::notSticky) {
        fs::create_directory(other / ".Trash");
        ::chmod((other / ".Trash").c_str(), c.shared == Shared::sticky ? 01777 : 0777);
      } else if (c.shared == Shared::link) {
        fs::create_directory(other / "elsewhere");
        ::chmod((other / "elsewhere").c_str(), 01777);
        fs::create_directory_symlink("elsewhere", other / ".Trash");
      }
      platform::moveToTrash(other / "cloud/_履歴 1", now);
      std::string seen = "\n";
      for (const auto& [path, content] : tree(other)) seen += path + "=" + content + "\n";
      platform::writeAtomically(report, seen);
      return 0;
    });
    if (!status) GTEST_SKIP() << "this system does not let the test mount a second file system";
    ASSERT_EQ(*status, 0);
    const std::string seen = platform::readFile(report);
    const std::string files = c.trash + "/files/_履歴 1";
    EXPECT_NE(seen.find("\n" + files + "/a.txt=copy\n"), std::string::npos) << seen;
    EXPECT_NE(seen.find("\n" + c.trash + "/info/_履歴 1.trashinfo=" + info), std::string::npos)
        << seen;
    EXPECT_EQ(seen.find("cloud/_履歴 1/"), std::string::npos) << seen;
    EXPECT_FALSE(fs::exists(dir / "data" / "Trash" / "files")) << seen;
  }
}

}  // namespace
