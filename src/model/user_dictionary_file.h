#pragma once

#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "model/dict_entry.h"
#include "model/message_list.h"

// One dictionary inside the IME's user dictionary file.
struct UserDictionary {
  std::uint64_t id = 0;
  bool enabled = true;
  std::string name;
  std::vector<DictEntry> entries;

  friend bool operator==(const UserDictionary& a, const UserDictionary& b);
};

// The IME's user_dictionary.db as decoded. The reader is strict: a field it
// does not know refuses the whole file, because rewriting it would drop data.
struct UserDictionaryFile {
  std::optional<std::int64_t> version;
  std::vector<UserDictionary> dictionaries;

  friend bool operator==(const UserDictionaryFile& a, const UserDictionaryFile& b) = default;

  // Reads and decodes a file. Reading errors are std::filesystem::filesystem_error;
  // decoding errors ProtoError or DictionaryFileError.
  static UserDictionaryFile read(const std::filesystem::path& path);
  static UserDictionaryFile parse(std::string_view bytes);
  // Requires every posCode to be zero or more.
  std::string serialized() const;
};

// The IME's file checked as strictly as UserDictionaryFile::parse checks it,
// each word left as its bytes in the buffer read (which must outlive this)
// and decoded when looked at: a million words cost a view each, not three
// strings each.
struct EncodedUserDictionaryFile {
  struct Dictionary {
    std::uint64_t id = 0;
    bool enabled = true;
    std::string name;
    MessageList entries;  // each word's message
  };
  std::optional<std::int64_t> version;
  std::vector<Dictionary> dictionaries;

  // Throws what UserDictionaryFile::parse throws, for the same bytes.
  static EncodedUserDictionaryFile parse(std::string_view bytes);
  // The word of one message of `entries`.
  static DictEntryView entry(std::string_view message);
  UserDictionaryFile decoded() const;

  // Writes `entry` at `out` as a dictionary's entry field, as
  // UserDictionaryFile::serialized writes it, moves `out` past it and returns
  // the view of its message.
  static std::string_view writeEntry(char*& out, const DictEntryView& entry);

  // The file, each word written as the message it is: for messages our
  // writer made (writeEntry's, or those of a file it wrote) the bytes
  // UserDictionaryFile::serialized gives for the decoded file. Handed to
  // `sink` in pieces of about `piece` bytes: a large file is never held whole
  // a second time.
  using Sink = std::function<void(std::string_view)>;
  void write(const Sink& sink, std::size_t piece = std::size_t{1} << 20) const;
  std::size_t serializedSize() const;
};

class DictionaryFileError : public std::exception {
 public:
  struct UnknownField {
    std::string place;
    std::int64_t number = 0;
    bool operator==(const UnknownField&) const = default;
  };
  struct WrongType {
    std::string place;
    std::int64_t number = 0;
    bool operator==(const WrongType&) const = default;
  };
  struct InvalidUTF8 {
    std::string place;
    bool operator==(const InvalidUTF8&) const = default;
  };
  struct UnknownPOS {
    std::string dictionary;
    std::string reading;
    std::uint64_t code = 0;
    bool operator==(const UnknownPOS&) const = default;
  };
  struct MissingName {
    std::int64_t index = 0;
    bool operator==(const MissingName&) const = default;
  };
  using Case = std::variant<UnknownField, WrongType, InvalidUTF8, UnknownPOS, MissingName>;

  explicit DictionaryFileError(Case errorCase);
  const Case& errorCase() const noexcept { return case_; }
  const char* what() const noexcept override { return description_.c_str(); }
  bool operator==(const DictionaryFileError& other) const { return case_ == other.case_; }

 private:
  Case case_;
  std::string description_;
};
