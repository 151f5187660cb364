#pragma once

#include <string>
#include <vector>

#include "master/encoded_master.h"
#include "master/ignored_words.h"
#include "master/master_snapshot.h"

struct ValidationIssue {
  enum class Level { error, warning };
  Level level = Level::error;
  std::string dictionary;
  std::string message;

  bool operator==(const ValidationIssue&) const = default;
};

namespace Validation {

// Findings in dictionary order, then entry order. Never fails. A dictionary
// whose name Mozc cannot hold (from a file name that is not UTF-8, or with
// control characters) has that one finding, under its name made printable.
std::vector<ValidationIssue> check(const std::vector<MasterDictionary>& dictionaries);

// The same, handing over too the words the IME will not offer, which the warnings name.
std::vector<ValidationIssue> check(const std::vector<MasterDictionary>& dictionaries,
                                   std::vector<IgnoredWord>& ignored);
std::vector<ValidationIssue> check(const EncodedMaster& master, std::vector<IgnoredWord>& ignored);

}  // namespace Validation
