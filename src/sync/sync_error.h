#pragma once

#include <exception>
#include <string>
#include <variant>
#include <vector>

// Errors of the reflect itself; errors of the layers below pass through unchanged.
class SyncError : public std::exception {
 public:
  struct ZeroByteMaster {
    std::vector<std::string> names;
    bool operator==(const ZeroByteMaster&) const = default;
  };
  struct VerifyFailed {
    bool operator==(const VerifyFailed&) const = default;
  };
  struct NotConfigured {
    bool operator==(const NotConfigured&) const = default;
  };
  struct NoIME {
    bool operator==(const NoIME&) const = default;
  };
  struct NoUserDictionary {
    bool operator==(const NoUserDictionary&) const = default;
  };
  // Master files whose size or modification time changed while the run read them.
  struct MasterChanging {
    std::vector<std::string> names;
    bool operator==(const MasterChanging&) const = default;
  };
  // Two or more dictionaries of the IME file whose names are canonically equal:
  // only one of them can stand for a master file.
  struct DuplicateDictionaryName {
    std::string name;
    bool operator==(const DuplicateDictionaryName&) const = default;
  };
  // The IME's own lock file cannot be opened for writing, so the dictionary
  // file cannot be replaced safely.
  struct ImeLockUnavailable {
    std::string path;
    bool operator==(const ImeLockUnavailable&) const = default;
  };
  using Case = std::variant<ZeroByteMaster, VerifyFailed, NotConfigured, NoIME, NoUserDictionary,
                            MasterChanging, DuplicateDictionaryName, ImeLockUnavailable>;

  explicit SyncError(Case errorCase);
  const Case& errorCase() const noexcept { return case_; }
  const char* what() const noexcept override { return description_.c_str(); }
  bool operator==(const SyncError& other) const { return case_ == other.case_; }

 private:
  Case case_;
  std::string description_;
};
