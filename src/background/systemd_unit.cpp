#include "background/systemd_unit.h"

#include <algorithm>
#include <charconv>
#include <system_error>
#include <vector>

#include "platform/text.h"

namespace SystemdUnit {
namespace {

// What systemd reads before an ExecStart= program: ignore failure, argv[0],
// no "$" expansion, full privileges, ambient capabilities.
constexpr std::string_view executablePrefixes = "-@:+!";

bool isControl(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// "%%" is the only specifier our files use; any other cannot be resolved here.
std::optional<std::string> withoutSpecifiers(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 1 >= text.size() || text[i + 1] != '%') return std::nullopt;
    out += '%';
    ++i;
  }
  return out;
}

// The escapes systemd's command lines accept and that a writer may use.
bool unescape(std::string_view text, std::size_t& i, std::string& out) {
  if (i + 1 >= text.size()) return false;
  const char c = text[++i];
  switch (c) {
    case '\\':
    case '"':
    case '\'':
      out += c;
      return true;
    case 'n':
      out += '\n';
      return true;
    case 't':
      out += '\t';
      return true;
    case 'r':
      out += '\r';
      return true;
    case 's':
      out += ' ';
      return true;
    case 'x': {
      if (i + 2 >= text.size()) return false;
      unsigned value = 0;
      const char* begin = text.data() + i + 1;
      const auto [ptr, error] = std::from_chars(begin, begin + 2, value, 16);
      if (error != std::errc() || ptr != begin + 2 || value == 0) return false;
      out += static_cast<char>(value);
      i += 2;
      return true;
    }
    default:
      return false;
  }
}

std::optional<std::string> firstWord(std::string_view text) {
  std::string word;
  std::size_t i = 0;
  char quote = 0;
  if (!text.empty() && (text[0] == '"' || text[0] == '\'')) quote = text[i++];
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != 0 && c == quote) {
      // A closing quote must end the word.
      if (i + 1 < text.size() && text[i + 1] != ' ' && text[i + 1] != '\t') return std::nullopt;
      return word;
    }
    if (quote == 0 && (c == ' ' || c == '\t')) return word;
    if (c == '\\') {
      if (!unescape(text, i, word)) return std::nullopt;
    } else {
      word += c;
    }
  }
  if (quote != 0) return std::nullopt;
  return word;
}

}  // namespace

std::string programWord(const std::filesystem::path& program) {
  const std::string& text = program.native();
  bool safe = program.is_absolute() && platform::isValidUtf8(text);
  for (const char c : text) {
    safe = safe && c != '"' && c != '\'' && c != '\\' && !isControl(static_cast<unsigned char>(c));
  }
  if (!safe) {
    throw std::filesystem::filesystem_error("systemd cannot start a program at this path", program,
                                            std::make_error_code(std::errc::illegal_byte_sequence));
  }
  std::string out = "\"";
  for (const char c : text) {
    if (c == '%') out += '%';
    out += c;
  }
  out += '"';
  return out;
}

std::string commandLine(const std::filesystem::path& program,
                        const std::vector<std::string>& arguments) {
  std::string line = ":" + programWord(program);
  for (const std::string& argument : arguments) line += " " + argument;
  return line;
}

std::string pathValue(const std::filesystem::path& path) {
  const std::string& text = path.native();
  const bool fits = path.is_absolute() && platform::isValidUtf8(text) &&
                    // The line is trimmed, and a final backslash continues it.
                    text.back() != ' ' && text.back() != '\t' && text.back() != '\\';
  bool plain = true;
  for (const char c : text) plain = plain && !isControl(static_cast<unsigned char>(c));
  // systemd refuses paths that go up a folder.
  for (const auto& part : path) plain = plain && part != "..";
  if (!fits || !plain) {
    throw std::filesystem::filesystem_error("a systemd path unit cannot watch this path", path,
                                            std::make_error_code(std::errc::illegal_byte_sequence));
  }
  std::string out;
  for (const char c : text) {
    if (c == '%') out += '%';
    out += c;
  }
  return out;
}

std::string plainText(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '%') {
      out += "%%";
    } else if (isControl(static_cast<unsigned char>(c))) {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<std::string> execStartProgram(std::string_view unitText) {
  std::string_view section;
  std::size_t start = 0;
  while (start <= unitText.size()) {
    auto end = unitText.find('\n', start);
    if (end == std::string_view::npos) end = unitText.size();
    const std::string_view line = trimmed(unitText.substr(start, end - start));
    start = end + 1;
    if (line.starts_with('[') && line.ends_with(']')) {
      section = line;
      continue;
    }
    if (section != "[Service]") continue;
    const auto equals = line.find('=');
    if (equals == std::string_view::npos || trimmed(line.substr(0, equals)) != "ExecStart") {
      continue;
    }
    std::string_view command = trimmed(line.substr(equals + 1));
    command.remove_prefix(std::min(command.find_first_not_of(executablePrefixes), command.size()));
    const std::optional<std::string> value = withoutSpecifiers(command);
    if (!value) return std::nullopt;
    return firstWord(*value);
  }
  return std::nullopt;
}

}  // namespace SystemdUnit
