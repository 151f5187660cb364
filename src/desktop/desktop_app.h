#pragma once

// The windowed application, as started from the desktop's launcher.
namespace DesktopApp {

// What the application sets up once its QApplication exists and before its first window: its
// names (the settings file, the desktop entry), Qt's own texts in Japanese, the icon font and
// appearance, and writes that fail instead of ending the process under a file-size limit.
void prepare();

// Runs it until it quits; returns the exit status.
int run(int argc, char** argv);

}  // namespace DesktopApp
