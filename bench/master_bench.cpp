// The master folder at a realistic large size: 20 files of 5,000 words
// (100,000 words), and twice that to see how the costs grow.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "master/master_format.h"
#include "master/master_store.h"
#include "master/validation.h"
#include "platform/files.h"
#include "master/diff.h"

namespace {

namespace fs = std::filesystem;

constexpr int wordsPerFile = 5000;

std::string randomText(std::mt19937& random, const std::vector<std::string>& alphabet, int least,
                       int most) {
  std::string out;
  for (int n = least + static_cast<int>(random() % (most - least + 1)); n > 0; --n) {
    out += alphabet[random() % alphabet.size()];
  }
  return out;
}

std::vector<std::string> letters(const char* utf8) {
  std::vector<std::string> out;
  for (std::string_view rest = utf8; !rest.empty();) {
    const std::size_t length = (static_cast<unsigned char>(rest[0]) >= 0xF0)   ? 4
                               : (static_cast<unsigned char>(rest[0]) >= 0xE0) ? 3
                               : (static_cast<unsigned char>(rest[0]) >= 0xC0) ? 2
                                                                               : 1;
    out.emplace_back(rest.substr(0, length));
    rest.remove_prefix(length);
  }
  return out;
}

// Words as people register them: hiragana readings, kanji and katakana words,
// mostly nouns and names, a comment now and then. Keys are unique; the
// number that makes them so has the same width at every size, so that a word
// costs the same in the small master and the large.
std::vector<MasterDictionary> generate(int words) {
  static const std::vector<std::string> hiragana = letters(
      "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわん"
      "がぎぐげござじずぜぞだでどばびぶべぼぱぴぷぺぽゃゅょっー");
  static const std::vector<std::string> kanji = letters(
      "山川田中村本小林高橋佐藤伊藤渡辺加藤吉田山口松井清水森池野原石井東京都大阪府名古屋市"
      "株式会社研究所技術部課長様日本語入力辞書変換候補登録単語読");
  static const std::vector<std::string> katakana = letters(
      "アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン"
      "ガギグゲゴザジズゼゾダヂヅデドバビブベボパピプペポャュョッー");
  static const std::int64_t codes[] = {1, 1, 1, 1, 1, 5, 5, 6, 7, 9, 4, 8, 10, 11, 16, 2};
  std::mt19937 random(static_cast<unsigned>(words));
  std::vector<MasterDictionary> master;
  for (int f = 0; f < words / wordsPerFile; ++f) {
    MasterDictionary d{"辞書" + std::to_string(f + 1), {}};
    for (int i = 0; i < wordsPerFile; ++i) {
      DictEntry e;
      std::string number = std::to_string(f * wordsPerFile + i);
      number.insert(0, 7 - number.size(), '0');
      e.reading = randomText(random, hiragana, 2, 7) + number;
      e.word = randomText(random, random() % 3 == 0 ? katakana : kanji, 1, 6);
      e.posCode = codes[random() % std::size(codes)];
      if (random() % 5 == 0) e.comment = randomText(random, kanji, 2, 8);
      d.entries.push_back(std::move(e));
    }
    master.push_back(std::move(d));
  }
  return master;
}

struct Fixture {
  fs::path dir;
  std::vector<MasterDictionary> master;
  UserDictionaryFile file;
  UserDictionaryFile changed;  // 1% of the words differ
};

// One folder per size, made once per run and removed at exit.
const Fixture& fixture(int words) {
  static std::map<int, Fixture> made;
  static std::vector<fs::path> folders;
  const auto found = made.find(words);
  if (found != made.end()) return found->second;
  std::string pattern = (fs::temp_directory_path() / "wordloom-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  if (folders.empty()) {
    std::atexit([] {
      for (const fs::path& p : folders) fs::remove_all(p);
    });
  }
  folders.push_back(pattern);

  Fixture f;
  f.dir = fs::path(pattern) / "マスター";
  fs::create_directories(f.dir);
  f.master = generate(words);
  for (const MasterDictionary& d : f.master) {
    platform::writeAtomically(f.dir / (d.name + ".txt"), Master::text(d.entries));
  }
  f.file = Master::build(f.master, nullptr);
  f.changed = f.file;
  std::mt19937 random(1);
  for (int n = 0; n < words / 100; ++n) {
    auto& entries = f.changed.dictionaries[random() % f.changed.dictionaries.size()].entries;
    const std::size_t at = random() % entries.size();
    switch (n % 3) {
      case 0:
        entries[at].comment += "変更";
        break;
      case 1:
        entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(at));
        break;
      default:
        entries.push_back({"しんご" + std::to_string(n), "新語", 1, ""});
    }
  }
  return made.emplace(words, std::move(f)).first->second;
}

