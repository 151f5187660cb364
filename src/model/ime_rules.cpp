#include "model/ime_rules.h"

#include <utf8proc.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/ime_platform.h"

namespace ImeRules {
namespace {

constexpr std::string_view lineBreaks = "\r\n\t";

bool inRange(char32_t c, char32_t low, char32_t high) {
  return low <= c && c <= high;
}

// Full-width ASCII as the IME's folding table has it: a few full-width forms are missing there
// and stay as they are, a few other symbols stand in for them.
char32_t foldedAscii(char32_t c) {
  switch (c) {
    case U'＂':
    case U'＇':
    case U'－':
    case U'＼':
    case U'～':
      return c;
    case U'”':
      return U'"';
    case U'’':
      return U'\'';
    case U'−':
      return U'-';
    case U'￥':
      return U'\\';
    case U'　':
      return U' ';
    default:
      return inRange(c, U'！', U'｝') ? c - (U'！' - U'!') : c;
  }
}

const char* fieldName(Field field) {
  switch (field) {
    case Field::reading:
      return "よみ";
    case Field::word:
      return "単語";
    case Field::comment:
      return "コメント";
  }
  return "";
}

// A character that shows on its own between brackets: not a control, format, space, mark,
// private or unassigned code point.
bool isVisible(char32_t c) {
  switch (utf8proc_category(static_cast<utf8proc_int32_t>(c))) {
    case UTF8PROC_CATEGORY_CC:
    case UTF8PROC_CATEGORY_CF:
    case UTF8PROC_CATEGORY_CN:
    case UTF8PROC_CATEGORY_CO:
    case UTF8PROC_CATEGORY_CS:
    case UTF8PROC_CATEGORY_ZS:
    case UTF8PROC_CATEGORY_ZL:
    case UTF8PROC_CATEGORY_ZP:
    case UTF8PROC_CATEGORY_MN:
    case UTF8PROC_CATEGORY_MC:
    case UTF8PROC_CATEGORY_ME:
      return false;
    default:
      return true;
  }
}

std::string utf8(char32_t c) {
  utf8proc_uint8_t bytes[4];
  const utf8proc_ssize_t length = utf8proc_encode_char(static_cast<utf8proc_int32_t>(c), bytes);
  return std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
}

std::string codePoint(char32_t c) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
  return text;
}

// Whether the IME takes the character in a reading once it has folded full-width ASCII and
// katakana: ASCII graphic characters, hiragana, the sound marks and ー・、。「」『』〜.
bool isReadingCharacter(char32_t c) {
  if (inRange(c, U'ぁ', U'ゖ') || inRange(c, U'!', U'~')) return true;
  // Every half-width katakana folds to a kana or a mark a reading takes.
  if (inRange(c, U'｡', U'ﾟ')) return true;
  // Katakana fold to hiragana up to ヴ; ヵ, ヶ and ヷ–ヺ have no hiragana in the table and stay.
  if (inRange(c, U'ァ', U'ヴ')) return true;
  c = foldedAscii(c);
  return inRange(c, U'!', U'~') || inRange(c, U'ぁ', U'ゖ') || inRange(c, U'゛', U'゜') ||
         inRange(c, U'・', U'ー') || inRange(c, U'、', U'。') || inRange(c, U'「', U'』') ||
         c == U'〜';
}

// Whether any byte is below U+0020, eight bytes at a time: every word of a large master passes
// here.
bool hasControlBytes(std::string_view text) {
  constexpr std::uint64_t ones = 0x0101010101010101;
  const auto anyBelow = [](std::uint64_t bytes) {
    return ((bytes - 0x20 * ones) & ~bytes & 0x80 * ones) != 0;
  };
  std::uint64_t bytes = 0x20 * ones;
  if (text.size() < 8) {
    std::memcpy(&bytes, text.data(), text.size());
    return anyBelow(bytes);
  }
  for (std::size_t at = 0; at + 8 < text.size(); at += 8) {
    std::memcpy(&bytes, text.data() + at, 8);
    if (anyBelow(bytes)) return true;
  }
  std::memcpy(&bytes, text.data() + text.size() - 8, 8);
  return anyBelow(bytes);
}

// The first character of the reading the IME does not take; U+FFFD for bytes that are not UTF-8.
// ASCII and three-byte characters, kana among them, are decoded here; the rest by utf8proc.
std::optional<char32_t> unusableReadingCharacter(std::string_view reading) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(reading.data());
  std::size_t at = 0;
  while (at < reading.size()) {
    // Readings are mostly hiragana (U+3041–U+3096: E3 81 81–E3 82 96) and ASCII.
    if (bytes[at] - 0x21u < 0x5Eu) {
      ++at;
      continue;
    }
    if (bytes[at] == 0xE3 && reading.size() - at >= 3) {
      const unsigned second = bytes[at + 1];
      const unsigned third = bytes[at + 2];
      if ((second == 0x81 && third - 0x81u < 0x3Fu) || (second == 0x82 && third - 0x80u < 0x17u)) {
        at += 3;
        continue;
      }
    }
    char32_t c = bytes[at];
    std::size_t length = 1;
    if (c >= 0x80) {
      const std::size_t left = reading.size() - at;
      if ((c & 0xF0) == 0xE0 && left >= 3 && (bytes[at + 1] & 0xC0) == 0x80 &&
          (bytes[at + 2] & 0xC0) == 0x80) {
        c = (c & 0x0F) << 12 | (bytes[at + 1] & 0x3Fu) << 6 | (bytes[at + 2] & 0x3Fu);
        length = 3;
      }
      // Overlong forms and surrogates are not characters; utf8proc refuses them below.
      if (length != 3 || c < 0x800 || inRange(c, 0xD800, 0xDFFF)) {
        utf8proc_int32_t decoded = 0;
        const utf8proc_ssize_t read =
            utf8proc_iterate(bytes + at, static_cast<utf8proc_ssize_t>(left), &decoded);
        if (read <= 0) return U'\uFFFD';
        c = static_cast<char32_t>(decoded);
        length = static_cast<std::size_t>(read);
      }
    }
    if (!isReadingCharacter(c)) return c;
    at += length;
  }
  return std::nullopt;
}

