#include "model/proto_wire.h"

#include <bit>
#include <utility>

namespace {

std::string describe(const ProtoError::Case& errorCase) {
  if (const auto* unsupported = std::get_if<ProtoError::UnsupportedWireType>(&errorCase)) {
    return "辞書ファイルに対応していない形式があります（形式の番号 " +
           std::to_string(unsupported->wireType) + "）";
  }
  return "辞書ファイルのデータが途中で終わっています";
}

[[noreturn]] void throwTruncated() {
  throw ProtoError(ProtoError::Truncated{});
}

std::uint64_t keyOf(std::int64_t number, int wireType) {
  return (static_cast<std::uint64_t>(number) << 3) | static_cast<std::uint64_t>(wireType);
}

}  // namespace

ProtoError::ProtoError(Case errorCase)
    : case_(std::move(errorCase)), description_(describe(case_)) {}

namespace ProtoWire {

namespace {

// Most varints in the file are keys, lengths and codes below 128; the loop
// handles the rest.
[[gnu::noinline]] std::uint64_t readLongVarint(std::string_view bytes, std::size_t& position) {
  std::uint64_t value = 0;
  for (int shift = 0;; shift += 7) {
    if (position >= bytes.size()) throwTruncated();
    const auto byte = static_cast<unsigned char>(bytes[position++]);
    // At shift 63 only the lowest bit still fits; the rest is dropped.
    value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) return value;
    if (shift == 63) throwTruncated();
  }
}

inline std::uint64_t readShortVarint(std::string_view bytes, std::size_t& position) {
  if (position < bytes.size()) {
    const auto first = static_cast<unsigned char>(bytes[position]);
    if (first < 0x80) {
      ++position;
      return first;
    }
  }
  return readLongVarint(bytes, position);
}

}  // namespace

std::uint64_t readVarint(std::string_view bytes, std::size_t& position) {
  return readShortVarint(bytes, position);
}

bool FieldReader::next(FieldView& field) {
  if (position_ >= bytes_.size()) return false;
  const std::uint64_t key = readShortVarint(bytes_, position_);
  field.number = static_cast<std::int64_t>(key >> 3);
  field.wireType = static_cast<int>(key & 7);
  switch (field.wireType) {
    case 0:
      field.varint = readShortVarint(bytes_, position_);
      field.payload = {};
      return true;
    case 2: {
      const std::uint64_t length = readShortVarint(bytes_, position_);
      if (length > bytes_.size() - position_) throwTruncated();
      field.varint = 0;
      field.payload = bytes_.substr(position_, static_cast<std::size_t>(length));
      position_ += static_cast<std::size_t>(length);
      return true;
    }
    default:
      throw ProtoError(ProtoError::UnsupportedWireType{field.wireType});
  }
}

std::vector<ProtoField> parse(std::string_view bytes) {
  std::vector<ProtoField> fields;
  FieldReader reader(bytes);
  FieldView field;
  while (reader.next(field)) {
    if (field.wireType == 0) {
      fields.push_back({field.number, {ProtoValue::Varint{field.varint}}});
    } else {
      fields.push_back({field.number, {ProtoValue::Bytes{std::string(field.payload)}}});
    }
  }
  return fields;
}

void appendVarint(std::string& out, std::uint64_t value) {
  char buffer[10];
  out.append(buffer, static_cast<std::size_t>(encodeVarint(value, buffer) - buffer));
}

void appendVarintField(std::string& out, std::int64_t number, std::uint64_t value) {
  appendVarint(out, keyOf(number, 0));
  appendVarint(out, value);
}

void appendBytesField(std::string& out, std::int64_t number, std::string_view payload) {
  appendVarint(out, keyOf(number, 2));
  appendVarint(out, payload.size());
  out.append(payload);
}

std::string varint(std::uint64_t value) {
  std::string out;
  appendVarint(out, value);
  return out;
}

std::string varintField(std::int64_t number, std::uint64_t value) {
  std::string out;
  appendVarintField(out, number, value);
  return out;
}

std::string bytesField(std::int64_t number, std::string_view payload) {
  std::string out;
  out.reserve(payload.size() + 12);
  appendBytesField(out, number, payload);
  return out;
}

std::string stringField(std::int64_t number, std::string_view text) {
  return bytesField(number, text);
}

}  // namespace ProtoWire