// What any reader must do at least: find the lines of the bytes read.
template <class Line>
std::vector<Line> splitLines(const std::string& bytes) {
  std::vector<Line> split;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t end = std::min(bytes.find('\n', at), bytes.size());
    split.emplace_back(bytes.data() + at, end - at);
    at = end + 1;
  }
  return split;
}

template <class Line>
void readAndSplit(benchmark::State& state) {
  const Fixture& f = fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::size_t lines = 0;
    for (const auto& entry : fs::directory_iterator(f.dir)) {
      const std::string bytes = platform::readFile(entry.path());
      const std::vector<Line> split = splitLines<Line>(bytes);
      lines += split.size();
      benchmark::DoNotOptimize(split.data());
    }
    benchmark::DoNotOptimize(lines);
  }
}

// Lines as views into the bytes read.
void BM_ReadAndSplitLines(benchmark::State& state) {
  readAndSplit<std::string_view>(state);
}

// Lines as texts of their own, as a reader that keeps them must make.
void BM_ReadAndCopyLines(benchmark::State& state) {
  readAndSplit<std::string>(state);
}

// As above, but every file's bytes and lines are kept until all are read, as
// a reader that returns the whole master must keep them.
void BM_ReadAndKeepLines(benchmark::State& state) {
  const Fixture& f = fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::vector<std::pair<std::string, std::vector<std::string>>> files;
    for (const auto& entry : fs::directory_iterator(f.dir)) {
      std::string bytes = platform::readFile(entry.path());
      std::vector<std::string> split = splitLines<std::string>(bytes);
      files.emplace_back(std::move(bytes), std::move(split));
    }
    benchmark::DoNotOptimize(files.data());
  }
}

// Lines split at TAB into DictEntry values, with no checks at all: the least
// a reader that makes entries of its own must do.
void BM_ReadAndMakeEntries(benchmark::State& state) {
  const Fixture& f = fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::size_t made = 0;
    for (const auto& entry : fs::directory_iterator(f.dir)) {
      const std::string bytes = platform::readFile(entry.path());
      std::vector<DictEntry> entries;
      for (std::string_view rest = bytes; !rest.empty();) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        std::string_view columns[4];
        for (std::string_view& column : columns) {
          const std::size_t tab = std::min(line.find('\t'), line.size());
          column = line.substr(0, tab);
          line.remove_prefix(std::min(tab + 1, line.size()));
        }
        entries.push_back(
            {std::string(columns[0]), std::string(columns[1]), 1, std::string(columns[3])});
      }
      made += entries.size();
      benchmark::DoNotOptimize(entries.data());
    }
    benchmark::DoNotOptimize(made);
  }
}

void BM_MasterStoreLoad(benchmark::State& state) {
  const Fixture& f = fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(MasterStore::load(f.dir));
}

void BM_MasterLoad(benchmark::State& state) {
  const Fixture& f = fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(Master::load(f.dir));
}

void BM_ValidationCheck(benchmark::State& state) {
  const Fixture& f = fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(Validation::check(f.master));
}

void BM_MasterBuild(benchmark::State& state) {
  const Fixture& f = fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(Master::build(f.master, &f.file));
}

void BM_DiffBetween(benchmark::State& state) {
  const Fixture& f = fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(Diff::between(f.file, f.changed));
}

}  // namespace

BENCHMARK(BM_ReadAndSplitLines)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndCopyLines)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndKeepLines)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndMakeEntries)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MasterStoreLoad)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MasterLoad)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ValidationCheck)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MasterBuild)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffBetween)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);
