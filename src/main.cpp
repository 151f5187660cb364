#include <iostream>
#include <string>
#include <vector>

#include "background/command_line.h"
#include "background/notifier.h"

namespace {

// Qt stays unloaded unless a notice is actually posted.
class NotifierOnDemand : public NotificationSink {
 public:
  void sendAndWait(const std::string& body) override { Notifier::shared().sendAndWait(body); }
};

}  // namespace

int main(int argc, char** argv) {
  NotifierOnDemand notifier;
  return CommandLine::run(std::vector<std::string>(argv, argv + argc), notifier, std::cout,
                          std::cerr);
}
