// A reflect of a 100,000-word master (10 files of 10,000 words): the whole
// reflect up to date and writing, each of its steps alone, and the plain read
// of the same bytes as the floor to compare with.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "master/diff.h"
#include "master/master_format.h"
#include "master/validation.h"
#include "platform/files.h"
#include "sync/syncer.h"

namespace {

namespace fs = std::filesystem;

constexpr int files = 10;
constexpr int wordsPerFile = 10000;

std::string kana(unsigned n) {
  static const char* const syllables[] = {"か", "さ", "た", "な", "は", "ま", "や", "ら",
                                          "わ", "が", "ざ", "だ", "ば", "ぱ", "き", "し"};
  std::string out;
  do {
    out += syllables[n % 16];
    n /= 16;
  } while (n != 0);
  return out;
}

std::vector<MasterDictionary> master(int variant) {
  std::vector<MasterDictionary> dictionaries;
  for (int f = 0; f < files; ++f) {
    MasterDictionary d{"辞書" + std::to_string(f), {}};
    for (int i = 0; i < wordsPerFile; ++i) {
      const unsigned n = static_cast<unsigned>(f * wordsPerFile + i);
      d.entries.push_back({kana(n) + "よみ", "単語" + std::to_string(n) + "漢字",
                           static_cast<std::int64_t>(1 + n % 44), n % 5 == 0 ? "メモ" : ""});
    }
    // The second master differs by one word in every file.
    if (variant == 1) d.entries.back().word += "改";
    dictionaries.push_back(std::move(d));
  }
  return dictionaries;
}

// Two masters, a dictionary file matching the first, a state folder: made once.
struct Corpus {
  Corpus() {
    std::string pattern = (fs::temp_directory_path() / "wordloom-bench-XXXXXX").string();
    root = ::mkdtemp(pattern.data());
    for (int variant = 0; variant < 2; ++variant) {
      const fs::path dir = root / ("master" + std::to_string(variant));
      fs::create_directories(dir);
      for (const MasterDictionary& d : master(variant)) {
        platform::writeAtomically(dir / (d.name + ".txt"), Master::text(d.entries));
      }
      masters.push_back(dir);
    }
    fs::create_directories(root / "profile");
    platform::writeAtomically(root / "installed", "");
    syncer.paths = {masters[0], root / "profile/user_dictionary.db", root / "state"};
    syncer.reloadsConverter = false;
    syncer.ime = {.installLocations = {(root / "installed").string()},
                  .toolProbe = {"false", {}},
                  .toolCommandText = {},
                  .dictionaryLockName = ".user_dictionary.db.lock",
                  .reload = {"true", {}},
                  .words = ImePlatform::current().words};

    dictionaries = Master::load(masters[0]).dictionaries;
    current = Master::build(dictionaries, nullptr);
    data = current.serialized();
    platform::writeAtomically(syncer.paths.dictionary, data);
    syncer.apply({.discardLocalEdits = true});
    changed = Master::build(Master::load(masters[1]).dictionaries, &current);
    for (const auto& entry : fs::directory_iterator(masters[0])) {
      masterBytes += static_cast<std::int64_t>(entry.file_size());
    }
  }
  ~Corpus() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }

  fs::path root;
  std::vector<fs::path> masters;
  Syncer syncer;
  std::vector<MasterDictionary> dictionaries;
  UserDictionaryFile current;
  UserDictionaryFile changed;
  std::string data;
  std::int64_t masterBytes = 0;
};

Corpus& corpus() {
  static Corpus instance;
  return instance;
}

void bytesProcessed(benchmark::State& state, std::int64_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytes);
}

// The floor: every byte a reflect reads, read and nothing else.
void RawRead(benchmark::State& state) {
  Corpus& c = corpus();
  for (auto _ : state) {
    for (const auto& entry : fs::directory_iterator(c.masters[0])) {
      benchmark::DoNotOptimize(platform::readFile(entry.path()));
    }
    benchmark::DoNotOptimize(platform::readFile(c.syncer.paths.dictionary));
  }
  bytesProcessed(state, c.masterBytes + static_cast<std::int64_t>(c.data.size()));
}
BENCHMARK(RawRead)->Unit(benchmark::kMillisecond);

