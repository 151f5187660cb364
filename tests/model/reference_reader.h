#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "model/part_of_speech.h"
#include "model/proto_wire.h"
#include "model/user_dictionary_file.h"
#include "platform/text.h"

// The dictionary file reader written as plainly as possible: each level split
// into copied fields first, then walked. The real reader walks without copies
// and must agree with this one on every input, errors included.
namespace ReferenceReader {

using Error = DictionaryFileError;
using Outcome = std::variant<UserDictionaryFile, ProtoError::Case, Error::Case>;

inline const std::string& bytesOf(const ProtoField& field) {
  return std::get<ProtoValue::Bytes>(field.value.value).value;
}
inline std::uint64_t varintOf(const ProtoField& field) {
  return std::get<ProtoValue::Varint>(field.value.value).value;
}
inline bool isVarint(const ProtoField& field) {
  return std::holds_alternative<ProtoValue::Varint>(field.value.value);
}

inline std::string text(const ProtoField& field, const std::string& place) {
  if (isVarint(field)) throw Error(Error::WrongType{place, field.number});
  if (!platform::isValidUtf8(bytesOf(field))) throw Error(Error::InvalidUTF8{place});
  return bytesOf(field);
}

inline DictEntry entry(std::string_view bytes, const std::string& dictionary) {
  const std::string place = "辞書「" + dictionary + "」の語";
  DictEntry result;
  std::uint64_t code = PartOfSpeech::defaultCode;
  for (const ProtoField& field : ProtoWire::parse(bytes)) {
    if (field.number == 1) {
      result.reading = text(field, place);
    } else if (field.number == 2) {
      result.word = text(field, place);
    } else if (field.number == 4) {
      result.comment = text(field, place);
    } else if (field.number == 5) {
      if (!isVarint(field)) throw Error(Error::WrongType{place, 5});
      code = varintOf(field);
    } else {
      throw Error(Error::UnknownField{place, field.number});
    }
  }
  const auto pos = static_cast<std::int64_t>(code);
  if (code > 44 || !PartOfSpeech::name(pos)) {
    throw Error(Error::UnknownPOS{dictionary, result.reading, code});
  }
  result.posCode = pos;
  return result;
}

inline UserDictionary dictionary(std::string_view bytes, std::int64_t index) {
  const std::string place = std::to_string(index + 1) + " 番目の辞書";
  UserDictionary result;
  std::optional<std::string> name;
  std::vector<std::string> entries;
  for (const ProtoField& field : ProtoWire::parse(bytes)) {
    if (field.number == 1 || field.number == 2) {
      if (!isVarint(field)) throw Error(Error::WrongType{place, field.number});
      if (field.number == 1) {
        result.id = varintOf(field);
      } else {
        result.enabled = varintOf(field) != 0;
      }
    } else if (field.number == 3) {
      name = text(field, place);
    } else if (field.number == 4) {
      if (isVarint(field)) throw Error(Error::WrongType{place, 4});
      entries.push_back(bytesOf(field));
    } else {
      throw Error(Error::UnknownField{place, field.number});
    }
  }
  if (!name || name->empty()) throw Error(Error::MissingName{index});
  result.name = *name;
  for (const std::string& e : entries) result.entries.push_back(entry(e, *name));
  return result;
}

inline UserDictionaryFile file(std::string_view bytes) {
  UserDictionaryFile result;
  std::int64_t count = 0;
  for (const ProtoField& field : ProtoWire::parse(bytes)) {
    if (field.number == 1) {
      if (!isVarint(field)) throw Error(Error::WrongType{"ファイル全体", 1});
      result.version = static_cast<std::int64_t>(varintOf(field));
    } else if (field.number == 2) {
      if (isVarint(field)) throw Error(Error::WrongType{"ファイル全体", 2});
      result.dictionaries.push_back(dictionary(bytesOf(field), count++));
    } else {
      throw Error(Error::UnknownField{"ファイル全体", field.number});
    }
  }
  return result;
}

template <class Parse>
Outcome outcome(Parse&& parse, std::string_view bytes) {
  try {
    return parse(bytes);
  } catch (const ProtoError& error) {
    return error.errorCase();
  } catch (const Error& error) {
    return error.errorCase();
  }
}

// The same value, or the same error; values are also compared by their bytes
// so that a text altered in a canonically equal way is caught.
inline bool same(const Outcome& a, const Outcome& b) {
  if (a != b) return false;
  if (const auto* file = std::get_if<UserDictionaryFile>(&a)) {
    return file->serialized() == std::get<UserDictionaryFile>(b).serialized();
  }
  return true;
}

}  // namespace ReferenceReader
