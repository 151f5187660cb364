#include <gtest/gtest.h>
#include <signal.h>

#include <stdexcept>

#include "reflect_fixture.h"
#include "support/child_process.h"

namespace {

namespace fs = std::filesystem;

int stepToStop = -1;
int stepsSeen = 0;

// Steps of the write path; reads change nothing on disk.
void killAtStep(std::string_view step, const fs::path&) {
  if (step != "read" && stepsSeen++ == stepToStop) ::raise(SIGKILL);
}

void failAtStep(std::string_view step, const fs::path&) {
  if (step != "read" && stepsSeen++ == stepToStop) throw std::runtime_error("disk failed");
}

// A reflect that writes: three words on this computer, four in the master.
class CrashSafety : public ReflectFixture {
 protected:
  using Content = std::vector<std::pair<std::string, Words>>;

  void prepare() {
    platform::setFileStepHook(nullptr);
    fs::remove_all(state);
    fs::remove(reloadLog);
    writeMaster("人名", words("人", 3));
    writeDictionary(file({{"人名", words("人", 3)}}));
    reflectOnce();
    writeMaster("人名", words("人", 4));
  }

  fs::path lastApplied() const { return paths().lastApplied(); }

  // What the master holds when the next run comes: unchanged, back to the old
  // words (another computer undid the change), or one word more.
  static std::vector<std::pair<std::string, Words>> masterChanges() {
    return {{"unchanged", words("人", 4)}, {"undone", words("人", 3)}, {"grown", words("人", 5)}};
  }

  // Whatever the interruption left, the file is the old or the new one, a
  // changed file has a backup of the old one, and a later reflect finishes
  // with the master as it is by then, without taking our own write for direct
  // edits.
  void checkAfterInterruption(int step, const std::string& change, const Words& masterThen) {
    SCOPED_TRACE("step " + std::to_string(step) + ", master " + change);
    const Content old = {{"人名", words("人", 3)}};
    const Content fresh = {{"人名", words("人", 4)}};
    const Content content = dictionaryContent();
    EXPECT_TRUE(content == old || content == fresh);
    if (content == fresh) {
      bool backedUp = false;
      for (const auto& entry : fs::directory_iterator(paths().backups())) {
        if (entry.path().extension() == ".db") {
          backedUp = backedUp || contentOf(UserDictionaryFile::read(entry.path())) == old;
        }
      }
      EXPECT_TRUE(backedUp);
    }
    writeMaster("人名", masterThen);
    const ApplyResult later = syncer().apply();
    EXPECT_TRUE(std::holds_alternative<ApplyResult::Applied>(later.value) ||
                std::holds_alternative<ApplyResult::UpToDate>(later.value))
        << "case " << later.value.index();
    EXPECT_EQ(dictionaryContent(), (Content{{"人名", masterThen}}));
    EXPECT_EQ(platform::readFile(lastApplied()), platform::readFile(dictionary));
    EXPECT_FALSE(fs::exists(dictionary.parent_path() / ".wordloom.tmp"));
    EXPECT_FALSE(fs::exists(paths().pendingWrite()));
    EXPECT_EQ(syncer().apply(), ApplyResult{ApplyResult::UpToDate{}});
  }
};

TEST_F(CrashSafety, KilledAtEveryStepOfTheWritePathThenTheMasterChanges) {
  int step = 0;
  for (bool finished = false;; ++step) {
    for (const auto& [change, masterThen] : masterChanges()) {
      prepare();
      stepToStop = step;
      stepsSeen = 0;
      const pid_t child = forkChild([&] {
        platform::setFileStepHook(killAtStep);
        syncer().apply();
        return 0;
      });
      const int status = platform::waitForExit(child);
      if (status == 0) {
        finished = true;
        break;
      }
      ASSERT_EQ(status, 128 + SIGKILL);
      checkAfterInterruption(step, change, masterThen);
    }
    if (finished) break;
  }
  // Backup, pending write, dictionary and the record of what the run read:
  // five steps each; recording the pending write: two.
  EXPECT_EQ(step, 22);
}

TEST_F(CrashSafety, FailingAtEveryStepOfTheWritePathIsReportedAndLosesNothing) {
  int step = 0;
  for (bool finished = false;; ++step) {
    for (const auto& [change, masterThen] : masterChanges()) {
      prepare();
      stepToStop = step;
      stepsSeen = 0;
      platform::setFileStepHook(failAtStep);
      bool failed = false;
      try {
        syncer().apply();
      } catch (const std::runtime_error& error) {
        failed = std::string_view(error.what()) == "disk failed";
      }
      platform::setFileStepHook(nullptr);
      if (!failed) {
        finished = true;
        break;
      }
      EXPECT_EQ(reloads(), 0);
      checkAfterInterruption(step, change, masterThen);
    }
    if (finished) break;
  }
  // The record of what the run read is not among them: a failure there only
  // costs the next run a full check.
  EXPECT_EQ(step, 17);
}

}  // namespace
