#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The part of the XML property list format that launch agents use.
struct PlistValue {
  enum class Kind { string, integer, boolean, array, dictionary, other };
  Kind kind = Kind::other;
  // string: the text; integer and other scalars: the element's text.
  std::string text;
  bool boolean = false;
  // array: the elements; dictionary: the values, with `keys` alongside.
  std::vector<PlistValue> items;
  std::vector<std::string> keys;

  bool operator==(const PlistValue&) const = default;

  static PlistValue makeString(std::string text);
  static PlistValue makeInteger(std::int64_t value);
  static PlistValue makeBoolean(bool value);
  static PlistValue makeArray(std::vector<PlistValue> items);
  static PlistValue makeDictionary(std::vector<std::pair<std::string, PlistValue>> members);

  // The value of `key` in a dictionary; nothing when absent or not a dictionary.
  const PlistValue* find(std::string_view key) const;
};

namespace PropertyList {

// The XML property list document. Throws std::system_error
// (illegal_byte_sequence) for text that XML 1.0 cannot hold.
std::string xml(const PlistValue& root);

// Reads an XML property list; nothing when it is not one.
std::optional<PlistValue> parse(std::string_view document);

}  // namespace PropertyList
