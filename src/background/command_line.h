#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "background/notification_sink.h"

// What `wordloom` does with its command line. `--apply` anywhere (the program
// path included) is the headless reflect the per-user service starts; the
// other commands let a person set up this computer without the window.
namespace CommandLine {

// True for a plain start without arguments (and not under the name "--apply"): the windowed
// application, not a command.
bool startsDesktop(const std::vector<std::string>& arguments);

// Runs the command the arguments (argv[0] first) ask for and returns the exit
// status. The headless reflect never returns.
int run(const std::vector<std::string>& arguments, NotificationSink& notifier, std::ostream& out,
        std::ostream& err);

}  // namespace CommandLine
