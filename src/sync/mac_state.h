#pragma once

#include <string>
#include <variant>
#include <vector>

#include "sync/apply_result.h"
#include "master/diff.h"

// The state of this computer as the user interface shows it.
struct MacState {
  struct Applied {
    std::vector<DictionaryDiff> diff;
    bool operator==(const Applied&) const = default;
  };
  // The stops carry what the reflect found, unchanged.
  using MasterProblem = ApplyResult::MasterProblem;
  using LocalEdits = ApplyResult::LocalEdits;
  using BigChange = ApplyResult::BigChange;
  // A reflect raised; `description` is the error's text.
  struct Failed {
    std::string description;
    bool operator==(const Failed&) const = default;
  };
  struct Checking {
    bool operator==(const Checking&) const = default;
  };
  using UpToDate = ApplyResult::UpToDate;
  using ToolOpen = ApplyResult::ToolOpen;
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
