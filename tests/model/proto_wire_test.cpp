#include "model/proto_wire.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

ProtoField varintField(std::int64_t number, std::uint64_t value) {
  return {number, {ProtoValue::Varint{value}}};
}
ProtoField bytesField(std::int64_t number, std::string value) {
  return {number, {ProtoValue::Bytes{std::move(value)}}};
}

ProtoError parseError(std::string_view bytes) {
  try {
    ProtoWire::parse(bytes);
  } catch (const ProtoError& error) {
    return error;
  }
  ADD_FAILURE() << "parsed without error";
  return ProtoError(ProtoError::Truncated{});
}

const ProtoError::Case truncated = ProtoError::Truncated{};

TEST(ProtoWire, ParsesFieldsInInputOrder) {
  EXPECT_EQ(ProtoWire::parse(""), std::vector<ProtoField>{});
  EXPECT_EQ(ProtoWire::parse("\x12\x00"s), std::vector{bytesField(2, "")});
  EXPECT_EQ(ProtoWire::parse("\x00\x01"s), std::vector{varintField(0, 1)});
  EXPECT_EQ(ProtoWire::parse("\x08\x96\x01\x1a\x03"
                             "abc\x08\x00\xf8\xff\xff\xff\x0f\x07"s),
            (std::vector{varintField(1, 150), bytesField(3, "abc"), varintField(1, 0),
                         varintField(0x1fffffff, 7)}));
}

TEST(ProtoWire, MissingBytesAreTruncated) {
  for (const std::string& bytes : {
           "\x08"s,                  // key, no value
           "\x0a\x05\x41"s,          // length 5, one byte
           "\x0a"s,                  // key, no length
           "\x08\x80"s,              // varint cut inside
           "\x80"s,                  // key cut inside
           "\x0a\x01\x41\x0a\x02"s,  // the second field cut
       }) {
    const ProtoError error = parseError(bytes);
    EXPECT_EQ(error.errorCase(), truncated);
    EXPECT_STREQ(error.what(), "辞書ファイルのデータが途中で終わっています");
  }
}

TEST(ProtoWire, LengthsBeyondTheInputAreTruncatedNotOverflowed) {
  // Lengths that wrap a 64-bit position or a size_t must not read outside.
  for (const std::string& length :
       {ProtoWire::varint(std::numeric_limits<std::uint64_t>::max()),
        ProtoWire::varint(std::numeric_limits<std::uint64_t>::max() - 1),
        ProtoWire::varint(1ull << 63), ProtoWire::varint(2)}) {
    EXPECT_EQ(parseError("\x0a" + length + "x").errorCase(), truncated);
  }
}

TEST(ProtoWire, OnlyVarintAndLengthDelimitedAreRead) {
  for (int wireType : {1, 3, 4, 5, 6, 7}) {
    const std::string bytes{static_cast<char>(1 << 3 | wireType), 0, 0, 0, 0, 0, 0, 0, 0};
    const ProtoError error = parseError(bytes);
    EXPECT_EQ(error.errorCase(), ProtoError::Case{ProtoError::UnsupportedWireType{wireType}});
    EXPECT_EQ(error.what(), "辞書ファイルに対応していない形式があります（形式の番号 " +
                                std::to_string(wireType) + "）");
  }
  EXPECT_STREQ(parseError("\x0d"s).what(),
               "辞書ファイルに対応していない形式があります（形式の番号 5）");
  // The first error met wins, even when a later one is of another kind.
  EXPECT_EQ(parseError("\x0d\x0a\x09"s).errorCase(),
            ProtoError::Case{ProtoError::UnsupportedWireType{5}});
}

TEST(ProtoWire, VarintsHaveAtMostTenBytesAndDropBitsAbove63) {
  std::size_t position = 0;
  EXPECT_EQ(ProtoWire::readVarint("\x80\x80\x80\x80\x80\x80\x80\x80\x80\x01"s, position),
            1ull << 63);
  EXPECT_EQ(position, 10u);
  position = 0;
  EXPECT_EQ(ProtoWire::readVarint("\xff\xff\xff\xff\xff\xff\xff\xff\xff\x7f"s, position),
            std::numeric_limits<std::uint64_t>::max());
  position = 0;
  EXPECT_EQ(ProtoWire::readVarint("\x80\x80\x80\x80\x80\x80\x80\x80\x80\x7e"s, position), 0u);
  position = 0;
  EXPECT_THROW(ProtoWire::readVarint("\xff\xff\xff\xff\xff\xff\xff\xff\xff\x81\x01"s, position),
               ProtoError);
  EXPECT_EQ(parseError("\x08\x80\x80\x80\x80\x80\x80\x80\x80\x80\x80\x00"s).errorCase(), truncated);
  // A key of ten bytes is read like any varint.
  EXPECT_EQ(ProtoWire::parse("\x88\x80\x80\x80\x80\x80\x80\x80\x80\x01\x05"s),
            std::vector{varintField(std::int64_t{1} << 60 | 1, 5)});
}

