#include "app/app_context.h"

#include <iostream>

AppContext AppContext::process() {
  return AppContext{
      .environment = SyncEnvironment::process(),
      .paths = std::nullopt,
      .agentHost = LaunchAgent::Host::current(),
      .ime = ImePlatform::current(),
      .now = [] { return std::chrono::system_clock::now(); },
      .log = [](const std::string& line) { std::cerr << line << std::endl; },
  };
}
