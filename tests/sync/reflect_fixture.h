#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "master/master_format.h"
#include "model/user_dictionary_file.h"
#include "platform/files.h"
#include "support/temp_dir.h"
#include "sync/reflect_fingerprint.h"
#include "sync/syncer.h"

// A master folder, an IME dictionary file and a state folder in a temporary
// folder, with a stand-in IME: installed at a temporary file, no tool open, a
// reload that appends a line to a log.
class ReflectFixture : public ::testing::Test {
 protected:
  using Words = std::vector<DictEntry>;

  ReflectFixture() {
    std::filesystem::create_directories(master);
    std::filesystem::create_directories(dictionary.parent_path());
    platform::writeAtomically(installed, "");
  }
  void TearDown() override { platform::setFileStepHook(nullptr); }

  static std::filesystem::path u8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
  }

  static Words words(const std::string& prefix, int count) {
    Words list;
    for (int i = 0; i < count; ++i) {
      list.push_back({"よみ" + std::to_string(i), prefix + std::to_string(i), 1, ""});
    }
    return list;
  }

  ImePlatform fakeIme() const {
    return {.installLocations = {(dir / "not-installed").string(), installed.string()},
            .toolProbe = {"false", {}},
            .toolCommandText = {},
            .dictionaryLockName = ".user_dictionary.db.lock",
            .reload = {"/bin/sh", {"-c", "echo reload >> \"$0\"", reloadLog.string()}},
            .words = ImePlatform::current().words};
  }

  Syncer syncer() const {
    return Syncer{.paths = {master, dictionary, state},
                  .keepBackups = 30,
                  .reloadsConverter = true,
                  .ime = fakeIme()};
  }

  SyncPaths paths() const { return {master, dictionary, state}; }

  void writeMaster(std::string_view name, const Words& entries) const {
    platform::writeAtomically(master / u8(std::string(name) + ".txt"), Master::text(entries));
  }

  void writeDictionary(const UserDictionaryFile& file) const {
    platform::writeAtomically(dictionary, file.serialized());
  }

  static UserDictionaryFile file(const std::vector<std::pair<std::string, Words>>& dictionaries) {
    UserDictionaryFile result;
    std::uint64_t id = 100;
    for (const auto& [name, entries] : dictionaries) {
      result.dictionaries.push_back(
          {.id = id++, .enabled = true, .name = name, .entries = entries});
    }
    return result;
  }

  // Names and words of the dictionary file: what a reflect is about.
  std::vector<std::pair<std::string, Words>> contentOf(const UserDictionaryFile& file) const {
    std::vector<std::pair<std::string, Words>> content;
    for (const UserDictionary& d : file.dictionaries) content.emplace_back(d.name, d.entries);
    return content;
  }
  std::vector<std::pair<std::string, Words>> dictionaryContent() const {
    return contentOf(UserDictionaryFile::read(dictionary));
  }

  int reloads() const {
    if (!std::filesystem::exists(reloadLog)) return 0;
    const std::string log = platform::readFile(reloadLog);
    return static_cast<int>(std::count(log.begin(), log.end(), '\n'));
  }

  // Brings dictionary and last applied copy in line with the current master.
  void reflectOnce() const {
    const ApplyResult result = syncer().apply({.discardLocalEdits = true});
    ASSERT_TRUE(std::holds_alternative<ApplyResult::Applied>(result.value) ||
                std::holds_alternative<ApplyResult::UpToDate>(result.value));
  }

  // As if the last reflect had been recorded well after the files it read
  // last changed, so that the next run may trust the record.
  void ageFingerprint() const {
    std::optional<ReflectFingerprint> recorded =
        ReflectFingerprint::parse(platform::readFile(paths().reflectFingerprint()));
    ASSERT_TRUE(recorded.has_value());
    recorded->takenAt += std::chrono::nanoseconds(std::chrono::seconds(10)).count();
    platform::writeAtomically(paths().reflectFingerprint(), recorded->serialized());
  }

  // Counts from now on the reads of master files, the dictionary and the
  // state it is compared with: a run that trusts its record makes none.
  void countWordReads() const {
    readWatched() = {master, dictionary, paths().lastApplied(), paths().pendingWrite()};
    wordReads() = 0;
    platform::setFileStepHook([](std::string_view step, const std::filesystem::path& target) {
      if (step != "read") return;
      for (const std::filesystem::path& watched : readWatched()) {
        if (target == watched || target.parent_path() == watched) ++wordReads();
      }
    });
  }
  static int& wordReads() {
    static int reads = 0;
    return reads;
  }

  TempDir dir;
  std::filesystem::path master = dir / u8("クラウド/マスター");
  std::filesystem::path dictionary = dir / "profile/user_dictionary.db";
  std::filesystem::path state = dir / "state";
  std::filesystem::path installed = dir / "installed";
  std::filesystem::path reloadLog = dir / "reloads.log";

 private:
  static std::vector<std::filesystem::path>& readWatched() {
    static std::vector<std::filesystem::path> watched;
    return watched;
  }
};
