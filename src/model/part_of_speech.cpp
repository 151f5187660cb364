#include "model/part_of_speech.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/text.h"

namespace PartOfSpeech {
namespace {

// Every line of a master file names a part of speech, so the lookup by exact
// bytes is a hash of the name eight bytes at a time and one comparison.
std::uint64_t bytesHash(std::string_view name) {
  std::uint64_t hash = name.size();
  for (std::size_t at = 0; at < name.size(); at += 8) {
    std::uint64_t chunk = 0;
    std::memcpy(&chunk, name.data() + at, std::min<std::size_t>(8, name.size() - at));
    hash = (hash ^ chunk) * 0x9E3779B97F4A7C15ULL;
    hash ^= hash >> 29;
  }
  return hash;
}

class ByBytes {
 public:
  ByBytes() {
    for (std::size_t row = 0; row < all().size(); ++row) {
      std::size_t at = slotOf(all()[row].name);
      while (slots_[at] != 0) at = (at + 1) % slots_.size();
      slots_[at] = static_cast<std::uint8_t>(row + 1);
    }
  }

  std::optional<std::int64_t> code(std::string_view name) const {
    for (std::size_t at = slotOf(name); slots_[at] != 0; at = (at + 1) % slots_.size()) {
      const Row& row = all()[slots_[at] - 1];
      if (row.name == name) return row.code;
    }
    return std::nullopt;
  }

 private:
  static std::size_t slotOf(std::string_view name) { return bytesHash(name) >> 57; }

  std::array<std::uint8_t, 128> slots_{};  // row + 1, or 0 for an empty slot
};

}  // namespace

const std::array<Row, 44>& all() {
  static constexpr std::array<Row, 44> table{{
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
  return table;
}

std::optional<std::string_view> name(std::int64_t code) {
  for (const Row& row : all()) {
    if (row.code == code) return row.name;
  }
  return std::nullopt;
}

std::optional<std::int64_t> code(std::string_view name) {
  static const ByBytes byBytes;
  // The table is in NFC: a name found by its bytes is found, and only a name
  // in another form needs normalising.
  if (std::optional<std::int64_t> found = byBytes.code(name)) return found;
  if (platform::isQuickNfc(name)) return std::nullopt;
  return byBytes.code(platform::nfc(name));
}

}  // namespace PartOfSpeech
