#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "master/diff.h"
#include "master/ignored_words.h"

// The outcome of a reflect that did not throw.
struct ApplyResult {
  // The master was written; `backup` is the backup made first (with a dry
  // run, the backups folder).
  struct Applied {
    std::vector<DictionaryDiff> diff;
    std::filesystem::path backup;
    bool operator==(const Applied&) const = default;
  };
  // Error-level validation findings, one line each.
  struct MasterProblem {
    std::vector<std::string> lines;
    bool operator==(const MasterProblem&) const = default;
  };
  // Words on this computer differ from the last reflect (or, on a first run,
  // from the master); nothing written.
  struct LocalEdits {
    std::vector<DictionaryDiff> diff;
    bool firstRun = false;
    // A hash of the dictionary file's bytes these edits were found in: a discard given it back
    // (ApplyOptions::editsSeenIn) throws away these edits and no later ones.
    std::size_t fileHash = 0;
    bool operator==(const LocalEdits&) const = default;
  };
  // The change is large; nothing written.
  struct BigChange {
    std::vector<DictionaryDiff> diff;
    std::string reason;
    bool operator==(const BigChange&) const = default;
  };
  struct UpToDate {
    bool operator==(const UpToDate&) const = default;
  };
  // A dictionary tool of the IME is open; nothing read or written.
  struct ToolOpen {
    bool operator==(const ToolOpen&) const = default;
  };
  using Case = std::variant<Applied, MasterProblem, LocalEdits, BigChange, UpToDate, ToolOpen>;

  ApplyResult() = default;
  ApplyResult(Case value, std::vector<IgnoredWord> ignoredWords = {})
      : value(std::move(value)), ignoredWords(std::move(ignoredWords)) {}

  Case value;
  // Words of the master the IME will not offer; written all the same, as the IME's own tools keep
  // them. Empty when the master was not read.
  std::vector<IgnoredWord> ignoredWords;
  bool operator==(const ApplyResult&) const = default;
};
