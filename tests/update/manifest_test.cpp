#include "update/manifest.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "release_fixture.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::string manifestWith(const std::string& files) {
  return R"({"id": "jp.kumomori.wordloom", "version": "1.7", "architecture": "x86_64", "files": )" +
         files + "}";
}

const std::string hash(64, 'a');

TEST(Manifest, ReadsOnlyPathsThatStayInsideTheFolder) {
  const auto good = Manifest::parse(manifestWith(R"({"bin/wordloom": ")" + hash + R"("})"));
  ASSERT_TRUE(good);
  EXPECT_EQ(good->version, "1.7");
  EXPECT_EQ(good->files.at("bin/wordloom"), hash);

  const std::vector<std::string> refused = {
      "",
      "[]",
      R"({"id": "x"})",
      manifestWith("{}"),
      manifestWith(R"({"../bin": ")" + hash + R"("})"),
      manifestWith(R"({"/etc/passwd": ")" + hash + R"("})"),
      manifestWith(R"({"bin//wordloom": ")" + hash + R"("})"),
      manifestWith(R"({"bin/./wordloom": ")" + hash + R"("})"),
      manifestWith(R"({"bin/": ")" + hash + R"("})"),
      manifestWith(R"({"wordloom-manifest.json": ")" + hash + R"("})"),
      manifestWith(R"({"a": "ABCDEF"})"),
      manifestWith(R"({"a": ")" + std::string(64, 'A') + R"("})"),
      manifestWith(R"({"a": 1})"),
      R"({"id": "jp.kumomori.wordloom", "version": 1.7, "architecture": "x86_64", "files": {"a": ")" +
          hash + R"("}})",
  };
  for (const std::string& text : refused) EXPECT_FALSE(Manifest::parse(text)) << text;
}

class TreeCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    tree = ReleaseTree::make(TestKey::make(), "1.7");
    tree.writeTo(dir / "Wordloom");
    manifest = *Manifest::parse(tree.manifest);
  }
  TempDir dir;
  ReleaseTree tree;
  Manifest manifest;
};

TEST_F(TreeCheck, AcceptsTheTreeAsListed) {
  EXPECT_EQ(checkTree(dir / "Wordloom", manifest), std::nullopt);
  EXPECT_EQ(checkTree(dir / "Wordloom", manifest, {.flush = true}), std::nullopt);
}

TEST_F(TreeCheck, NamesTheFirstDifference) {
  const fs::path root = dir / "Wordloom";
  struct Case {
    const char* name;
    std::function<void()> change;
    const char* problem;
  };
  const Case cases[] = {
      {"changed", [&] { ReleaseTree::writeFile(root / "bin/wordloom", "x", true); },
       "bin/wordloom: content differs"},
      {"missing", [&] { fs::remove(root / "bin/wordloom"); }, "bin/wordloom: missing"},
      {"extra", [&] { ReleaseTree::writeFile(root / "bin/helper", "x", true); },
       "bin/helper: not in the manifest"},
      {"link",
       [&] {
         fs::remove(root / "bin/wordloom");
         fs::create_symlink("/bin/sh", root / "bin/wordloom");
       },
       "bin/wordloom: not a regular file"},
      {"fifo", [&] { ::mkfifo((root / "pipe").c_str(), 0600); }, "pipe: not a regular file"},
  };
  for (const Case& c : cases) {
    fs::remove_all(root);
    tree.writeTo(root);
    c.change();
    EXPECT_EQ(checkTree(root, manifest), c.problem) << c.name;
  }
}

}  // namespace
