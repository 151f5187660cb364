#include "model/user_dictionary_file.h"

#include <utility>

#include "model/part_of_speech.h"
#include "model/proto_wire.h"
#include "platform/files.h"
#include "platform/ime_platform.h"
#include "platform/text.h"

namespace {

using ProtoWire::FieldReader;
using ProtoWire::FieldView;

std::string describe(const DictionaryFileError::Case& errorCase) {
  struct Describe {
    std::string operator()(const DictionaryFileError::UnknownField& e) const {
      return "辞書ファイルに知らない項目があります（" + e.place + " の項目 " +
             std::to_string(e.number) + "）。" +
             platformWords().imeThen(
                 "の更新で形式が変わった可能性があるので、書き換えを停止しました");
    }
    std::string operator()(const DictionaryFileError::WrongType& e) const {
      return "辞書ファイルの形式が想定と違います（" + e.place + " の項目 " +
             std::to_string(e.number) + "）";
    }
    std::string operator()(const DictionaryFileError::InvalidUTF8& e) const {
      return "辞書ファイルの文字列が UTF-8 として読めません（" + e.place + "）";
    }
    std::string operator()(const DictionaryFileError::UnknownPOS& e) const {
      return "知らない品詞の番号があります（辞書「" + e.dictionary + "」のよみ「" + e.reading +
             "」、番号 " + std::to_string(e.code) + "）";
    }
    std::string operator()(const DictionaryFileError::MissingName& e) const {
      return "名前のない辞書があります（" + std::to_string(e.index + 1) + " 番目）";
    }
  };
  return std::visit(Describe{}, errorCase);
}

constexpr std::string_view filePlace = "ファイル全体";

std::string dictionaryPlace(std::int64_t index) {
  return std::to_string(index + 1) + " 番目の辞書";
}

std::string entryPlace(std::string_view dictionary) {
  return "辞書「" + std::string(dictionary) + "」の語";
}

// Places are only built once a field is found wanting.
template <class Place>
void checkType(const FieldView& field, int expected, Place&& place) {
  if (field.wireType != expected) {
    throw DictionaryFileError(DictionaryFileError::WrongType{place(), field.number});
  }
}

template <class Place>
[[noreturn]] void unknownField(const FieldView& field, Place&& place) {
  throw DictionaryFileError(DictionaryFileError::UnknownField{place(), field.number});
}

template <class Place>
std::string_view text(const FieldView& field, Place&& place) {
  checkType(field, 2, place);
  if (!platform::isValidUtf8(field.payload)) {
    throw DictionaryFileError(DictionaryFileError::InvalidUTF8{place()});
  }
  return field.payload;
}

// Walks one message level. A level is wire-checked as a whole before its
// fields mean anything, so when a field is refused the rest of the level is
// still walked: a wire error further on is the one reported.
template <class Body>
void walk(std::string_view bytes, Body&& body) {
  FieldReader reader(bytes);
  FieldView field;
  while (reader.next(field)) {
    try {
      body(field);
    } catch (...) {
      while (reader.next(field)) {
      }
      throw;
    }
  }
}

// Reads the usual word: every field one of the four known ones with a
// one-byte key and length (or value), in any order, its texts valid UTF-8
// when `checkTexts`, its part of speech in the table. Anything else is left
// to the general reader, which then says what is wrong; words are read again
// at every look, and this is most of the reading of a large file.
bool readPlain(std::string_view message, DictEntryView& entry, bool checkTexts) {
  entry = {};
  entry.posCode = PartOfSpeech::defaultCode;
  const char* p = message.data();
  const char* const end = p + message.size();
  while (p != end) {
    if (end - p < 2) return false;
    const auto key = static_cast<unsigned char>(p[0]);
    const std::ptrdiff_t value = static_cast<unsigned char>(p[1]);
    if (value >= 0x80) return false;
    const auto text = [&](std::string_view& field) {
      if (end - p - 2 < value) return false;
      field = {p + 2, static_cast<std::size_t>(value)};
      p += 2 + value;
      return !checkTexts || platform::isValidUtf8(field);
    };
    bool plain = true;
    switch (key) {
      case 1 << 3 | 2:
        plain = text(entry.reading);
        break;
      case 2 << 3 | 2:
        plain = text(entry.word);
        break;
      case 4 << 3 | 2:
        plain = text(entry.comment);
        break;
      case 5 << 3:
        entry.posCode = value;
        p += 2;
        break;
      default:
        plain = false;
    }
    if (!plain) return false;
  }
  // The table runs from 1 to 44 without gaps.
  return entry.posCode >= 1 &&
         static_cast<std::size_t>(entry.posCode) <= PartOfSpeech::all().size();
}

DictEntryView parseEntry(std::string_view bytes, std::string_view dictionary) {
  if (DictEntryView entry; readPlain(bytes, entry, true)) return entry;
  const auto place = [&] { return entryPlace(dictionary); };
  std::string_view reading, word, comment;
  std::uint64_t code = PartOfSpeech::defaultCode;
  walk(bytes, [&](const FieldView& field) {
    switch (field.number) {
      case 1:
        reading = text(field, place);
        break;
      case 2:
        word = text(field, place);
        break;
      case 4:
        comment = text(field, place);
        break;
      case 5:
        checkType(field, 0, place);
        code = field.varint;
        break;
      default:
        unknownField(field, place);
    }
  });
  // The table runs from 1 to 44 without gaps.
  if (code < 1 || code > PartOfSpeech::all().size()) {
    throw DictionaryFileError(
        DictionaryFileError::UnknownPOS{std::string(dictionary), std::string(reading), code});
  }
  return {reading, word, static_cast<std::int64_t>(code), comment};
}

// One dictionary into `Dictionary` (UserDictionary or the encoded form), each
// checked word handed to `add` with its message.
template <class Dictionary, class Add>
Dictionary parseDictionary(std::string_view bytes, std::int64_t index, Add&& add) {
  const auto place = [&] { return dictionaryPlace(index); };
  Dictionary dictionary;
  std::string_view name;  // absent and empty alike refuse the dictionary
  std::size_t entryCount = 0;
  walk(bytes, [&](const FieldView& field) {
    switch (field.number) {
      case 1:
        checkType(field, 0, place);
        dictionary.id = field.varint;
        break;
      case 2:
        checkType(field, 0, place);
        dictionary.enabled = field.varint != 0;
        break;
      case 3:
        name = text(field, place);
        break;
      case 4:
        checkType(field, 2, place);
        ++entryCount;
        break;
      default:
        unknownField(field, place);
    }
  });
  if (name.empty()) {
    throw DictionaryFileError(DictionaryFileError::MissingName{index});
  }
  dictionary.name.assign(name);
  // Second walk over a level already checked: only the entries, in order.
  dictionary.entries.reserve(entryCount);
  FieldReader reader(bytes);
  FieldView field;
  while (reader.next(field)) {
    if (field.number == 4) {
      add(dictionary.entries, field.payload, parseEntry(field.payload, dictionary.name));
    }
  }
  return dictionary;
}

template <class File, class Add>
File parseFile(std::string_view bytes, Add&& add) {
  File file;
  const auto place = [] { return std::string(filePlace); };
  std::int64_t index = 0;
  walk(bytes, [&](const FieldView& field) {
    switch (field.number) {
      case 1:
        checkType(field, 0, place);
        file.version = static_cast<std::int64_t>(field.varint);
        break;
      case 2:
        checkType(field, 2, place);
        file.dictionaries.push_back(
            parseDictionary<typename decltype(file.dictionaries)::value_type>(field.payload,
                                                                              index++, add));
        break;
      default:
        unknownField(field, place);
    }
  });
  return file;
}

using ProtoWire::varintSize;

// Every key the writer emits (field 1 to 5) fits in one byte.
std::size_t bytesFieldSize(std::size_t payload) {
  return 1 + varintSize(payload) + payload;
}

std::size_t entrySize(const DictEntryView& entry) {
  return bytesFieldSize(entry.reading.size()) + bytesFieldSize(entry.word.size()) +
         bytesFieldSize(entry.comment.size()) + 1 +
         varintSize(static_cast<std::uint64_t>(entry.posCode));
}

std::size_t dictionarySize(const UserDictionary& dictionary) {
  std::size_t size = 1 + varintSize(dictionary.id) + (dictionary.enabled ? 0 : 2) +
                     bytesFieldSize(dictionary.name.size());
  for (const DictEntry& entry : dictionary.entries) size += bytesFieldSize(entrySize(entry));
  return size;
}

std::size_t fieldsSize(const EncodedUserDictionaryFile::Dictionary& dictionary) {
  std::size_t size = 1 + varintSize(dictionary.id) + (dictionary.enabled ? 0 : 2) +
                     bytesFieldSize(dictionary.name.size());
  for (const std::string_view message : dictionary.entries) size += bytesFieldSize(message.size());
  return size;
}

// Writes into a buffer sized beforehand, so the whole file is one allocation.
class Writer {
 public:
  explicit Writer(char* out) : out_(out) {}
  void varint(std::uint64_t value) { out_ = ProtoWire::encodeVarint(value, out_); }
  void key(int number, int wireType) { *out_++ = static_cast<char>(number << 3 | wireType); }
  void varintField(int number, std::uint64_t value) {
    key(number, 0);
    varint(value);
  }
  void header(int number, std::size_t length) {
    key(number, 2);
    varint(length);
  }
  void bytesField(int number, std::string_view payload) {
    header(number, payload.size());
    payload.copy(out_, payload.size());
    out_ += payload.size();
  }

