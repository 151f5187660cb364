#pragma once

#include <exception>
#include <string>
#include <variant>
#include <vector>

#include "master/validation.h"

// Why a change to the master folder was refused.
class MasterStoreError : public std::exception {
 public:
  struct ZeroByte {
    std::vector<std::string> names;
    bool operator==(const ZeroByte&) const = default;
  };
  struct ChangedElsewhere {
    std::vector<std::string> names;
    bool operator==(const ChangedElsewhere&) const = default;
  };
  struct AlreadyExists {
    std::string name;
    bool operator==(const AlreadyExists&) const = default;
  };
  struct Invalid {
    std::vector<ValidationIssue> issues;
    bool operator==(const Invalid&) const = default;
  };
  struct EmptyDictionary {
    std::string name;
    bool operator==(const EmptyDictionary&) const = default;
  };
  struct UnknownDictionary {
    std::string name;
    bool operator==(const UnknownDictionary&) const = default;
  };
  struct VerifyFailed {
    std::string name;
    bool operator==(const VerifyFailed&) const = default;
  };
  struct LastDictionary {
    bool operator==(const LastDictionary&) const = default;
  };
  // A reading, word or comment holding TAB, CR or LF: a master line cannot hold it.
  struct UnwritableText {
    std::string dictionary;
    std::string reading;
    std::string word;
    bool operator==(const UnwritableText&) const = default;
  };
  // A new dictionary's name that would make a file the readers never see.
  struct UnusableName {
    std::string name;
    std::string reason;
    bool operator==(const UnusableName&) const = default;
  };
  using Case =
      std::variant<ZeroByte, ChangedElsewhere, AlreadyExists, Invalid, EmptyDictionary,
                   UnknownDictionary, VerifyFailed, LastDictionary, UnwritableText, UnusableName>;

  explicit MasterStoreError(Case errorCase);
  const Case& errorCase() const noexcept { return case_; }
  const char* what() const noexcept override { return description_.c_str(); }
  bool operator==(const MasterStoreError& other) const { return case_ == other.case_; }

 private:
  Case case_;
  std::string description_;
};
