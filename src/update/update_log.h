#pragma once

#include <functional>
#include <string_view>

namespace UpdatePrompt {

// One line of the updater's diagnostics ("UpdatePrompt: …"), by default on standard error where
// the desktop session's journal keeps it.
void log(std::string_view line);

// Sends the lines elsewhere while a test looks at them; an empty function restores the default.
void setLogSink(std::function<void(std::string_view)> sink);

}  // namespace UpdatePrompt
