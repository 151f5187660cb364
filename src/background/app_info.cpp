#include "background/app_info.h"

#ifndef WORDLOOM_DISPLAY_NAME
#define WORDLOOM_DISPLAY_NAME "Wordloom"
#endif

namespace AppInfo {

const std::string& name() {
  static const std::string value = WORDLOOM_DISPLAY_NAME;
  return value;
}

const std::string& version() {
  static const std::string value = WORDLOOM_VERSION;
  return value;
}

}  // namespace AppInfo
