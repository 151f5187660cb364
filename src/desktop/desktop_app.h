#pragma once

// The windowed application, as started from the desktop's launcher.
namespace DesktopApp {

// Runs it until it quits; returns the exit status.
int run(int argc, char** argv);

}  // namespace DesktopApp
