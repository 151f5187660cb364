// The word table's search: AppModel::rows over masters of 100,000 and 1,000,000 words, against
// a plain loop over the same entries that only looks for the substring. Also what a new
// snapshot costs the search and the first sort by a column.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/app_model.h"
#include "app/word_search.h"
#include "master/master_format.h"
#include "platform/files.h"
#include "random_master.h"

namespace {

namespace fs = std::filesystem;

// Queries by index: empty, one kana, one Latin letter typed as a capital.
const char* const queries[] = {"", "か", "A"};

// One model per size, loaded once.
AppModel& model(int words) {
  static std::map<int, std::unique_ptr<AppModel>> models;
  auto& made = models[words];
  if (!made) {
    const fs::path dir =
        fs::temp_directory_path() / ("wordloom-app-bench-" + std::to_string(words));
    if (!fs::exists(dir / "master")) RandomMaster::write(dir / "master", words);
    AppContext context = AppContext::process();
    context.environment = {.variable = [](std::string_view) { return std::nullopt; }, .home = dir};
    context.paths = SyncPaths{dir / "master", dir / "user_dictionary.db", dir / "state"};
    context.agentHost.folder = dir / "units";
    made = std::make_unique<AppModel>(context);
    made->reload();
  }
  return *made;
}

void rows(benchmark::State& state) {
  AppModel& m = model(static_cast<int>(state.range(0)));
  m.setQuery(queries[state.range(1)]);
  std::size_t shown = 0;
  for (auto _ : state) {
    const WordRows rows = m.rows();
    shown = rows.size();
    benchmark::DoNotOptimize(rows.refs().data());
  }
  state.counters["rows"] = static_cast<double>(shown);
}

// The least a search can do: test each entry's three texts for the key as typed.
void reference(benchmark::State& state) {
  const MasterSnapshot& master = *model(static_cast<int>(state.range(0))).master();
  const std::string key = WordSearch::key(queries[state.range(1)]);
  std::size_t shown = 0;
  for (auto _ : state) {
    shown = 0;
    for (const MasterFile& file : master.files) {
      for (const DictEntry& e : file.entries) {
        if (std::string_view(e.reading).find(key) != std::string_view::npos ||
            std::string_view(e.word).find(key) != std::string_view::npos ||
            std::string_view(e.comment).find(key) != std::string_view::npos) {
          ++shown;
        }
      }
    }
    benchmark::DoNotOptimize(shown);
  }
  state.counters["rows"] = static_cast<double>(shown);
}

// What each new snapshot (every save) costs the search.
void newSnapshot(benchmark::State& state) {
  const auto master = model(static_cast<int>(state.range(0))).master();
  for (auto _ : state) benchmark::DoNotOptimize(std::make_shared<const WordIndex>(master));
}

// The first sort of a snapshot by reading ranks every reading; later sorts reuse the ranks.
void sortByReading(benchmark::State& state) {
  const auto master = model(static_cast<int>(state.range(0))).master();
  const bool firstSort = state.range(1) != 0;
  auto index = std::make_shared<const WordIndex>(master);
  for (auto _ : state) {
    if (firstSort) {
      state.PauseTiming();
      index = std::make_shared<const WordIndex>(master);
      state.ResumeTiming();
    }
    WordRows rows(index, index->matching(std::nullopt, ""));
    rows.sort(WordColumn::reading, Qt::AscendingOrder);
    benchmark::DoNotOptimize(rows.refs().data());
  }
}

}  // namespace

BENCHMARK(rows)->ArgsProduct({{100000, 1000000}, {0, 1, 2}})->Unit(benchmark::kMillisecond);
BENCHMARK(reference)->ArgsProduct({{100000, 1000000}, {0, 1, 2}})->Unit(benchmark::kMillisecond);
BENCHMARK(newSnapshot)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(sortByReading)
    ->ArgsProduct({{100000}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
