#include "update/update_log.h"

#include <iostream>
#include <mutex>
#include <string>

namespace UpdatePrompt {
namespace {

std::mutex mutex;
std::function<void(std::string_view)>& sink() {
  static std::function<void(std::string_view)> value;
  return value;
}

}  // namespace

void log(std::string_view line) {
  const std::lock_guard lock(mutex);
  if (sink()) {
    sink()(line);
  } else {
    std::cerr << line << std::endl;
  }
}

void setLogSink(std::function<void(std::string_view)> replacement) {
  const std::lock_guard lock(mutex);
  sink() = std::move(replacement);
}

}  // namespace UpdatePrompt
