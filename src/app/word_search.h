#pragma once

#include <string>
#include <string_view>

// How the search field matches words: the query without surrounding spaces, lower-cased, found
// as a substring of the lower-cased reading, word or comment.
namespace WordSearch {

// The query with Unicode space separators and TAB trimmed from both ends, then lower-cased.
std::string key(std::string_view query);

// Appends the lower-cased form of `text` to `out`. Bytes that are not UTF-8 are copied.
void appendLowered(std::string_view text, std::string& out);

std::string lowered(std::string_view text);

// False only when lower-casing certainly leaves `text` unchanged. Answers per block of 64 code
// points, so it may say true for a text that would not change; never the other way round.
bool mayChangeWhenLowered(std::string_view text);

}  // namespace WordSearch
