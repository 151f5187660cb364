#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

// The release notes shipped with the application ("改定履歴.md"), as the release-notes window
// shows them.
namespace StandardMenus {

// A plain paragraph.
struct Lead {
  std::string text;
  bool operator==(const Lead&) const = default;
};
// The heading of one version.
struct Heading {
  std::string text;
  bool operator==(const Heading&) const = default;
};
// One bullet item.
struct Item {
  std::string text;
  bool operator==(const Item&) const = default;
};
using NoteLine = std::variant<Lead, Heading, Item>;

// The text of any line.
const std::string& text(const NoteLine& line);

// Reads the notes line by line: empty lines, HTML comments (from a line beginning with "<!--" to
// the first line containing "-->", both included) and lines beginning with "# " or "> " are
// dropped; "## " starts a heading, "- " an item; every other line is a lead as it stands. Lines
// are taken as written, never trimmed.
std::vector<NoteLine> parseReleaseNotes(std::string_view text);

}  // namespace StandardMenus
