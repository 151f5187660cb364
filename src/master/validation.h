#pragma once

#include <string>
#include <vector>

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

// Findings in dictionary order, then entry order. Never fails.
std::vector<ValidationIssue> check(const std::vector<MasterDictionary>& dictionaries);

// The same, handing over too the words the IME will not offer, which the warnings name.
std::vector<ValidationIssue> check(const std::vector<MasterDictionary>& dictionaries,
                                   std::vector<IgnoredWord>& ignored);

}  // namespace Validation
