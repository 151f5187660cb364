#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <filesystem>
#include <string>

#include "cloud.h"
#include "master/master_format.h"
#include "platform/files.h"
#include "support/temp_dir.h"
#include "world.h"

namespace {

using namespace sim;
namespace fs = std::filesystem;

const std::chrono::sys_seconds when =
    std::chrono::sys_days{std::chrono::year{2026} / 3 / 4} + std::chrono::hours{5};

std::string read(const fs::path& path) {
  return platform::readFile(path);
}

// Runs the client until it has nothing left to do.
void drain(CloudClient& client, Random& random) {
  for (int i = 0; i < 1000 && client.hasWork(); ++i) client.step(random, when);
  ASSERT_FALSE(client.hasWork());
}

TEST(ConflictCopies, EveryClientsCopyOfADictionaryIsTakenForOne) {
  for (int style = 0; style < conflictStyleCount; ++style) {
    const std::string copy =
        conflictCopyName("人名.txt", static_cast<ConflictStyle>(style), "pc2", when, 2);
    SCOPED_TRACE(copy);
    EXPECT_TRUE(copy.ends_with(".txt"));
    EXPECT_TRUE(copy.starts_with("人名"));
    EXPECT_TRUE(Master::isConflictCopy(copy));
    EXPECT_NE(copy, conflictCopyName("人名.txt", static_cast<ConflictStyle>(style), "pc2", when));
  }
}

// Two computers change one file before either sees the other's change: both versions survive.
TEST(Cloud, AClashKeepsBothVersions) {
  TempDir dir;
  CloudServer server;
  Random random(7);
  CloudClient one(dir / "one", "pc1", ConflictStyle::dropbox, server);
  CloudClient two(dir / "two", "pc2", ConflictStyle::syncthing, server);
  platform::writeAtomically(dir / "one/a.txt", "first\n");
  one.rescan();
  drain(one, random);
  drain(two, random);
  ASSERT_EQ(read(dir / "two/a.txt"), "first\n");

  platform::writeAtomically(dir / "one/a.txt", "one\n");
  platform::writeAtomically(dir / "two/a.txt", "two\n");
  one.rescan();
  two.rescan();
  drain(one, random);
  drain(two, random);
  drain(one, random);

  EXPECT_EQ(read(dir / "one/a.txt"), "one\n");
  EXPECT_EQ(read(dir / "two/a.txt"), "one\n");
  const std::string copy = conflictCopyName("a.txt", ConflictStyle::syncthing, "pc2", when);
  EXPECT_EQ(read(dir / "one" / copy), "two\n");
  EXPECT_EQ(read(dir / "two" / copy), "two\n");
}

// A download written in place lies empty, then half written, in the folder; a program that
// replaces the file meanwhile keeps its bytes, in a conflict copy.
TEST(Cloud, AFileReplacedWhileWrittenInPlaceEndsInAConflictCopy) {
  const std::string text = "a longer new text\n";
  int seen = 0;
  for (std::uint64_t seed = 1; seed <= 60; ++seed) {
    TempDir dir;
    CloudServer server;
    Random random(seed);
    CloudClient one(dir / "one", "pc1", ConflictStyle::nextcloud, server);
    CloudClient two(dir / "two", "pc2", ConflictStyle::dropboxJapanese, server);
    platform::writeAtomically(dir / "one/a.txt", "old\n");
    one.rescan();
    drain(one, random);
    drain(two, random);
    platform::writeAtomically(dir / "one/a.txt", text);
    one.rescan();
    drain(one, random);

    two.step(random, when);
    if (!two.isMidWrite("a.txt")) continue;
    EXPECT_EQ(read(dir / "two/a.txt"), "");
    two.step(random, when);
    if (!two.isMidWrite("a.txt")) continue;
    ++seen;
    const std::string half = read(dir / "two/a.txt");
    EXPECT_FALSE(half.empty());
    EXPECT_TRUE(text.starts_with(half) && half != text);
    platform::writeAtomically(dir / "two/a.txt", half + "mine\n");
    two.rescan();
    drain(two, random);
    drain(one, random);

    EXPECT_EQ(read(dir / "one/a.txt"), text);
    EXPECT_EQ(read(dir / "two/a.txt"), text);
    const std::string copy = conflictCopyName("a.txt", ConflictStyle::dropboxJapanese, "pc2", when);
    EXPECT_EQ(read(dir / "one" / copy), half + "mine\n");
  }
  EXPECT_GT(seen, 0);
}

class Seeds : public ::testing::TestWithParam<int> {};

TEST_P(Seeds, EveryPromiseHolds) {
  const Outcome outcome = simulate({.seed = static_cast<std::uint64_t>(GetParam())});
  for (const std::string& violation : outcome.violations) ADD_FAILURE() << violation;
  EXPECT_GT(outcome.figures.reflects, 0);
}

INSTANTIATE_TEST_SUITE_P(Simulation, Seeds, ::testing::Range(1, SIMULATION_SEEDS + 1));

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
