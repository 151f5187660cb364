#pragma once

#include <string_view>

namespace platform {

// The same answer as isValidUtf8, several times faster on Japanese text: the
// check every master file goes through on each read.
bool isValidUtf8Fast(std::string_view bytes);

}  // namespace platform
