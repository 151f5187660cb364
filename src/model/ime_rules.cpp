#include "model/ime_rules.h"

#include <utf8proc.h>

#include <cstdio>
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

// The first character of the reading the IME does not take; U+FFFD for bytes that are not UTF-8.
std::optional<char32_t> unusableReadingCharacter(std::string_view reading) {
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(reading.data());
  utf8proc_ssize_t at = 0;
  const auto size = static_cast<utf8proc_ssize_t>(reading.size());
  while (at < size) {
    utf8proc_int32_t c = 0;
    const utf8proc_ssize_t length = utf8proc_iterate(bytes + at, size - at, &c);
    if (length <= 0) return U'\uFFFD';
    if (!isReadingCharacter(static_cast<char32_t>(c))) return static_cast<char32_t>(c);
    at += length;
  }
  return std::nullopt;
}

std::optional<Problem> fieldProblem(Field field, std::string_view text) {
  if (text.size() > maxFieldBytes) {
    return Problem{.kind = Problem::Kind::tooLong, .field = field, .bytes = text.size()};
  }
  if (text.find_first_of(lineBreaks) != std::string_view::npos) {
    return Problem{.kind = Problem::Kind::lineBreak, .field = field};
  }
  return std::nullopt;
}

}  // namespace

bool isReadingCharacter(char32_t c) {
  // Every half-width katakana folds to a kana or a mark a reading takes.
  if (inRange(c, U'｡', U'ﾟ')) return true;
  // Katakana fold to hiragana up to ヴ; ヵ, ヶ and ヷ–ヺ have no hiragana in the table and stay.
  if (inRange(c, U'ァ', U'ヴ')) return true;
  c = foldedAscii(c);
  return inRange(c, U'!', U'~') || inRange(c, U'ぁ', U'ゖ') || inRange(c, U'゛', U'゜') ||
         inRange(c, U'・', U'ー') || inRange(c, U'、', U'。') || inRange(c, U'「', U'』') ||
         c == U'〜';
}

std::optional<Problem> problem(const DictEntry& entry) {
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
