#include "model/part_of_speech.h"

#include <bit>
#include <cstring>
#include <string>
#include <type_traits>

#include "platform/text.h"

namespace PartOfSpeech {
namespace {

constexpr std::array<Row, 44> table{{
    {1, "名詞"},
    {2, "短縮よみ"},
    {3, "サジェストのみ"},
    {4, "固有名詞"},
    {5, "人名"},
    {6, "姓"},
    {7, "名"},
    {8, "組織"},
    {9, "地名"},
    {10, "名詞サ変"},
    {11, "名詞形動"},
    {12, "数"},
    {13, "アルファベット"},
    {14, "記号"},
    {15, "顔文字"},
    {16, "副詞"},
    {17, "連体詞"},
    {18, "接続詞"},
    {19, "感動詞"},
    {20, "接頭語"},
    {21, "助数詞"},
    {22, "接尾一般"},
    {23, "接尾人名"},
    {24, "接尾地名"},
    {25, "動詞ワ行五段"},
    {26, "動詞カ行五段"},
    {27, "動詞サ行五段"},
    {28, "動詞タ行五段"},
    {29, "動詞ナ行五段"},
    {30, "動詞マ行五段"},
    {31, "動詞ラ行五段"},
    {32, "動詞ガ行五段"},
    {33, "動詞バ行五段"},
    {34, "動詞ハ行四段"},
    {35, "動詞一段"},
    {36, "動詞カ変"},
    {37, "動詞サ変"},
    {38, "動詞ザ変"},
    {39, "動詞ラ変"},
    {40, "形容詞"},
    {41, "終助詞"},
    {42, "句読点"},
    {43, "独立語"},
    {44, "抑制単語"},
}};

// Every line of a master file names a part of speech, so the lookup by exact
// bytes must cost next to nothing. No name is longer than 24 bytes, and a text
// of up to 24 bytes is wholly covered by three eight-byte windows (at the
// start, the middle and the end); the windows and the size are its key.
struct Key {
  std::uint64_t windows[3] = {};
  std::size_t size = 0;

  bool operator==(const Key&) const = default;
};

constexpr std::size_t longestName = 24;

// Little-endian whatever the processor, so that the table can be made by the
// compiler; at run time on a little-endian processor, one load.
constexpr std::uint64_t window(const char* at, std::size_t size = 8) {
  if (!std::is_constant_evaluated() && std::endian::native == std::endian::little && size == 8) {
    std::uint64_t bytes;
    std::memcpy(&bytes, at, 8);
    return bytes;
  }
  std::uint64_t bytes = 0;
  for (std::size_t i = 0; i < size; ++i) {
    bytes |= static_cast<std::uint64_t>(static_cast<unsigned char>(at[i])) << (8 * i);
  }
  return bytes;
}

constexpr Key keyOf(std::string_view name) {
  Key key;
  key.size = name.size();
  if (name.size() >= 8) {
    key.windows[0] = window(name.data());
    key.windows[1] = window(name.data() + name.size() / 2 - 4);
    key.windows[2] = window(name.data() + name.size() - 8);
  } else {
    key.windows[0] = window(name.data(), name.size());
  }
  return key;
}

class ByBytes {
 public:
  constexpr ByBytes() {
    for (std::size_t row = 0; row < table.size(); ++row) {
      // Stops the build: a longer name would not be covered by its key.
      if (table[row].name.size() > longestName) throw "part-of-speech name too long";
      keys_[row] = keyOf(table[row].name);
      std::size_t at = slotOf(keys_[row]);
      while (slots_[at] != 0) at = (at + 1) % slots_.size();
      slots_[at] = static_cast<std::uint8_t>(row + 1);
    }
  }

  constexpr std::optional<std::int64_t> code(std::string_view name) const {
    if (name.size() > longestName) return std::nullopt;
    const Key key = keyOf(name);
    for (std::size_t at = slotOf(key); slots_[at] != 0; at = (at + 1) % slots_.size()) {
      const std::size_t row = slots_[at] - 1u;
      if (keys_[row] == key) return table[row].code;
    }
    return std::nullopt;
  }

 private:
  // Products that do not wait on each other.
  static constexpr std::size_t slotOf(const Key& key) {
    const std::uint64_t hash = key.windows[0] * 0x9E3779B97F4A7C15ULL +
                               key.windows[1] * 0xC2B2AE3D27D4EB4FULL +
                               key.windows[2] * 0x165667B19E3779F9ULL + key.size;
    return hash >> 57;
  }

  std::array<Key, 44> keys_{};
  std::array<std::uint8_t, 128> slots_{};  // row + 1, or 0 for an empty slot
};

constexpr ByBytes byBytes;

}  // namespace

const std::array<Row, 44>& all() {
  return table;
}

std::optional<std::string_view> name(std::int64_t code) {
  for (const Row& row : all()) {
    if (row.code == code) return row.name;
  }
  return std::nullopt;
}

std::optional<std::int64_t> code(std::string_view name) {
  // The table is in NFC: a name found by its bytes is found, and only a name
  // in another form needs normalising.
  if (std::optional<std::int64_t> found = byBytes.code(name)) return found;
  if (platform::isQuickNfc(name)) return std::nullopt;
  return byBytes.code(platform::nfc(name));
}

}  // namespace PartOfSpeech
