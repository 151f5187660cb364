#pragma once

#include <string>
#include <vector>

#include "background/notification_sink.h"

// Keeps what would have been posted.
struct RecordingSink : NotificationSink {
  std::vector<std::string> bodies;
  void sendAndWait(const std::string& body) override { bodies.push_back(body); }
};
