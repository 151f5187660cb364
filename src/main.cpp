#include <iostream>
#include <string>
#include <vector>

#include "background/command_line.h"
#include "background/notifier.h"
#include "desktop/desktop_app.h"
#include "update/finish_update.h"

namespace {

// Qt stays unloaded unless a notice is actually posted.
class NotifierOnDemand : public NotificationSink {
 public:
  void sendAndWait(const std::string& body) override { Notifier::shared().sendAndWait(body); }
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv, argv + argc);
  if (arguments.size() > 1 && arguments[1] == "--finish-update") {
    return FinishUpdate::main({arguments.begin() + 1, arguments.end()});
  }
  if (CommandLine::startsDesktop(arguments)) return DesktopApp::run(argc, argv);
  NotifierOnDemand notifier;
  return CommandLine::run(arguments, notifier, std::cout, std::cerr);
}
