#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// The 44 part-of-speech codes of the IME's user dictionary and their Japanese names.
namespace PartOfSpeech {

struct Row {
  std::int64_t code;
  std::string_view name;
};

const std::array<Row, 44>& all();

inline constexpr std::int64_t defaultCode = 1;

// The name of a code, or nothing for codes outside 1–44.
std::optional<std::string_view> name(std::int64_t code);

// The code of a name (canonical equivalence, no trimming or case folding).
std::optional<std::int64_t> code(std::string_view name);

}  // namespace PartOfSpeech
