// Checks the reader and writer against protobuf's own codec (protoc), driven by
// a schema written from the same field table.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "dictionary_samples.h"
#include "model/user_dictionary_file.h"
#include "platform/process.h"
#include "support/temp_dir.h"

namespace {

// protoc's text format escapes strings byte by byte like this.
std::string escaped(std::string_view bytes) {
  std::string out = "\"";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\'':
        out += "\\'";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (byte >= 0x20 && byte < 0x7f) {
          out += c;
        } else {
          char octal[5];
          std::snprintf(octal, sizeof octal, "\\%03o", byte);
          out += octal;
        }
    }
  }
  return out + "\"";
}

// The text protoc prints for a file: every field our writer puts on the wire.
std::string decodedText(const UserDictionaryFile& file) {
  std::ostringstream out;
  if (file.version) out << "version: " << *file.version << "\n";
  for (const UserDictionary& d : file.dictionaries) {
    out << "dictionaries {\n  id: " << d.id << "\n";
    if (!d.enabled) out << "  enabled: false\n";
    out << "  name: " << escaped(d.name) << "\n";
    for (const DictEntry& e : d.entries) {
      out << "  entries {\n    reading: " << escaped(e.reading) << "\n    word: " << escaped(e.word)
          << "\n    comment: " << escaped(e.comment) << "\n    pos: " << e.posCode << "\n  }\n";
    }
    out << "}\n";
  }
  return out.str();
}

// Text for protoc to encode, leaving out what may be left out and spelling
// out what our writer would not, so that the reader meets another layout.
std::string textToEncode(const UserDictionaryFile& file, DictionarySamples& random) {
  std::ostringstream out;
  if (file.version) out << "version: " << *file.version << "\n";
  for (const UserDictionary& d : file.dictionaries) {
    out << "dictionaries {\n";
    if (d.id != 0 || random.chance(2)) out << "  id: " << d.id << "\n";
    if (!d.enabled) {
      out << "  enabled: false\n";
    } else if (random.chance(2)) {
      out << "  enabled: true\n";
    }
    out << "  name: " << escaped(d.name) << "\n";
    for (const DictEntry& e : d.entries) {
      out << "  entries {";
      if (!e.reading.empty() || random.chance(2)) out << " reading: " << escaped(e.reading);
      if (!e.word.empty() || random.chance(2)) out << " word: " << escaped(e.word);
      if (!e.comment.empty() || random.chance(2)) out << " comment: " << escaped(e.comment);
      if (e.posCode != 1 || random.chance(2)) out << " pos: " << e.posCode;
      out << " }\n";
    }
    out << "}\n";
  }
  return out.str();
}

class Oracle : public ::testing::Test {
 protected:
  // Runs protoc --encode or --decode on `input`; returns its output.
  std::string protoc(const std::string& mode, const std::string& input) {
    {
      std::ofstream out(dir_ / "in", std::ios::binary);
      out << input;
    }
    const auto result = platform::runProcess(
        "/bin/sh",
        {"-c",
         "exec \"$0\" --proto_path=\"$1\" \"$2\" user_dictionary.proto <\"$3\" >\"$4\" 2>\"$5\"",
         WORDLOOM_PROTOC, WORDLOOM_ORACLE_PROTO_DIR, "--" + mode + "=wordloom.oracle.File",
         (dir_ / "in").string(), (dir_ / "out").string(), (dir_ / "err").string()});
    EXPECT_EQ(result.status, 0) << read("err");
    return read("out");
  }

  std::string read(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // A file with the extremes of every field, besides the random ones.
  static UserDictionaryFile extremes() {
    UserDictionaryFile file;
    file.version = std::numeric_limits<std::int64_t>::min();
    file.dictionaries.push_back({std::numeric_limits<std::uint64_t>::max(),
                                 false,
                                 "\"'\\\x01\x7f",
                                 {{"", "", 44, ""}, {std::string(20000, 'a'), "\t\r\n", 1, "😀"}}});
    file.dictionaries.push_back({0, true, "カ\u3099", {}});
    return file;
  }

  TempDir dir_;
};

// Where two long texts part, instead of both in full.
std::string firstDifference(const std::string& a, const std::string& b) {
  std::size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  const std::size_t from = at < 40 ? 0 : at - 40;
  return "at byte " + std::to_string(at) + ": \"" + a.substr(from, 80) + "\" vs \"" +
         b.substr(from, 80) + "\"";
}

TEST_F(Oracle, ProtobufReadsWhatWeWrite) {
  DictionarySamples samples(11);
  for (int round = 0; round < 25; ++round) {
    const UserDictionaryFile file = round == 0 ? extremes() : samples.file();
    const std::string decoded = protoc("decode", file.serialized());
    const std::string expected = decodedText(file);
    ASSERT_TRUE(decoded == expected)
        << "round " << round << " " << firstDifference(decoded, expected);
  }
}

TEST_F(Oracle, WeReadWhatProtobufWrites) {
  DictionarySamples samples(12);
  for (int round = 0; round < 25; ++round) {
    const UserDictionaryFile file = round == 0 ? extremes() : samples.file();
    const std::string bytes = protoc("encode", textToEncode(file, samples));
    ASSERT_TRUE(UserDictionaryFile::parse(bytes) == file) << "round " << round;
  }
}

}  // namespace
