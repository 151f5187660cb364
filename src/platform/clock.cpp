#include "platform/clock.h"

#include <ctime>

namespace platform {
namespace {

std::string format(std::chrono::system_clock::time_point when, const char* pattern) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  ::localtime_r(&seconds, &local);
  char buffer[32];
  const std::size_t n = std::strftime(buffer, sizeof buffer, pattern, &local);
  return std::string(buffer, n);
}

}  // namespace

std::string stamp(std::chrono::system_clock::time_point when) {
  return format(when, "%Y%m%d-%H%M%S");
}

std::string isoLocalTime(std::chrono::system_clock::time_point when) {
  return format(when, "%Y-%m-%dT%H:%M:%S");
}

}  // namespace platform
