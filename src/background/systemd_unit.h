#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Writing values into systemd unit files so that systemd reads back exactly
// the text meant, and reading the program of a service back.
namespace SystemdUnit {

// The program of a command line (ExecStart=): quoted, "%" as "%%". systemd
// refuses programs with quotes, backslashes or control characters; for those
// this throws std::filesystem::filesystem_error (illegal_byte_sequence).
std::string programWord(const std::filesystem::path& program);

// A whole command line (ExecStart=) that systemd runs exactly as given. It
// takes the program's path literally but would expand "$" in every word it
// hands the program, the program's own name included ("${HOME}", "$$"):
// the ":" prefix turns that off. `arguments` are plain words (no quotes,
// spaces, "%" or "$").
std::string commandLine(const std::filesystem::path& program,
                        const std::vector<std::string>& arguments);

// The value of a path setting (PathChanged=), which systemd takes literally
// apart from specifiers. Throws std::filesystem::filesystem_error
// (illegal_byte_sequence) for a path such a line cannot hold.
std::string pathValue(const std::filesystem::path& path);

// Free text (Description=): specifiers escaped, control characters as spaces.
std::string plainText(std::string_view text);

// The program of the first ExecStart= in [Service], unquoted and without the
// prefixes systemd allows before it; nothing when there is none or it cannot
// be read.
std::optional<std::string> execStartProgram(std::string_view unitText);

}  // namespace SystemdUnit
