#pragma once

#include <string>
#include <string_view>

// How the application names itself to the user: notification titles, the
// lead-in of log lines, window titles.
namespace AppInfo {

// The display name, fixed at build time ("Wordloom" unless the build names
// it otherwise); worked out once per process.
const std::string& name();

// The version of this build.
const std::string& version();

// The name of the desktop entry (jp.kumomori.wordloom.desktop) that launches the application,
// by which the desktop ties its windows and notifications to it.
inline constexpr std::string_view desktopEntry = "jp.kumomori.wordloom";

}  // namespace AppInfo
