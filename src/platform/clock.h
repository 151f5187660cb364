#pragma once

#include <chrono>
#include <string>

namespace platform {

// Local date and time as "yyyyMMdd-HHmmss" (Gregorian, 24-hour, ASCII digits):
// the stamp of history folders and dictionary backups.
std::string stamp(std::chrono::system_clock::time_point when);

// Local date and time as "yyyy-MM-ddTHH:mm:ss", as freedesktop trash info wants it.
std::string isoLocalTime(std::chrono::system_clock::time_point when);

}  // namespace platform
