// Runs the simulation over a range of seeds and prints its figures:
//   wordloom_simulate [--from N] [--count M] [--computers K] [--steps S] [--trace]
// Exits 1 when any promise was broken.
#include <QCoreApplication>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

#include "world.h"

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  std::uint64_t from = 1;
  std::uint64_t count = 100;
  sim::Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const auto value = [&] { return i + 1 < argc ? std::strtoull(argv[++i], nullptr, 10) : 0; };
    if (arg == "--from") {
      from = value();
    } else if (arg == "--count") {
      count = value();
    } else if (arg == "--computers") {
      options.computers = static_cast<int>(value());
    } else if (arg == "--steps") {
      options.steps = static_cast<int>(value());
    } else if (arg == "--trace") {
      options.trace = true;
    } else {
      std::cerr << "usage: wordloom_simulate [--from N] [--count M] [--computers K] [--steps S] "
                   "[--trace]\n";
      return 2;
    }
  }

  sim::Figures total;
  long violations = 0;
  long failedSeeds = 0;
  for (std::uint64_t seed = from; seed < from + count; ++seed) {
    options.seed = seed;
    sim::Outcome outcome = sim::simulate(options);
    for (const std::string& line : outcome.log) std::cout << line << '\n';
    if (!outcome.violations.empty()) {
      ++failedSeeds;
      violations += static_cast<long>(outcome.violations.size());
      for (const std::string& line : outcome.violations) {
        std::cout << "seed " << seed << ": " << line << '\n';
      }
    }
    const sim::Figures& f = outcome.figures;
    total.steps += f.steps;
    total.computers += f.computers;
    total.windowSaves += f.windowSaves;
    total.windowRefusals += f.windowRefusals;
    total.toolSaves += f.toolSaves;
    total.reflects += f.reflects;
    total.applied += f.applied;
    total.upToDate += f.upToDate;
    total.toolOpen += f.toolOpen;
    total.localEditStops += f.localEditStops;
    total.bigChangeStops += f.bigChangeStops;
    total.masterProblemStops += f.masterProblemStops;
    total.unfinishedMasterStops += f.unfinishedMasterStops;
    total.cutFilesReflected += f.cutFilesReflected;
    total.failures += f.failures;
    total.absorbs += f.absorbs;
    total.discards += f.discards;
    total.bigChangesAllowed += f.bigChangesAllowed;
    total.conflictCopiesResolved += f.conflictCopiesResolved;
    total.settleRounds += f.settleRounds;
    total.stoppedAtEnd += f.stoppedAtEnd;
    total.wordsOnlyInCopies += f.wordsOnlyInCopies;
    total.cloud.uploads += f.cloud.uploads;
    total.cloud.downloads += f.cloud.downloads;
    total.cloud.inPlaceDownloads += f.cloud.inPlaceDownloads;
    total.cloud.conflicts += f.cloud.conflicts;
    total.cloud.abandoned += f.cloud.abandoned;
    total.cloud.transientStates += f.cloud.transientStates;
  }
  // One line of name=value pairs, summed by bench/simulate.sh over its shards.
  std::cout << "figures seeds=" << count << " steps=" << total.steps
            << " computers=" << total.computers << " windowSaves=" << total.windowSaves
            << " windowRefusals=" << total.windowRefusals << " toolSaves=" << total.toolSaves
            << " reflects=" << total.reflects << " applied=" << total.applied
            << " upToDate=" << total.upToDate << " toolOpen=" << total.toolOpen
            << " localEditStops=" << total.localEditStops
            << " bigChangeStops=" << total.bigChangeStops
            << " masterProblemStops=" << total.masterProblemStops
            << " unfinishedMasterStops=" << total.unfinishedMasterStops
            << " cutFilesReflected=" << total.cutFilesReflected << " failures=" << total.failures
            << " absorbs=" << total.absorbs << " discards=" << total.discards
            << " bigChangesAllowed=" << total.bigChangesAllowed
            << " uploads=" << total.cloud.uploads << " downloads=" << total.cloud.downloads
            << " inPlaceDownloads=" << total.cloud.inPlaceDownloads
            << " transientStates=" << total.cloud.transientStates
            << " abandonedDownloads=" << total.cloud.abandoned
            << " conflicts=" << total.cloud.conflicts
            << " conflictCopiesResolved=" << total.conflictCopiesResolved
            << " settleRounds=" << total.settleRounds << " stoppedAtEnd=" << total.stoppedAtEnd
            << " wordsOnlyInCopies=" << total.wordsOnlyInCopies << " failedSeeds=" << failedSeeds
            << " violations=" << violations << '\n';
  return violations == 0 ? 0 : 1;
}