std::optional<Problem> fieldProblem(Field field, std::string_view text) {
  if (text.size() > maxFieldBytes) {
    return Problem{.kind = Problem::Kind::tooLong, .field = field, .bytes = text.size()};
  }
  if (hasControlBytes(text) && text.find_first_of(lineBreaks) != std::string_view::npos) {
    return Problem{.kind = Problem::Kind::lineBreak, .field = field};
  }
  return std::nullopt;
}

}  // namespace

std::optional<Problem> problem(const DictEntryView& entry) {
  // The usual entry passes these few checks; only the others are looked at in the IME's order.
  // A reading the IME takes has no control characters.
  if (!entry.reading.empty() && !entry.word.empty() && entry.reading.size() <= maxFieldBytes &&
      entry.word.size() <= maxFieldBytes && entry.comment.size() <= maxFieldBytes &&
      !hasControlBytes(entry.word) && !hasControlBytes(entry.comment) &&
      !unusableReadingCharacter(entry.reading)) {
    return std::nullopt;
  }
  if (entry.reading.empty()) return Problem{.kind = Problem::Kind::empty, .field = Field::reading};
  if (auto found = fieldProblem(Field::reading, entry.reading)) return found;
  if (entry.word.empty()) return Problem{.kind = Problem::Kind::empty, .field = Field::word};
  if (auto found = fieldProblem(Field::word, entry.word)) return found;
  if (auto found = fieldProblem(Field::comment, entry.comment)) return found;
  if (const std::optional<char32_t> c = unusableReadingCharacter(entry.reading)) {
    return Problem{
        .kind = Problem::Kind::readingCharacter, .field = Field::reading, .character = *c};
  }
  return std::nullopt;
}

std::string Problem::reason() const {
  const std::string name = fieldName(field);
  switch (kind) {
    case Kind::empty:
      return name + "が空です";
    case Kind::tooLong:
      return name + "が " + std::to_string(bytes) + " バイトで、" + std::to_string(maxFieldBytes) +
             " バイトを超えています";
    case Kind::lineBreak:
      return name + "に改行かタブがあります";
    case Kind::readingCharacter:
      if (character == U'\u3099' || character == U'\u309A') {
        return "よみの濁点・半濁点が前の文字と分かれています";
      }
      if (isVisible(character)) return "よみに使えない文字「" + utf8(character) + "」があります";
      return "よみに使えない文字（" + codePoint(character) + "）があります";
  }
  return {};
}

std::optional<std::string> sheetWarning(const DictEntry& entry) {
  const auto refusedBySheet = [](const std::string& text) {
    return text.find_first_of("\t\n") != std::string::npos;
  };
  if (entry.reading.empty() || entry.word.empty() || refusedBySheet(entry.reading) ||
      refusedBySheet(entry.word) || refusedBySheet(entry.comment)) {
    return std::nullopt;
  }
  const std::optional<Problem> found = problem(entry);
  if (!found) return std::nullopt;
  return PlatformWords::join(
      {"この語は", platformWords().ime, "では使われません（" + found->reason() + "）"});
}

}  // namespace ImeRules
