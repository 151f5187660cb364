#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "dictionary_samples.h"
#include "model/proto_wire.h"
#include "model/user_dictionary_file.h"

namespace {

// The reflect verifies every write by reading it back, so decoding what was
// written must give the same value for every file the writer can be handed.
TEST(RoundTrip, ParseOfSerializedIsTheSameFile) {
  DictionarySamples samples(2024);
  std::size_t dictionaries = 0, entries = 0;
  for (int round = 0; round < 3000; ++round) {
    const UserDictionaryFile file = samples.file();
    const std::string bytes = file.serialized();
    const UserDictionaryFile back = UserDictionaryFile::parse(bytes);
    ASSERT_EQ(back, file) << "round " << round;
    // Equality is canonical; the bytes show that no text was altered either.
    ASSERT_EQ(back.serialized(), bytes) << "round " << round;
    dictionaries += file.dictionaries.size();
    for (const auto& d : file.dictionaries) entries += d.entries.size();
  }
  // The generator must actually reach the interesting sizes.
  EXPECT_GT(dictionaries, 3000u);
  EXPECT_GT(entries, 30000u);
}

TEST(RoundTrip, LongTextsNeedMultiByteLengths) {
  for (std::size_t length : {127u, 128u, 16383u, 16384u, 2097152u}) {
    UserDictionaryFile file{std::nullopt, {{1, true, std::string(length, 'n'), {}}}};
    file.dictionaries[0].entries.push_back(
        {std::string(length, 'r'), "w", 1, std::string(length, 'c')});
    const std::string bytes = file.serialized();
    EXPECT_EQ(UserDictionaryFile::parse(bytes), file) << length;
    EXPECT_EQ(bytes.size(), file.serialized().size());
  }
}

// A reflect writes the new file from words left encoded, a piece at a time:
// whatever the pieces, they must join into the bytes the whole-file writer
// gives, with the size announced beforehand.
TEST(RoundTrip, WritingInPiecesGivesTheSerializedBytes) {
  DictionarySamples samples(77);
  for (int round = 0; round < 400; ++round) {
    const std::string bytes = samples.file().serialized();
    const EncodedUserDictionaryFile encoded = EncodedUserDictionaryFile::parse(bytes);
    ASSERT_EQ(encoded.serializedSize(), bytes.size()) << "round " << round;
    for (const std::size_t piece :
         {std::size_t{1}, std::size_t{7}, std::size_t{100}, std::size_t{1} << 20}) {
      std::string joined;
      encoded.write([&](std::string_view p) { joined.append(p); }, piece);
      ASSERT_EQ(joined, bytes) << "round " << round << ", pieces of " << piece;
    }
  }
}

// Decoding and encoding a file written by someone else normalises its layout
// but keeps every value.
TEST(RoundTrip, ForeignLayoutIsNormalisedButValuesKept) {
  using ProtoWire::bytesField;
  using ProtoWire::stringField;
  using ProtoWire::varintField;
  const std::string entry =
      varintField(5, 7) + stringField(2, "語") + stringField(1, "x") + stringField(1, "よみ");
  const std::string foreign = bytesField(2, stringField(3, "辞書") + varintField(2, 1) +
                                                bytesField(4, entry) + varintField(1, 4)) +
                              varintField(1, 3);
  const UserDictionaryFile file = UserDictionaryFile::parse(foreign);
  const std::string expectedEntry =
      stringField(1, "よみ") + stringField(2, "語") + stringField(4, "") + varintField(5, 7);
  EXPECT_EQ(file.serialized(),
            varintField(1, 3) + bytesField(2, varintField(1, 4) + stringField(3, "辞書") +
                                                  bytesField(4, expectedEntry)));
  EXPECT_EQ(UserDictionaryFile::parse(file.serialized()), file);
}

}  // namespace
