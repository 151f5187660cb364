#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Writing values into systemd unit files so that systemd reads back exactly
// the text meant, and reading the program of a service back.
namespace SystemdUnit {

// The program of a command line (ExecStart=): quoted, "%" as "%%". systemd
// refuses programs with quotes, backslashes or control characters; for those
// this throws std::filesystem::filesystem_error (illegal_byte_sequence).
std::string programWord(const std::filesystem::path& program);

// The value of a path setting (PathChanged=), which systemd takes literally
// apart from specifiers. Throws std::filesystem::filesystem_error
// (illegal_byte_sequence) for a path such a line cannot hold.
std::string pathValue(const std::filesystem::path& path);

// Free text (Description=): specifiers escaped, control characters as spaces.
std::string plainText(std::string_view text);

// The program of the first ExecStart= in [Service], unquoted; nothing when
// there is none or it cannot be read.
std::optional<std::string> execStartProgram(std::string_view unitText);

}  // namespace SystemdUnit