void ReflectUpToDate(benchmark::State& state) {
  Corpus& c = corpus();
  Syncer syncer = c.syncer;
  syncer.paths.master = c.masters[0];
  syncer.apply({.discardLocalEdits = true});
  for (auto _ : state) {
    if (!std::holds_alternative<ApplyResult::UpToDate>(syncer.apply().value)) {
      state.SkipWithError("not up to date");
    }
  }
  bytesProcessed(state, c.masterBytes + static_cast<std::int64_t>(c.data.size()));
}
BENCHMARK(ReflectUpToDate)->Unit(benchmark::kMillisecond);

// Every round writes: the master alternates between two versions.
void ReflectWriting(benchmark::State& state) {
  Corpus& c = corpus();
  Syncer syncer = c.syncer;
  int variant = 0;
  for (auto _ : state) {
    variant = 1 - variant;
    syncer.paths.master = c.masters[static_cast<std::size_t>(variant)];
    if (!std::holds_alternative<ApplyResult::Applied>(syncer.apply().value)) {
      state.SkipWithError("nothing written");
    }
  }
  syncer.paths.master = c.masters[0];
  syncer.apply();
  bytesProcessed(state, c.masterBytes + static_cast<std::int64_t>(c.data.size()));
}
BENCHMARK(ReflectWriting)->Unit(benchmark::kMillisecond);

// The steps, one at a time.

void StepReadMaster(benchmark::State& state) {
  Corpus& c = corpus();
  for (auto _ : state) benchmark::DoNotOptimize(c.syncer.loadMaster());
  bytesProcessed(state, c.masterBytes);
}
BENCHMARK(StepReadMaster)->Unit(benchmark::kMillisecond);

void StepValidate(benchmark::State& state) {
  Corpus& c = corpus();
  for (auto _ : state) benchmark::DoNotOptimize(Validation::check(c.dictionaries));
}
BENCHMARK(StepValidate)->Unit(benchmark::kMillisecond);

void StepDecode(benchmark::State& state) {
  Corpus& c = corpus();
  for (auto _ : state) benchmark::DoNotOptimize(UserDictionaryFile::parse(c.data));
  bytesProcessed(state, static_cast<std::int64_t>(c.data.size()));
}
BENCHMARK(StepDecode)->Unit(benchmark::kMillisecond);

void StepBuild(benchmark::State& state) {
  Corpus& c = corpus();
  for (auto _ : state) benchmark::DoNotOptimize(Master::build(c.dictionaries, &c.current));
}
BENCHMARK(StepBuild)->Unit(benchmark::kMillisecond);

void StepDiffEqual(benchmark::State& state) {
  Corpus& c = corpus();
  for (auto _ : state) benchmark::DoNotOptimize(Diff::between(c.current, c.current));
}
BENCHMARK(StepDiffEqual)->Unit(benchmark::kMillisecond);

void StepDiffChanged(benchmark::State& state) {
  Corpus& c = corpus();
  for (auto _ : state) benchmark::DoNotOptimize(Diff::between(c.current, c.changed));
}
BENCHMARK(StepDiffChanged)->Unit(benchmark::kMillisecond);

void StepSerialize(benchmark::State& state) {
  Corpus& c = corpus();
  for (auto _ : state) benchmark::DoNotOptimize(c.changed.serialized());
  bytesProcessed(state, static_cast<std::int64_t>(c.data.size()));
}
BENCHMARK(StepSerialize)->Unit(benchmark::kMillisecond);

void StepWriteAndFsync(benchmark::State& state) {
  Corpus& c = corpus();
  const fs::path target = c.root / "profile/written.db";
  for (auto _ : state) platform::writeAtomically(target, c.data, {.tempName = ".wordloom.tmp"});
  bytesProcessed(state, static_cast<std::int64_t>(c.data.size()));
}
BENCHMARK(StepWriteAndFsync)->Unit(benchmark::kMillisecond);

void StepVerify(benchmark::State& state) {
  Corpus& c = corpus();
  for (auto _ : state) {
    if (UserDictionaryFile::read(c.syncer.paths.dictionary) != c.current) {
      state.SkipWithError("differs");
    }
  }
  bytesProcessed(state, static_cast<std::int64_t>(c.data.size()));
}
BENCHMARK(StepVerify)->Unit(benchmark::kMillisecond);

}  // namespace
