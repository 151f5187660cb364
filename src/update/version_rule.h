#pragma once

#include <string_view>

namespace UpdatePrompt {

// True when `a` is a higher version than `than`: dotted decimal numbers compared position by
// position, a missing position counting as 0 (1.4 equals 1.4.0) and a piece that is not a whole
// number counting as 0 (1.4b compares like 1.0).
bool isNewer(std::string_view a, std::string_view than);

}  // namespace UpdatePrompt
