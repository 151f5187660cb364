#include "model/user_dictionary_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/proto_wire.h"
#include "support/temp_dir.h"

namespace {

using namespace std::string_literals;
using ProtoWire::bytesField;
using ProtoWire::stringField;
using ProtoWire::varintField;
using Error = DictionaryFileError;

std::string entryBytes(std::string_view reading, std::string_view word, std::uint64_t pos) {
  return stringField(1, reading) + stringField(2, word) + varintField(5, pos);
}
std::string named(std::string_view name, const std::string& rest = "") {
  return varintField(1, 1) + stringField(3, name) + rest;
}
std::string withEntry(const std::string& entry) {
  return bytesField(4, entry);
}
std::string dictionary(const std::string& message) {
  return bytesField(2, message);
}
const std::string goodEntry = withEntry(entryBytes("よみ", "語", 1));

Error::Case unknownField(std::string place, std::int64_t number) {
  return Error::UnknownField{std::move(place), number};
}
Error::Case wrongType(std::string place, std::int64_t number) {
  return Error::WrongType{std::move(place), number};
}
Error::Case invalidUtf8(std::string place) {
  return Error::InvalidUTF8{std::move(place)};
}
Error::Case unknownPos(std::string dictionary, std::string reading, std::uint64_t code) {
  return Error::UnknownPOS{std::move(dictionary), std::move(reading), code};
}
Error::Case missingName(std::int64_t index) {
  return Error::MissingName{index};
}

Error::Case errorOf(std::string_view bytes) {
  try {
    UserDictionaryFile::parse(bytes);
  } catch (const Error& error) {
    return error.errorCase();
  }
  ADD_FAILURE() << "no DictionaryFileError";
  return Error::MissingName{-1};
}

std::string descriptionOf(std::string_view bytes) {
  try {
    UserDictionaryFile::parse(bytes);
  } catch (const std::exception& error) {
    return error.what();
  }
  ADD_FAILURE() << "parsed without error";
  return {};
}

ProtoError::Case protoErrorOf(std::string_view bytes) {
  try {
    UserDictionaryFile::parse(bytes);
  } catch (const ProtoError& error) {
    return error.errorCase();
  }
  ADD_FAILURE() << "no ProtoError";
  return ProtoError::UnsupportedWireType{-1};
}

TEST(UserDictionaryFile, EmptyBytesAreAnEmptyFile) {
  EXPECT_EQ(UserDictionaryFile::parse(""), UserDictionaryFile{});
  EXPECT_EQ(UserDictionaryFile{}.serialized(), "");
}

TEST(UserDictionaryFile, WritesFieldsInTheWritersOrder) {
  UserDictionaryFile file;
  file.version = 7;
  file.dictionaries.push_back({3, true, "人名", {{"あ", "亜", 5, ""}}});
  file.dictionaries.push_back({300, false, "b", {{"", "", 44, "c"}}});
  const std::string firstEntry = "\x0a\x03\xe3\x81\x82\x12\x03\xe4\xba\x9c\x22\x00\x28\x05"s;
  const std::string first = "\x08\x03\x1a\x06\xe4\xba\xba\xe5\x90\x8d\x22\x0e"s + firstEntry;
  const std::string secondEntry =
      "\x0a\x00\x12\x00\x22\x01"
      "c\x28\x2c"s;
  const std::string second =
      "\x08\xac\x02\x10\x00\x1a\x01"
      "b\x22\x09"s +
      secondEntry;
  EXPECT_EQ(file.serialized(), "\x08\x07\x12\x1a"s + first + "\x12\x13"s + second);
}

TEST(UserDictionaryFile, VersionKeepsAll64Bits) {
  UserDictionaryFile file;
  file.version = -1;
  EXPECT_EQ(file.serialized(), "\x08\xff\xff\xff\xff\xff\xff\xff\xff\xff\x01"s);
  EXPECT_EQ(UserDictionaryFile::parse(file.serialized()).version, -1);
  EXPECT_EQ(UserDictionaryFile::parse(varintField(1, 1ull << 63)).version,
            std::numeric_limits<std::int64_t>::min());
  // The last version field wins; a file without one has none, not 0.
  EXPECT_EQ(UserDictionaryFile::parse(varintField(1, 4) + varintField(1, 9)).version, 9);
  EXPECT_EQ(UserDictionaryFile::parse(dictionary(named("a"))).version, std::nullopt);
}

TEST(UserDictionaryFile, AbsentFieldsTakeTheirDefaults) {
  const auto file = UserDictionaryFile::parse(
      dictionary(stringField(3, "辞書") + withEntry("") + withEntry(stringField(2, "語"))));
  ASSERT_EQ(file.dictionaries.size(), 1u);
  const UserDictionary& d = file.dictionaries[0];
  EXPECT_EQ(d.id, 0u);
  EXPECT_TRUE(d.enabled);
  EXPECT_EQ(d.name, "辞書");
  EXPECT_EQ(d.entries, (std::vector<DictEntry>{{"", "", 1, ""}, {"", "語", 1, ""}}));
}

TEST(UserDictionaryFile, AnyNonZeroEnabledIsEnabledAndOnlyDisabledIsWritten) {
  const auto enabledBy = [](std::uint64_t value) {
    return UserDictionaryFile::parse(dictionary(named("a", varintField(2, value))))
        .dictionaries[0]
        .enabled;
  };
  EXPECT_TRUE(enabledBy(5));
  EXPECT_TRUE(enabledBy(1));
  EXPECT_TRUE(enabledBy(std::numeric_limits<std::uint64_t>::max()));
  EXPECT_FALSE(enabledBy(0));

  const auto fieldsOf = [](bool enabled) {
    UserDictionaryFile file;
    file.dictionaries.push_back({1, enabled, "a", {}});
    const auto top = ProtoWire::parse(file.serialized());
    return ProtoWire::parse(std::get<ProtoValue::Bytes>(top.at(0).value.value).value);
  };
  const auto disabled = fieldsOf(false);
  ASSERT_EQ(disabled.size(), 3u);
  EXPECT_EQ(disabled[1], (ProtoField{2, {ProtoValue::Varint{0}}}));
  EXPECT_EQ(fieldsOf(true).size(), 2u);
}

TEST(UserDictionaryFile, LaterSingleFieldsReplaceEarlierOnes) {
  const std::string entry = stringField(1, "x") + stringField(1, "よみ") + stringField(2, "語") +
                            varintField(5, 45) + varintField(5, 3) + stringField(4, "a") +
                            stringField(4, "");
  const auto file = UserDictionaryFile::parse(
      dictionary(varintField(1, 8) + stringField(3, "旧") + varintField(1, 9) + varintField(2, 0) +
                 stringField(3, "新") + varintField(2, 2) + withEntry(entry)));
  const UserDictionary& d = file.dictionaries.at(0);
  EXPECT_EQ(d.id, 9u);
  EXPECT_TRUE(d.enabled);
  EXPECT_EQ(d.name, "新");
  EXPECT_EQ(d.entries, (std::vector<DictEntry>{{"よみ", "語", 3, ""}}));
}

TEST(UserDictionaryFile, DictionariesAndEntriesKeepFileOrderAndDuplicates) {
  const auto file =
      UserDictionaryFile::parse(dictionary(named("同じ", withEntry(entryBytes("b", "2", 2)) +
                                                             withEntry(entryBytes("a", "1", 1)) +
                                                             withEntry(entryBytes("a", "1", 1)))) +
                                dictionary(named("同じ")));
  ASSERT_EQ(file.dictionaries.size(), 2u);
  EXPECT_EQ(file.dictionaries[1].name, "同じ");
  EXPECT_EQ(file.dictionaries[0].entries,
            (std::vector<DictEntry>{{"b", "2", 2}, {"a", "1", 1}, {"a", "1", 1}}));
}

TEST(UserDictionaryFile, MissingOrEmptyNameRefusesTheDictionary) {
  EXPECT_EQ(errorOf(dictionary(varintField(1, 1) + goodEntry)), missingName(0));
  EXPECT_EQ(descriptionOf(dictionary(varintField(1, 1) + goodEntry)),
            "名前のない辞書があります（1 番目）");
  const std::string bytes = dictionary(named("a")) + dictionary(named("b")) + dictionary(named(""));
  EXPECT_EQ(errorOf(bytes), missingName(2));
  EXPECT_EQ(descriptionOf(bytes), "名前のない辞書があります（3 番目）");
  // An earlier non-empty name does not save a dictionary whose last name is empty.
  EXPECT_EQ(errorOf(dictionary(stringField(3, "a") + stringField(3, ""))), missingName(0));
}

TEST(UserDictionaryFile, PartOfSpeechOutsideTheTableIsRefused) {
  for (std::uint64_t code : std::initializer_list<std::uint64_t>{
           0, 45, 1ull << 32 | 1, 1ull << 63 | 1, std::numeric_limits<std::uint64_t>::max()}) {
    const std::string bytes =
        dictionary(named("漢字", withEntry(entryBytes("かんじ", "漢字", code))));
    EXPECT_EQ(errorOf(bytes), unknownPos("漢字", "かんじ", code));
    EXPECT_EQ(descriptionOf(bytes),
              "知らない品詞の番号があります（辞書「漢字」のよみ「かんじ」、番号 " +
                  std::to_string(code) + "）");
  }
  for (std::uint64_t code : {std::uint64_t{1}, std::uint64_t{44}}) {
    EXPECT_EQ(
        UserDictionaryFile::parse(dictionary(named("a", withEntry(entryBytes("r", "w", code)))))
            .dictionaries[0]
            .entries[0]
            .posCode,
        static_cast<std::int64_t>(code));
  }
}

TEST(UserDictionaryFile, UnknownFieldsAreRefusedAtEveryLevel) {
  const std::string tail =
      "）。Mozc の更新で形式が変わった可能性があるので、書き換えを停止しました";
  // The second dictionary's entry has field 10.
  const std::string entryTen =
      dictionary(named("a")) +
      dictionary(named("人名辞書", withEntry(entryBytes("r", "w", 1) + varintField(10, 1))));
  EXPECT_EQ(errorOf(entryTen), unknownField("辞書「人名辞書」の語", 10));
  EXPECT_EQ(descriptionOf(entryTen),
            "辞書ファイルに知らない項目があります（辞書「人名辞書」の語 の項目 10" + tail);

  for (const std::string& field3 : {varintField(3, 1), stringField(3, "x")}) {
    EXPECT_EQ(errorOf(dictionary(named("a", withEntry(field3)))), unknownField("辞書「a」の語", 3));
  }
  EXPECT_EQ(errorOf(dictionary(named("a", withEntry(varintField(0, 1))))),
            unknownField("辞書「a」の語", 0));
  EXPECT_EQ(errorOf(dictionary(named("a")) + dictionary(named("b", varintField(5, 1)))),
            unknownField("2 番目の辞書", 5));
  EXPECT_EQ(errorOf(dictionary(named("a", stringField(6, "")))), unknownField("1 番目の辞書", 6));
  EXPECT_EQ(errorOf(varintField(3, 1)), unknownField("ファイル全体", 3));
  EXPECT_EQ(descriptionOf(stringField(10, "")),
            "辞書ファイルに知らない項目があります（ファイル全体 の項目 10" + tail);
  EXPECT_EQ(errorOf(varintField(0, 0)), unknownField("ファイル全体", 0));
}

TEST(UserDictionaryFile, KnownFieldsOfTheOtherWireTypeAreRefused) {
  EXPECT_EQ(errorOf(stringField(1, "")), wrongType("ファイル全体", 1));
  EXPECT_EQ(descriptionOf(stringField(1, "")),
            "辞書ファイルの形式が想定と違います（ファイル全体 の項目 1）");
  EXPECT_EQ(errorOf(varintField(2, 0)), wrongType("ファイル全体", 2));
  EXPECT_EQ(errorOf(dictionary(stringField(1, "") + stringField(3, "a"))),
            wrongType("1 番目の辞書", 1));
  EXPECT_EQ(errorOf(dictionary(named("a", stringField(2, "")))), wrongType("1 番目の辞書", 2));
  EXPECT_EQ(errorOf(dictionary(named("a")) + dictionary(varintField(3, 1))),
            wrongType("2 番目の辞書", 3));
  EXPECT_EQ(errorOf(dictionary(named("a", varintField(4, 1)))), wrongType("1 番目の辞書", 4));
  EXPECT_EQ(descriptionOf(dictionary(named("a", varintField(4, 1)))),
            "辞書ファイルの形式が想定と違います（1 番目の辞書 の項目 4）");
  for (int number : {1, 2, 4}) {
    EXPECT_EQ(errorOf(dictionary(named("語彙", withEntry(varintField(number, 0))))),
              wrongType("辞書「語彙」の語", number));
  }
  EXPECT_EQ(errorOf(dictionary(named("語彙", withEntry(stringField(5, ""))))),
            wrongType("辞書「語彙」の語", 5));
}

TEST(UserDictionaryFile, TextsMustBeStrictUtf8) {
  // Overlongs, surrogates, beyond U+10FFFF, cut sequences, stray bytes; also
  // after runs of ASCII and of three-byte characters.
  for (const std::string& bad : {"\xc0\x80"s, "\xe0\x80\x80"s, "\xe0\x9f\xbf"s, "\xf0\x80\x80\x80"s,
                                 "\xed\xa0\x80"s, "\xe3\x81"s, "\xff"s, "\xf4\x90\x80\x80"s,
                                 "a\x80"s, "abcdefgh\xff"s, "abcdefghijklmnop\xe3"s, "あ\xc0"s,
                                 "あいう\xed\xbf\xbf"s, "あ\xe3\x81\x41"s, "😀\xf0\x9f\x98"s}) {
    const std::string thirdName =
        dictionary(named("a")) + dictionary(named("b")) + dictionary(named(bad));
    EXPECT_EQ(errorOf(thirdName), invalidUtf8("3 番目の辞書"));
    EXPECT_EQ(descriptionOf(thirdName),
              "辞書ファイルの文字列が UTF-8 として読めません（3 番目の辞書）");
    for (int number : {1, 2, 4}) {
      const std::string entry = dictionary(named("漢字", withEntry(stringField(number, bad))));
      EXPECT_EQ(errorOf(entry), invalidUtf8("辞書「漢字」の語"));
      EXPECT_EQ(descriptionOf(entry),
                "辞書ファイルの文字列が UTF-8 として読めません（辞書「漢字」の語）");
    }
  }
  // A bad text later replaced is still refused: every occurrence is decoded.
  EXPECT_EQ(
      errorOf(dictionary(named("a", withEntry(stringField(1, "\xff"s) + stringField(1, "ok"))))),
      invalidUtf8("辞書「a」の語"));
  const auto file =
      UserDictionaryFile::parse(dictionary(named("a", withEntry(entryBytes("\0\t\n"s, "😀𠮷", 1)))));
  EXPECT_EQ(file.dictionaries[0].entries[0].reading, "\0\t\n"s);
  for (const std::string& good :
       {"\xe0\xa0\x80"s, "\xed\x9f\xbf"s, "\xee\x80\x80"s, "\xef\xbf\xbf"s, "\xf4\x8f\xbf\xbf"s,
        "abcdefghあいうえお😀é\x7f"s}) {
    EXPECT_EQ(UserDictionaryFile::parse(dictionary(named(good))).dictionaries[0].name, good);
  }
}

TEST(UserDictionaryFile, WireErrorsInsideNestedMessagesSurfaceUnchanged) {
  EXPECT_EQ(protoErrorOf(dictionary("\x08"s)), ProtoError::Case{ProtoError::Truncated{}});
  EXPECT_EQ(protoErrorOf(dictionary(named("a", withEntry("\x0d\x00\x00\x00\x00"s)))),
            ProtoError::Case{ProtoError::UnsupportedWireType{5}});
  EXPECT_EQ(protoErrorOf("\x12\x05\x08"s), ProtoError::Case{ProtoError::Truncated{}});
  EXPECT_EQ(descriptionOf("\x12\x05\x08"s), "辞書ファイルのデータが途中で終わっています");
}

// The first problem in file order is reported; a level's own fields come
// before its entries, and a level's wire errors before the meaning of its
// fields.
TEST(UserDictionaryFile, ReportsTheFirstProblemInReadingOrder) {
  const std::string badEntry = withEntry(entryBytes("r", "w", 99));
  EXPECT_EQ(errorOf(dictionary(named("a", badEntry + varintField(7, 1)))),
            unknownField("1 番目の辞書", 7));
  EXPECT_EQ(errorOf(dictionary(varintField(1, 1) + badEntry)), missingName(0));
  EXPECT_EQ(errorOf(dictionary(varintField(7, 1))), unknownField("1 番目の辞書", 7));
  EXPECT_EQ(errorOf(dictionary(named("a", badEntry)) + dictionary(named(""))),
            unknownPos("a", "r", 99));
  EXPECT_EQ(errorOf(dictionary(named("a", withEntry(varintField(5, 0) + varintField(3, 0))))),
            unknownField("辞書「a」の語", 3));
  EXPECT_EQ(errorOf(dictionary(named("a", withEntry(stringField(1, "\xff"s) + varintField(3, 0))))),
            invalidUtf8("辞書「a」の語"));

  // A broken wire further on in the same level wins over a refused field.
  EXPECT_EQ(protoErrorOf(dictionary(named("a", varintField(7, 1))) + "\x12\x09"s),
            ProtoError::Case{ProtoError::Truncated{}});
  EXPECT_EQ(protoErrorOf(varintField(3, 1) + "\x0b"s),
            ProtoError::Case{ProtoError::UnsupportedWireType{3}});
  EXPECT_EQ(protoErrorOf(dictionary(named("a", varintField(7, 1) + "\x22\x07"s))),
            ProtoError::Case{ProtoError::Truncated{}});
  EXPECT_EQ(protoErrorOf(dictionary(named("a", withEntry(varintField(3, 1) + "\x2d"s)))),
            ProtoError::Case{ProtoError::UnsupportedWireType{5}});
  // ...but entries are only read once their dictionary's level is sound.
  EXPECT_EQ(protoErrorOf(dictionary(named("a", badEntry + "\x08"s))),
            ProtoError::Case{ProtoError::Truncated{}});
}

TEST(UserDictionaryFile, EqualityIsCanonicalOnNamesAndOrderedOnLists) {
  const UserDictionary base{1, true, "ガ行", {{"a", "b"}, {"c", "d"}}};
  EXPECT_EQ(base, (UserDictionary{1, true, "カ\u3099行", {{"a", "b"}, {"c", "d"}}}));
  EXPECT_NE(base, (UserDictionary{1, true, "ガ行", {{"c", "d"}, {"a", "b"}}}));
  EXPECT_NE(base, (UserDictionary{2, true, "ガ行", {{"a", "b"}, {"c", "d"}}}));
  EXPECT_NE(base, (UserDictionary{1, false, "ガ行", {{"a", "b"}, {"c", "d"}}}));
  EXPECT_NE(base, (UserDictionary{1, true, "ガ行", {{"a", "b"}}}));
  UserDictionaryFile withVersion{0, {base}};
  EXPECT_NE(withVersion, (UserDictionaryFile{std::nullopt, {base}}));
  EXPECT_EQ(withVersion, (UserDictionaryFile{0, {base}}));
}

TEST(UserDictionaryFile, ReadsFromDisk) {
  TempDir dir;
  UserDictionaryFile file{3, {{5, true, "辞書", {{"よみ", "読み", 2, "メモ"}}}}};
  {
    std::ofstream out(dir / "user_dictionary.db", std::ios::binary);
    out << file.serialized();
  }
  EXPECT_EQ(UserDictionaryFile::read(dir / "user_dictionary.db"), file);
  EXPECT_THROW(UserDictionaryFile::read(dir / "missing.db"), std::filesystem::filesystem_error);
  {
    std::ofstream out(dir / "bad.db", std::ios::binary);
    out << "\x0d"s;
  }
  EXPECT_THROW(UserDictionaryFile::read(dir / "bad.db"), ProtoError);
}

// Words are kept as offsets from the first: one that cannot be told that way
// must be refused, not read back as other bytes.
TEST(MessageList, KeepsViewsOfOneBufferAndRefusesAMessageBeforeTheFirst) {
  const std::string buffer = "0123456789";
  const std::string_view all(buffer);
  MessageList list;
  list.push_back(all.substr(4, 2));
  list.push_back(all.substr(4, 0));
  list.push_back(all.substr(7, 3));
  EXPECT_EQ(std::vector<std::string_view>(list.begin(), list.end()),
            (std::vector<std::string_view>{"45", "", "789"}));
  EXPECT_THROW(list.push_back(all.substr(3, 1)), std::length_error);
  EXPECT_EQ(list.size(), 3u);
}

}  // namespace
