#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"

extern char** environ;

// One notification as the stand-in server received it.
struct ReceivedNotice {
  std::string appName;
  std::string summary;
  std::string body;
  std::vector<std::string> actions;
  bool operator==(const ReceivedNotice&) const = default;
};

// The stand-in notification server on the test's private session bus
// (the tests run under dbus-run-session), from start to the end of the test.
class NotificationServer {
 public:
  explicit NotificationServer(std::filesystem::path record, std::vector<std::string> options = {})
      : record_(std::move(record)) {
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
      ADD_FAILURE() << "no session bus: run this test under dbus-run-session";
      return;
    }
    std::vector<std::string> arguments = {FAKE_NOTIFICATION_SERVER, record_.string()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
      ADD_FAILURE() << "cannot start " << FAKE_NOTIFICATION_SERVER;
      pid_ = 0;
      return;
    }
    const std::filesystem::path ready = record_.string() + ".ready";
    for (int i = 0; i < 500 && !std::filesystem::exists(ready); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(std::filesystem::exists(ready)) << "the stand-in server did not come up";
  }
  NotificationServer(const NotificationServer&) = delete;
  NotificationServer& operator=(const NotificationServer&) = delete;
  ~NotificationServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }

  std::vector<ReceivedNotice> notices() const {
    std::vector<ReceivedNotice> result;
    if (!std::filesystem::exists(record_)) return result;
    std::istringstream lines(platform::readFile(record_));
    for (std::string line; std::getline(lines, line);) {
      const auto json = nlohmann::json::parse(line);
      result.push_back({json.at("app_name"), json.at("summary"), json.at("body"),
                        json.at("actions").get<std::vector<std::string>>()});
    }
    return result;
  }

  // The desktop entry each notification named, empty where it named none.
  std::vector<std::string> desktopEntries() const {
    std::vector<std::string> result;
    if (!std::filesystem::exists(record_)) return result;
    std::istringstream lines(platform::readFile(record_));
    for (std::string line; std::getline(lines, line);) {
      result.push_back(nlohmann::json::parse(line).at("desktop_entry"));
    }
    return result;
  }

  std::vector<std::string> bodies() const {
    std::vector<std::string> result;
    for (const auto& notice : notices()) result.push_back(notice.body);
    return result;
  }

 private:
  std::filesystem::path record_;
  pid_t pid_ = 0;
};
