// Any bytes as release notes: every line shown is one of the input's lines in the input's order,
// with its marker taken off; written back with the markers, the lines read the same again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "menus/release_notes.h"

using namespace StandardMenus;

namespace {

std::string written(const NoteLine& line) {
  if (std::holds_alternative<Heading>(line)) return "## " + text(line);
  if (std::holds_alternative<Item>(line)) return "- " + text(line);
  return text(line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::vector<NoteLine> lines = parseReleaseNotes(input);

  std::string again;
  std::size_t from = 0;
  for (const NoteLine& line : lines) {
    const std::string source = written(line);
    if (source.empty() || source.find('\n') != std::string::npos) std::abort();
    if (std::holds_alternative<Lead>(line)) {
      for (std::string_view marker : {"## ", "- ", "# ", "> ", "<!--"}) {
        if (source.starts_with(marker)) std::abort();
      }
    }
    // The next input line that reads exactly so, after the previous one.
    for (;;) {
      if (from >= input.size()) std::abort();
      const std::size_t end = std::min(input.find('\n', from), input.size());
      const std::string_view candidate = input.substr(from, end - from);
      from = end + 1;
      if (candidate == source) break;
    }
    again += source + "\n";
  }
  if (parseReleaseNotes(again) != lines) std::abort();
  return 0;
}
