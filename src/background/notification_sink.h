#pragma once

#include <string>

// Where the headless reflect posts its notices: the desktop's notification
// service in the program, a recorder in tests.
class NotificationSink {
 public:
  virtual ~NotificationSink() = default;
  // Posts one notification titled with the application's name and returns
  // once it was handed over, or after a bounded wait.
  virtual void sendAndWait(const std::string& body) = 0;
};
