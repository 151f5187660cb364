#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Writing values into systemd unit files so that systemd reads back exactly
// the text meant, and reading the program of a service back.
namespace SystemdUnit {

// One word of a command line (ExecStart=): quoted, C escapes, "%" as "%%".
// Throws std::system_error (illegal_byte_sequence) for text that is not UTF-8.
std::string commandWord(std::string_view text);

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
