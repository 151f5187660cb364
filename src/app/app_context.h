#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "background/launch_agent.h"
#include "platform/ime_platform.h"
#include "sync/sync_environment.h"
#include "sync/sync_paths.h"

// Everything the application model reads from outside the process: where things are, what time
// it is, which service manager and which IME it talks to, and where its log lines go. Tests give
// their own so that the model never touches the real home folder.
struct AppContext {
  // The LUMI_* variables and the home folder.
  SyncEnvironment environment;
  // The paths to start with; when absent, those the environment and the saved configuration give.
  std::optional<SyncPaths> paths;
  LaunchAgent::Host agentHost;
  ImePlatform ime;
  std::function<std::chrono::system_clock::time_point()> now;
  // One line of the system log, without its line feed.
  std::function<void(const std::string&)> log;

  // The process environment, the user's service manager, this platform's IME, the system clock
  // and standard error.
  static AppContext process();
};
