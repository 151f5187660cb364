#include "platform/ime_platform.h"

#include <unistd.h>

#include <cstdint>
#include <utility>

namespace {

const PlatformWords* overridden = nullptr;

// Kana, kanji and other non-ASCII letters take a space next to a Latin word; Japanese punctuation
// (U+3000–U+303F, full-width forms U+FF00–U+FF65) does not.
bool isJapaneseLetter(std::uint32_t codePoint) {
  return codePoint >= 0x80 && !(codePoint >= 0x3000 && codePoint <= 0x303F) &&
         !(codePoint >= 0xFF00 && codePoint <= 0xFF65);
}

bool isLatin(std::uint32_t codePoint) {
  return (codePoint >= '0' && codePoint <= '9') || (codePoint >= 'A' && codePoint <= 'Z') ||
         (codePoint >= 'a' && codePoint <= 'z');
}

std::uint32_t decodeAt(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(at);
  if (lead < 0x80) return lead;
  const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  std::uint32_t codePoint = lead & (0x7F >> (length + 1));
  for (int i = 1; i < length && at + i < text.size(); ++i)
    codePoint = codePoint << 6 | (byte(at + i) & 0x3F);
  return codePoint;
}

std::uint32_t firstCodePoint(std::string_view text) {
  return decodeAt(text, 0);
}

std::uint32_t lastCodePoint(std::string_view text) {
  std::size_t at = text.size() - 1;
  while (at > 0 && (static_cast<std::uint8_t>(text[at]) & 0xC0) == 0x80) --at;
  return decodeAt(text, at);
}

std::string currentUser() {
  return std::to_string(::getuid());
}

}  // namespace

std::string PlatformWords::join(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (std::string_view part : parts) {
    if (part.empty()) continue;
    if (!text.empty()) {
      const std::uint32_t before = lastCodePoint(text);
      const std::uint32_t after = firstCodePoint(part);
      if ((isLatin(before) && isJapaneseLetter(after)) ||
          (isJapaneseLetter(before) && isLatin(after))) {
        text += ' ';
      }
    }
    text += part;
  }
  return text;
}

std::string PlatformWords::thisComputer(std::string_view after) const {
  return join({"この", computer, after});
}

std::string PlatformWords::otherComputers(std::string_view after) const {
  return join({"ほかの", computer, after});
}

std::string PlatformWords::computerThen(std::string_view after) const {
  return join({computer, after});
}

std::string PlatformWords::imeThen(std::string_view after) const {
  return join({ime, after});
}

ImePlatform ImePlatform::mozc() {
  // The dictionary tool, the word-register dialog and the settings are all
  // modes of mozc_tool; only this user's processes matter.
  return {
      .installLocations = {"/usr/lib/mozc/mozc_server", "/usr/libexec/mozc/mozc_server",
                           "/usr/lib64/mozc/mozc_server"},
      .toolProbe = {},
      .toolCommandText = "mozc_tool",
      .dictionaryLockName = ".user_dictionary.db.lock",
      .reload = {"pkill", {"-u", currentUser(), "-x", "mozc_server"}},
      .words = {.computer = "パソコン", .ime = "Mozc"},
  };
}

ImePlatform ImePlatform::googleJapaneseInput() {
  return {
      .installLocations = {"/Library/Input Methods/GoogleJapaneseInput.app",
                           "~/Library/Input Methods/GoogleJapaneseInput.app"},
      .toolProbe = {"/usr/bin/pgrep",
                    {"-f", "DictionaryTool|GoogleJapaneseInputTool|GoogleJapaneseInputPrefPane"}},
      .toolCommandText = {},
      .dictionaryLockName = {},
      .reload = {"/usr/bin/pkill", {"-x", "GoogleJapaneseInputConverter"}},
      .words = {.computer = "Mac", .ime = "Google 日本語入力"},
  };
}

const ImePlatform& ImePlatform::current() {
#ifdef __APPLE__
  static const ImePlatform platform = googleJapaneseInput();
#else
  static const ImePlatform platform = mozc();
#endif
  return platform;
}

const PlatformWords& platformWords() {
  return overridden != nullptr ? *overridden : ImePlatform::current().words;
}

ScopedPlatformWords::ScopedPlatformWords(PlatformWords words)
    : words_(std::move(words)), previous_(overridden) {
  overridden = &words_;
}

ScopedPlatformWords::~ScopedPlatformWords() {
  overridden = previous_;
}