TEST(ProtoWire, ReadVarintAdvancesOnlyOverItsBytes) {
  const std::string bytes = "\xac\x02\x05"s;
  std::size_t position = 0;
  EXPECT_EQ(ProtoWire::readVarint(bytes, position), 300u);
  EXPECT_EQ(position, 2u);
  EXPECT_EQ(ProtoWire::readVarint(bytes, position), 5u);
  EXPECT_EQ(position, 3u);
  EXPECT_THROW(ProtoWire::readVarint(bytes, position), ProtoError);
}

TEST(ProtoWire, ASliceIsBoundedByItselfNotByWhatFollows) {
  const std::string whole =
      "\x0a\x03"
      "abc\x0a\x01x"s;
  EXPECT_EQ(ProtoWire::parse(std::string_view(whole).substr(0, 5)),
            std::vector{bytesField(1, "abc")});
  EXPECT_EQ(parseError(std::string_view(whole).substr(0, 4)).errorCase(), truncated);
  EXPECT_EQ(ProtoWire::parse(std::string_view(whole).substr(5)), std::vector{bytesField(1, "x")});
}

TEST(ProtoWire, WritesTheWireFormat) {
  EXPECT_EQ(ProtoWire::varint(0), "\x00"s);
  EXPECT_EQ(ProtoWire::varint(127), "\x7f"s);
  EXPECT_EQ(ProtoWire::varint(128), "\x80\x01"s);
  EXPECT_EQ(ProtoWire::varint(300), "\xac\x02"s);
  EXPECT_EQ(ProtoWire::varint(std::numeric_limits<std::uint64_t>::max()),
            "\xff\xff\xff\xff\xff\xff\xff\xff\xff\x01"s);
  EXPECT_EQ(ProtoWire::varintField(5, 1), "\x28\x01"s);
  EXPECT_EQ(ProtoWire::varintField(16, 0), "\x80\x01\x00"s);
  EXPECT_EQ(ProtoWire::stringField(3, ""), "\x1a\x00"s);
  EXPECT_EQ(ProtoWire::stringField(1, "あ"), "\x0a\x03\xe3\x81\x82"s);
  EXPECT_EQ(ProtoWire::bytesField(2, std::string(300, 'x')),
            "\x12\xac\x02" + std::string(300, 'x'));
  std::string out = "head";
  ProtoWire::appendVarintField(out, 1, 2);
  ProtoWire::appendBytesField(out, 0, "z");
  ProtoWire::appendVarint(out, 1);
  EXPECT_EQ(out, "head\x08\x02\x02\x01z\x01"s);
}

// Whatever the writers produce, the reader gives back field by field.
TEST(ProtoWire, WrittenFieldsReadBack) {
  std::mt19937_64 random(42);
  for (int round = 0; round < 500; ++round) {
    std::vector<ProtoField> fields;
    std::string bytes;
    const int count = static_cast<int>(random() % 12);
    for (int i = 0; i < count; ++i) {
      const std::int64_t number = static_cast<std::int64_t>(random() >> (3 + random() % 61));
      if (random() % 2 == 0) {
        const std::uint64_t value = random() >> (random() % 64);
        fields.push_back(varintField(number, value));
        bytes += ProtoWire::varintField(number, value);
      } else {
        std::string payload(random() % 300, '\0');
        for (char& c : payload) c = static_cast<char>(random());
        fields.push_back(bytesField(number, payload));
        bytes += ProtoWire::bytesField(number, payload);
      }
    }
    ASSERT_EQ(ProtoWire::parse(bytes), fields);
    // Cutting the last byte always leaves an incomplete field.
    if (!bytes.empty()) {
      EXPECT_THROW(ProtoWire::parse(bytes.substr(0, bytes.size() - 1)), ProtoError);
    }
  }
}

TEST(ProtoWire, FieldReaderWalksWithoutCopying) {
  const std::string bytes = "\x08\x07\x12\x02hi"s;
  ProtoWire::FieldReader reader(bytes);
  ProtoWire::FieldView field;
  ASSERT_TRUE(reader.next(field));
  EXPECT_EQ(field.number, 1);
  EXPECT_EQ(field.wireType, 0);
  EXPECT_EQ(field.varint, 7u);
  ASSERT_TRUE(reader.next(field));
  EXPECT_EQ(field.number, 2);
  EXPECT_EQ(field.wireType, 2);
  EXPECT_EQ(field.payload, "hi");
  EXPECT_EQ(field.payload.data(), bytes.data() + 4);
  EXPECT_FALSE(reader.next(field));
}

}  // namespace