  char* end() const { return out_; }

 private:
  char* out_;
};

// Room for the longest key and length varint of a field.
constexpr std::size_t fieldHeaderRoom = 1 + 10;

// `entry` through the general field reader, for any layout and length.
DictEntryView slowEntry(std::string_view message) {
  DictEntryView entry;
  entry.posCode = PartOfSpeech::defaultCode;
  FieldReader reader(message);
  FieldView field;
  while (reader.next(field)) {
    switch (field.number) {
      case 1:
        entry.reading = field.payload;
        break;
      case 2:
        entry.word = field.payload;
        break;
      case 4:
        entry.comment = field.payload;
        break;
      default:
        entry.posCode = static_cast<std::int64_t>(field.varint);
    }
  }
  return entry;
}

}  // namespace

DictionaryFileError::DictionaryFileError(Case errorCase)
    : case_(std::move(errorCase)), description_(describe(case_)) {}

bool operator==(const UserDictionary& a, const UserDictionary& b) {
  return a.id == b.id && a.enabled == b.enabled && a.entries.size() == b.entries.size() &&
         platform::canonicallyEqual(a.name, b.name) && a.entries == b.entries;
}

UserDictionaryFile UserDictionaryFile::read(const std::filesystem::path& path) {
  return parse(platform::readFile(path));
}

