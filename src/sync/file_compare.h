#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "platform/files.h"

// True when the file holds exactly `bytes`. Read a piece at a time: the files
// compared are a large dictionary's copies, which need not be held twice.
// Throws std::filesystem::filesystem_error when the file cannot be read.
bool fileHoldsExactly(const std::filesystem::path& file, std::string_view bytes);
// The same for `size` bytes made a piece at a time.
bool fileHoldsExactly(const std::filesystem::path& file, std::uint64_t size,
                      const platform::ByteSource& bytes);

// True when two files hold the same bytes, read a piece at a time. Throws
// std::filesystem::filesystem_error when either cannot be read.
bool filesHoldTheSame(const std::filesystem::path& a, const std::filesystem::path& b);

// True when the pieces `bytes` makes are, together, exactly `expected`.
bool makesExactly(const platform::ByteSource& bytes, std::string_view expected);
