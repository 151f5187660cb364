#include <gtest/gtest.h>

#include <random>
#include <string>

#include "dictionary_samples.h"
#include "reference_reader.h"

namespace {

// A small valid file with one to three random damages.
std::string damagedFile(DictionarySamples& samples, std::mt19937& random) {
  UserDictionaryFile file;
  if (samples.chance(2)) file.version = samples.version();
  for (int i = samples.below(4); i > 0; --i) {
    UserDictionary d{
        samples.below(3) == 0 ? 0u : 7u, !samples.chance(3), samples.chance(8) ? "" : "辞書", {}};
    for (int j = samples.below(5); j > 0; --j)
      d.entries.push_back({"よみ", "語", 1 + samples.below(44), "c"});
    file.dictionaries.push_back(d);
  }
  std::string bytes = file.serialized();
  for (int edits = 1 + samples.below(3); edits > 0 && !bytes.empty(); --edits) {
    const std::size_t at = random() % bytes.size();
    switch (samples.below(4)) {
      case 0:
        bytes[at] = static_cast<char>(random());
        break;
      case 1:
        bytes.erase(at, 1 + random() % 3);
        break;
      case 2:
        bytes.insert(at, 1, static_cast<char>(random() % 0x30));
        break;
      default:
        bytes[at] = static_cast<char>(bytes[at] ^ (1 << (random() % 8)));
    }
  }
  return bytes;
}

// Damaged files of every kind: the fast reader must fail exactly where and
// how the plain one does, and read the same value when it does not fail.
TEST(ReaderAgreement, FastReaderAgreesWithThePlainOneOnDamagedFiles) {
  DictionarySamples samples(5);
  std::mt19937 random(6);
  int failures = 0, successes = 0;
  for (int round = 0; round < 3000; ++round) {
    const std::string bytes = damagedFile(samples, random);
    const auto fast = ReferenceReader::outcome(UserDictionaryFile::parse, bytes);
    const auto plain = ReferenceReader::outcome(ReferenceReader::file, bytes);
    ASSERT_TRUE(ReferenceReader::same(fast, plain)) << "round " << round;
    ++(std::holds_alternative<UserDictionaryFile>(fast) ? successes : failures);
  }
  // Both sides of the comparison must be exercised.
  EXPECT_GT(failures, 1000);
  EXPECT_GT(successes, 300);
}

// The reader that leaves the words encoded refuses what the decoding one
// refuses, with the same error, and its words decode to the same bytes, on
// damaged files and on the codec's hardest valid ones.
TEST(ReaderAgreement, WordsLeftEncodedReadAsTheDecodingReaderReadsThem) {
  DictionarySamples samples(7);
  std::mt19937 random(8);
  const auto encoded = [](std::string_view bytes) {
    return EncodedUserDictionaryFile::parse(bytes).decoded();
  };
  for (int round = 0; round < 3000; ++round) {
    const std::string bytes =
        round % 3 == 0 ? samples.file().serialized() : damagedFile(samples, random);
    ASSERT_TRUE(ReferenceReader::same(ReferenceReader::outcome(encoded, bytes),
                                      ReferenceReader::outcome(UserDictionaryFile::parse, bytes)))
        << "round " << round;
  }
}

}  // namespace
