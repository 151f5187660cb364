#include "menus/release_notes.h"

namespace StandardMenus {

const std::string& text(const NoteLine& line) {
  return std::visit([](const auto& value) -> const std::string& { return value.text; }, line);
}

std::vector<NoteLine> parseReleaseNotes(std::string_view text) {
  std::vector<NoteLine> lines;
  bool inComment = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty()) continue;
    if (inComment) {
      inComment = line.find("-->") == std::string_view::npos;
      continue;
    }
    if (line.starts_with("<!--")) {
      inComment = line.find("-->") == std::string_view::npos;
      continue;
    }
    if (line.starts_with("# ") || line.starts_with("> ")) continue;
    if (line.starts_with("## ")) {
      lines.emplace_back(Heading{std::string(line.substr(3))});
    } else if (line.starts_with("- ")) {
      lines.emplace_back(Item{std::string(line.substr(2))});
    } else {
      lines.emplace_back(Lead{std::string(line)});
    }
  }
  return lines;
}

}  // namespace StandardMenus
