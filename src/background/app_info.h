#pragma once

#include <string>

// How the application names itself to the user: notification titles, the
// lead-in of log lines, window titles.
namespace AppInfo {

// The display name, fixed at build time ("Wordloom" unless the build names
// it otherwise); worked out once per process.
const std::string& name();

// The version of this build.
const std::string& version();

}  // namespace AppInfo
