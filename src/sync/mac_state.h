#pragma once

#include <string>
#include <variant>
#include <vector>

#include "sync/apply_result.h"
#include "sync/diff.h"

// The state of this computer as the user interface shows it.
struct MacState {
  struct Applied {
    std::vector<DictionaryDiff> diff;
    bool operator==(const Applied&) const = default;
  };
  struct MasterProblem {
    std::vector<std::string> lines;
    bool operator==(const MasterProblem&) const = default;
  };
  struct LocalEdits {
    std::vector<DictionaryDiff> diff;
    bool firstRun = false;
    bool operator==(const LocalEdits&) const = default;
  };
  struct BigChange {
    std::vector<DictionaryDiff> diff;
    std::string reason;
    bool operator==(const BigChange&) const = default;
  };
  // A reflect raised; `description` is the error's text.
  struct Failed {
    std::string description;
    bool operator==(const Failed&) const = default;
  };
  struct Checking {
    bool operator==(const Checking&) const = default;
  };
  struct UpToDate {
    bool operator==(const UpToDate&) const = default;
  };
  struct ToolOpen {
    bool operator==(const ToolOpen&) const = default;
  };
  using Case = std::variant<Applied, MasterProblem, LocalEdits, BigChange, Failed, Checking,
                            UpToDate, ToolOpen>;

  Case value;
  bool operator==(const MacState&) const = default;

  // Each case of the result becomes the same-named case; `applied` drops its backup.
  static MacState from(const ApplyResult& result);
  std::string summary() const;
  // True for applied and upToDate only.
  bool isOK() const;
};
