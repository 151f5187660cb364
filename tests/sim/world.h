#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cloud.h"

// Several computers sharing one master through a cloud service, their users editing words at
// random in the window and in Mozc's dictionary tool, and reflects running whenever, with the
// promises the system makes checked after every step and once everything has settled.
namespace sim {

struct Options {
  std::uint64_t seed = 1;
  // 0: drawn from the seed (computers 2–4, steps 150–300).
  int computers = 0;
  int steps = 0;
  // Every step and check, for a person following one seed.
  bool trace = false;
};

struct Figures {
  int steps = 0;
  int computers = 0;
  int windowSaves = 0;
  int windowRefusals = 0;
  int toolSaves = 0;
  int reflects = 0;
  int applied = 0;
  int upToDate = 0;
  int toolOpen = 0;
  int localEditStops = 0;
  int bigChangeStops = 0;
  int masterProblemStops = 0;
  // A master file the cloud had not finished: empty, half written, or changing while read.
  int unfinishedMasterStops = 0;
  // Reflects that wrote while a master file was cut inside its last line: it reads as a whole
  // file, and the cut word as a word no user made.
  int cutFilesReflected = 0;
  int failures = 0;
  int absorbs = 0;
  int discards = 0;
  int bigChangesAllowed = 0;
  int conflictCopiesResolved = 0;
  int settleRounds = 0;
  // Computers left stopped, with a notice saying why, once everything settled.
  int stoppedAtEnd = 0;
  // Words a user kept that are, once everything settled, only in a history or conflict copy.
  int wordsOnlyInCopies = 0;
  CloudFigures cloud;
};

struct Outcome {
  Figures figures;
  // Broken promises, each with the step it was seen at.
  std::vector<std::string> violations;
  // The steps, when traced.
  std::vector<std::string> log;
};

Outcome simulate(const Options& options);

}  // namespace sim
