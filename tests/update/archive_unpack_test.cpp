#include "update/archive_unpack.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "release_fixture.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Type = ArchiveEntry::Type;

std::size_t countEntries(const fs::path& folder) {
  std::size_t n = 0;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator();
       ++it) {
    ++n;
  }
  return n;
}

TEST(ArchiveUnpack, UnpacksFilesAndFoldersWithPlainModes) {
  TempDir dir;
  writeArchive(dir / "a.tar.gz", {{"W/", {}, Type::folder, 0700},
                                  {"W/bin/tool", "#!/bin/sh\n", Type::file, 04755},
                                  {"W/notes.txt", "text", Type::file, 0666}});
  fs::create_directory(dir / "x");
  ASSERT_EQ(ArchiveUnpack::unpack(dir / "a.tar.gz", dir / "x"), std::nullopt);
  EXPECT_EQ(platform::readFile(dir / "x/W/notes.txt"), "text");
  EXPECT_EQ(fs::status(dir / "x/W/bin/tool").permissions(), fs::perms(0755));
  EXPECT_EQ(fs::status(dir / "x/W/notes.txt").permissions(), fs::perms(0644));
}

TEST(ArchiveUnpack, RefusesWhatCouldLeaveTheFolderOrIsNoPlainFile) {
  struct Case {
    const char* name;
    std::vector<ArchiveEntry> entries;
    const char* problem;
  };
  std::vector<ArchiveEntry> bomb;
  for (int i = 0; i < 11; ++i) bomb.push_back({"W/" + std::to_string(i), "x"});
  const Case cases[] = {
      {"dot-dot", {{"W/../../escaped", "x"}}, "W/../../escaped: name leaves the folder"},
      {"absolute", {{"/tmp/escaped", "x"}}, "/tmp/escaped: name leaves the folder"},
      {"symbolic link",
       {{"W/link", {}, Type::symlink, 0777, "/etc"}},
       "W/link: not a regular file or folder"},
      {"hard link",
       {{"W/a", "x"}, {"W/b", {}, Type::hardlink, 0644, "W/a"}},
       "W/b: not a regular file or folder"},
      {"device", {{"W/null", {}, Type::device}}, "W/null: not a regular file or folder"},
      {"fifo", {{"W/pipe", {}, Type::fifo}}, "W/pipe: not a regular file or folder"},
      {"huge",
       {{"W/small", "x"}, {"W/big", std::string(1000, 'x')}},
       "W/big: more than 1000 bytes in all"},
      {"many small files", bomb, "more than 10 entries"},
      {"same name twice", {{"W/a", "x"}, {"W/a", "y"}}, nullptr},
  };
  for (const Case& c : cases) {
    TempDir dir;
    writeArchive(dir / "a.tar.gz", c.entries);
    fs::create_directory(dir / "x");
    const auto problem = ArchiveUnpack::unpack(dir / "a.tar.gz", dir / "x", {1000, 10});
    ASSERT_TRUE(problem) << c.name;
    if (c.problem != nullptr) {
      EXPECT_EQ(*problem, c.problem) << c.name;
    }
    // Nothing was written outside the destination.
    EXPECT_EQ(countEntries(dir.path()), 2 + countEntries(dir / "x")) << c.name;
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "x/W/link"))) << c.name;
  }
  EXPECT_FALSE(fs::exists("/tmp/escaped"));
}

TEST(ArchiveUnpack, RefusesWhatIsNoGzippedTar) {
  TempDir dir;
  platform::writeAtomically(dir / "a.tar.gz", "PK\x03\x04 not a tar");
  fs::create_directory(dir / "x");
  EXPECT_TRUE(ArchiveUnpack::unpack(dir / "a.tar.gz", dir / "x"));
  EXPECT_TRUE(ArchiveUnpack::unpack(dir / "missing.tar.gz", dir / "x"));
}

}  // namespace
