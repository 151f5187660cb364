#include <algorithm>
#include <iostream>
#include <string>
#include <string_view>

#include "background/app_info.h"
#include "background/background_run.h"
#include "background/notifier.h"

namespace {

// Qt stays unloaded unless a notice is actually posted.
class NotifierOnDemand : public NotificationSink {
 public:
  void sendAndWait(const std::string& body) override { Notifier::shared().sendAndWait(body); }
};

}  // namespace

int main(int argc, char** argv) {
  const auto has = [&](std::string_view option) {
    return std::any_of(argv, argv + argc, [&](const char* argument) { return option == argument; });
  };
  if (has("--apply")) {
    if (has("--dry-run")) {
      BackgroundRun::dryRun(BackgroundRun::headlessSyncer(), std::cout);
      return 0;
    }
    NotifierOnDemand notifier;
    BackgroundRun::run(notifier);
  }
  // The windowed application comes later; until then a plain run names itself.
  std::cout << AppInfo::name() << ' ' << AppInfo::version() << '\n';
  return 0;
}
