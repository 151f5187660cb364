#pragma once

#include <string>
#include <vector>

// A program the reflect runs to ask or tell the IME something.
struct ImeCommand {
  std::string program;  // a path, or a name looked up in PATH
  std::vector<std::string> arguments;
  bool operator==(const ImeCommand&) const = default;
};

// What the reflect needs to know about the IME: Mozc on Linux, Google
// Japanese Input on macOS, or a stand-in in tests.
struct ImePlatform {
  // Where the IME may be installed, in order; a leading "~" is the home folder.
  std::vector<std::string> installLocations;
  // Exit status 0 means one of the IME's dictionary tools is running. Not run
  // when toolCommandText is set.
  ImeCommand toolProbe;
  // Text in the command line of a running dictionary tool of this user, looked
  // for in the process table directly: the answer of `pgrep -u <user> -f`
  // without a process start on every headless run.
  std::string toolCommandText;
  // Name of the IME's own lock file in the dictionary's folder (an fcntl write
  // lock its tools hold while they may save the file); empty when it has none.
  std::string dictionaryLockName;
  // Makes the converter read the dictionary file again.
  ImeCommand reload;

  bool operator==(const ImePlatform&) const = default;

  static ImePlatform mozc();
  static ImePlatform googleJapaneseInput();
  // The IME of the platform this was built for.
  static ImePlatform current();
};
