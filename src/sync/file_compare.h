#pragma once

#include <filesystem>
#include <string_view>

// True when the file holds exactly `bytes`. Read a piece at a time: the files
// compared are a large dictionary's copies, which need not be held twice.
// Throws std::filesystem::filesystem_error when the file cannot be read.
bool fileHoldsExactly(const std::filesystem::path& file, std::string_view bytes);