UserDictionaryFile UserDictionaryFile::parse(std::string_view bytes) {
  return parseFile<UserDictionaryFile>(
      bytes, [](std::vector<DictEntry>& entries, std::string_view, const DictEntryView& entry) {
        entries.push_back(entry.owned());
      });
}

EncodedUserDictionaryFile EncodedUserDictionaryFile::parse(std::string_view bytes) {
  return parseFile<EncodedUserDictionaryFile>(
      bytes, [](MessageList& entries, std::string_view message, const DictEntryView&) {
        entries.push_back(message);
      });
}

// The message was checked by `parse`: only the fields it let through are here.
DictEntryView EncodedUserDictionaryFile::entry(std::string_view message) {
  DictEntryView entry;
  if (readPlain(message, entry, false)) return entry;
  return slowEntry(message);
}

UserDictionaryFile EncodedUserDictionaryFile::decoded() const {
  UserDictionaryFile file{version, {}};
  file.dictionaries.reserve(dictionaries.size());
  for (const Dictionary& dictionary : dictionaries) {
    UserDictionary& d = file.dictionaries.emplace_back();
    d.id = dictionary.id;
    d.enabled = dictionary.enabled;
    d.name = dictionary.name;
    d.entries.reserve(dictionary.entries.size());
    for (const std::string_view message : dictionary.entries)
      d.entries.push_back(entry(message).owned());
  }
  return file;
}

