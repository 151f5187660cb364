#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// A schema-less reader and writer of the two protobuf wire types the IME's
// dictionary file uses: varint (0) and length-delimited (2).

struct ProtoValue {
  struct Varint {
    std::uint64_t value = 0;
    bool operator==(const Varint&) const = default;
  };
  struct Bytes {
    std::string value;
    bool operator==(const Bytes&) const = default;
  };
  std::variant<Varint, Bytes> value;
  bool operator==(const ProtoValue&) const = default;
};

struct ProtoField {
  std::int64_t number = 0;
  ProtoValue value;
  bool operator==(const ProtoField&) const = default;
};

class ProtoError : public std::exception {
 public:
  struct UnsupportedWireType {
    int wireType = 0;
    bool operator==(const UnsupportedWireType&) const = default;
  };
  struct Truncated {
    bool operator==(const Truncated&) const = default;
  };
  using Case = std::variant<UnsupportedWireType, Truncated>;

  explicit ProtoError(Case errorCase);
  const Case& errorCase() const noexcept { return case_; }
  const char* what() const noexcept override { return description_.c_str(); }
  bool operator==(const ProtoError& other) const { return case_ == other.case_; }

 private:
  Case case_;
  std::string description_;
};

namespace ProtoWire {

// All fields of one message level, in input order. Throws ProtoError.
std::vector<ProtoField> parse(std::string_view bytes);

// Decodes the varint at `position` and advances it. Throws ProtoError (truncated).
std::uint64_t readVarint(std::string_view bytes, std::size_t& position);

std::string varint(std::uint64_t value);
std::string varintField(std::int64_t number, std::uint64_t value);
std::string bytesField(std::int64_t number, std::string_view payload);
std::string stringField(std::int64_t number, std::string_view text);

// Writes the varint of `value` at `out` (room for 10 bytes) and returns the
// position after it; the one varint encoder of the writers, inline because
// a file of 100,000 words writes half a million of them.
inline char* encodeVarint(std::uint64_t value, char* out) {
  while (value >= 0x80) {
    *out++ = static_cast<char>((value & 0x7F) | 0x80);
    value >>= 7;
  }
  *out++ = static_cast<char>(value);
  return out;
}
// The number of bytes of the varint of `value`.
inline std::size_t varintSize(std::uint64_t value) {
  return (static_cast<std::size_t>(std::bit_width(value | 1)) + 6) / 7;
}

// Appending forms of the writers, for building large messages without
// temporary strings.
void appendVarint(std::string& out, std::uint64_t value);
void appendVarintField(std::string& out, std::int64_t number, std::uint64_t value);
void appendBytesField(std::string& out, std::int64_t number, std::string_view payload);

// A zero-copy walk over one message level, for readers that only look at
// each field once. Same rules and errors as `parse`.
struct FieldView {
  std::int64_t number = 0;
  int wireType = 0;
  std::uint64_t varint = 0;  // wire type 0
  std::string_view payload;  // wire type 2
};
class FieldReader {
 public:
  explicit FieldReader(std::string_view bytes) : bytes_(bytes) {}
  // False at the end of the input. Throws ProtoError.
  bool next(FieldView& field);

 private:
  std::string_view bytes_;
  std::size_t position_ = 0;
};

}  // namespace ProtoWire
