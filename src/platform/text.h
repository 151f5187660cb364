#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text helpers. Every comparison of names and words in Wordloom goes through
// canonicallyEqual / canonicalHash so that a composed ガ and カ + U+3099 are the
// same text everywhere.
namespace platform {

// Strict UTF-8: rejects overlong forms, surrogates, code points above
// U+10FFFF and truncated sequences.
bool isValidUtf8(std::string_view bytes);

// Offset of the first byte that does not begin a strict UTF-8 sequence, or
// npos when the whole text is valid.
std::size_t firstInvalidUtf8(std::string_view bytes);

// A text fit to show inside a message: control characters as escapes ("\t",
// "\n", "\r", "\x01", "\u0085") and bytes that are not UTF-8 as "\xFF", so
// that a file name no message can hold still names its file.
std::string printable(std::string_view bytes);

// True when the text is certainly in NFC already. Never allocates; may answer
// false for some texts that are in NFC (callers then normalise).
bool isQuickNfc(std::string_view utf8);

// The NFC form. Bytes that are not valid UTF-8 are returned unchanged.
std::string nfc(std::string_view utf8);

// Canonical equivalence: equal NFC forms. Allocation-free when both texts are
// byte-equal or already in NFC.
bool canonicallyEqual(std::string_view a, std::string_view b);

// A hash consistent with canonicallyEqual.
std::size_t canonicalHash(std::string_view utf8);

// Strips Unicode space separators (category Zs) and TAB from both ends; line
// breaks stay.
std::string trimSpaces(std::string_view utf8);

}  // namespace platform
