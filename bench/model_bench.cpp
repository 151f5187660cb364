// Reading and writing the IME's dictionary file, against protobuf's own
// generated code for the same schema as the reference.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "model/dict_entry.h"
#include "model/user_dictionary_file.h"
#include "user_dictionary.pb.h"

namespace {

std::vector<std::string> characters(std::string_view utf8) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < utf8.size();) {
    std::size_t length = 1;
    while (i + length < utf8.size() &&
           (static_cast<unsigned char>(utf8[i + length]) & 0xC0) == 0x80) {
      ++length;
    }
    out.emplace_back(utf8.substr(i, length));
    i += length;
  }
  return out;
}

// 10 dictionaries of 10,000 words each, shaped like a real user dictionary:
// hiragana readings; kanji, katakana, mixed or Latin words; a comment on
// one word in five; mostly nouns and names.
UserDictionaryFile realisticFile() {
  const auto hiragana = characters(
      "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
      "がぎぐげござじずぜぞだでどばびぶべぼぱぴぷぺぽゃゅょっー");
  const auto kanji = characters(
      "日本東京大阪京都山川田中村小林高橋佐藤鈴木伊渡辺加吉野井上木森池松清水石原藤岡本島長谷部"
      "会社情報技術開発営業部課長研究所事業計画管理設計製品品質顧客契約資料議事録予算経理総務人");
  const auto katakana = characters(
      "アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン"
      "ガギグゲゴザジズゼゾダデドバビブベボパピプペポャュョッー");
  const std::vector<std::string> comments = {
      "人名", "社内用語", "地名・駅名", "取引先", "読み間違いやすい", "旧字体", "製品名"};
  const std::vector<std::int64_t> posCodes = {1, 1, 1, 1, 1, 4, 5, 6, 7, 8, 9, 10, 16, 40, 35, 11};
  std::mt19937 random(20240601);
  const auto pick = [&](const auto& list) -> const auto& {
    return list[random() % list.size()];
  };
  const auto run = [&](const auto& list, int from, int to) {
    std::string text;
    for (int n = from + static_cast<int>(random() % (to - from + 1)); n > 0; --n)
      text += pick(list);
    return text;
  };

  UserDictionaryFile file;
  file.version = 3;
  for (int d = 0; d < 10; ++d) {
    UserDictionary dictionary{random(), d != 7, "辞書" + std::to_string(d + 1), {}};
    dictionary.entries.reserve(10000);
    for (int i = 0; i < 10000; ++i) {
      DictEntry entry;
      entry.reading = run(hiragana, 2, 8);
      const unsigned kind = random() % 20;
      if (kind < 12) {
        entry.word = run(kanji, 1, 4);
      } else if (kind < 17) {
        entry.word = run(katakana, 3, 8);
      } else if (kind < 19) {
        entry.word = run(kanji, 1, 2) + run(hiragana, 1, 3);
      } else {
        entry.word = "Wordloom" + std::to_string(i);
      }
      entry.posCode = pick(posCodes);
      if (random() % 5 == 0) entry.comment = pick(comments);
      dictionary.entries.push_back(std::move(entry));
    }
    file.dictionaries.push_back(std::move(dictionary));
  }
  return file;
}

const UserDictionaryFile& sampleFile() {
  static const UserDictionaryFile file = realisticFile();
  return file;
}

const std::string& sampleBytes() {
  static const std::string bytes = sampleFile().serialized();
  return bytes;
}

void reportAllocations(benchmark::State& state, long allocations) {
  state.counters["allocs/op"] =
      benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
}

void OursParse(benchmark::State& state) {
  const std::string& bytes = sampleBytes();
  const long before = allocationCount();
  for (auto _ : state) {
    UserDictionaryFile file = UserDictionaryFile::parse(bytes);
    benchmark::DoNotOptimize(file);
  }
  reportAllocations(state, allocationCount() - before);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(OursParse)->Unit(benchmark::kMillisecond);

void ProtobufParse(benchmark::State& state) {
  const std::string& bytes = sampleBytes();
  const long before = allocationCount();
  for (auto _ : state) {
    wordloom::oracle::File file;
    if (!file.ParseFromString(bytes)) state.SkipWithError("protobuf refused the file");
    benchmark::DoNotOptimize(file);
  }
  reportAllocations(state, allocationCount() - before);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(ProtobufParse)->Unit(benchmark::kMillisecond);

void OursSerialize(benchmark::State& state) {
  const UserDictionaryFile& file = sampleFile();
  std::size_t size = 0;
  for (auto _ : state) {
    std::string bytes = file.serialized();
    size = bytes.size();
    benchmark::DoNotOptimize(bytes);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(OursSerialize)->Unit(benchmark::kMillisecond);

void ProtobufSerialize(benchmark::State& state) {
  wordloom::oracle::File message;
  message.ParseFromString(sampleBytes());
  std::size_t size = 0;
  for (auto _ : state) {
    std::string bytes = message.SerializeAsString();
    size = bytes.size();
    benchmark::DoNotOptimize(bytes);
  }
  if (size != sampleBytes().size()) state.SkipWithError("protobuf wrote another size");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(ProtobufSerialize)->Unit(benchmark::kMillisecond);

// Diffing compares and hashes entries by the thousand; in the common case
// (texts already in NFC) that must not allocate.
void EntryEqualityAndHash(benchmark::State& state) {
  const auto& entries = sampleFile().dictionaries[0].entries;
  std::vector<DictEntry> copies(entries.begin(), entries.begin() + 1000);
  std::size_t sink = 0;
  for (const DictEntry& e : copies) sink += DictEntryHash{}(e);  // fills the NFC table once
  const long before = allocationCount();
  for (auto _ : state) {
    for (std::size_t i = 0; i < copies.size(); ++i) {
      sink += entries[i] == copies[i];
      sink += entries[i] == copies[(i + 1) % copies.size()];
      sink += DictEntryHash{}(copies[i]) + DictEntryKeyHash{}(copies[i]);
      sink += DictEntryKeyEqual{}(entries[i], copies[i]);
    }
  }
  benchmark::DoNotOptimize(sink);
  reportAllocations(state, allocationCount() - before);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * copies.size()));
}
BENCHMARK(EntryEqualityAndHash);

}  // namespace