std::string UserDictionaryFile::serialized() const {
  std::vector<std::size_t> sizes;
  sizes.reserve(dictionaries.size());
  std::size_t total = version ? 1 + varintSize(static_cast<std::uint64_t>(*version)) : 0;
  for (const UserDictionary& dictionary : dictionaries) {
    sizes.push_back(dictionarySize(dictionary));
    total += bytesFieldSize(sizes.back());
  }
  std::string bytes(total, '\0');
  Writer out(bytes.data());
  if (version) out.varintField(1, static_cast<std::uint64_t>(*version));
  for (std::size_t i = 0; i < dictionaries.size(); ++i) {
    const UserDictionary& dictionary = dictionaries[i];
    out.header(2, sizes[i]);
    out.varintField(1, dictionary.id);
    if (!dictionary.enabled) out.varintField(2, 0);
    out.bytesField(3, dictionary.name);
    for (const DictEntry& entry : dictionary.entries) {
      out.header(4, entrySize(entry));
      out.bytesField(1, entry.reading);
      out.bytesField(2, entry.word);
      out.bytesField(4, entry.comment);
      out.varintField(5, static_cast<std::uint64_t>(entry.posCode));
    }
  }
  return bytes;
}

std::string_view EncodedUserDictionaryFile::writeEntry(char*& out, const DictEntryView& entry) {
  Writer writer(out);
  writer.header(4, entrySize(entry));
  char* const message = writer.end();
  writer.bytesField(1, entry.reading);
  writer.bytesField(2, entry.word);
  writer.bytesField(4, entry.comment);
  writer.varintField(5, static_cast<std::uint64_t>(entry.posCode));
  out = writer.end();
  return {message, static_cast<std::size_t>(out - message)};
}

std::size_t EncodedUserDictionaryFile::serializedSize() const {
  std::size_t total = version ? 1 + varintSize(static_cast<std::uint64_t>(*version)) : 0;
  for (const Dictionary& dictionary : dictionaries) total += bytesFieldSize(fieldsSize(dictionary));
  return total;
}

void EncodedUserDictionaryFile::write(const Sink& sink, std::size_t piece) const {
  // Field headers and small fields are gathered; a message that does not fit
  // the gathered piece goes to the sink as the view it is.
  std::string buffer;
  buffer.reserve(piece + fieldHeaderRoom);
  const auto flush = [&] {
    if (!buffer.empty()) sink(buffer);
    buffer.clear();
  };
  const auto gather = [&](auto&& writeInto, std::size_t most) {
    if (buffer.size() + most > buffer.capacity()) flush();
    const std::size_t before = buffer.size();
    buffer.resize(before + most);
    Writer writer(buffer.data() + before);
    writeInto(writer);
    buffer.resize(static_cast<std::size_t>(writer.end() - buffer.data()));
  };
  const auto bytes = [&](std::string_view payload) {
    if (buffer.size() + payload.size() <= piece) {
      buffer.append(payload);
    } else {
      flush();
      sink(payload);
    }
  };
  if (version) {
    gather([&](Writer& w) { w.varintField(1, static_cast<std::uint64_t>(*version)); },
           fieldHeaderRoom);
  }
  for (const Dictionary& dictionary : dictionaries) {
    gather(
        [&](Writer& w) {
          w.header(2, fieldsSize(dictionary));
          w.varintField(1, dictionary.id);
          if (!dictionary.enabled) w.varintField(2, 0);
          w.header(3, dictionary.name.size());
        },
        4 * fieldHeaderRoom);
    bytes(dictionary.name);
    for (const std::string_view message : dictionary.entries) {
      gather([&](Writer& w) { w.header(4, message.size()); }, fieldHeaderRoom);
      bytes(message);
    }
  }
  flush();
}
