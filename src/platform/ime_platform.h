#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// A program the reflect runs to ask or tell the IME something.
struct ImeCommand {
  std::string program;  // a path, or a name looked up in PATH
  std::vector<std::string> arguments;
  bool operator==(const ImeCommand&) const = default;
};

// How user-visible texts name the user's computer and the IME. Texts are written once with these
// words put in, so a Linux user reads of "このパソコン" and Mozc, a macOS user of "この Mac" and
// Google Japanese Input.
struct PlatformWords {
  std::string computer;  // the user's computer: "Mac", "パソコン"
  std::string ime;       // the IME's display name

  bool operator==(const PlatformWords&) const = default;

  // "この" + computer + after: "この Mac の辞書", "このパソコンの辞書".
  std::string thisComputer(std::string_view after = {}) const;
  // "ほかの" + computer + after.
  std::string otherComputers(std::string_view after = {}) const;
  // computer + after: "Mac どうし", "パソコンどうし".
  std::string computerThen(std::string_view after) const;
  // ime + after: "Google 日本語入力の", "Mozc の".
  std::string imeThen(std::string_view after) const;

  // Concatenates the parts with the space Japanese text keeps between a Latin word and kana or
  // kanji ("この Mac の", "Mozc が"), and none next to Japanese punctuation.
  static std::string join(std::initializer_list<std::string_view> parts);
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
  // The words the texts of this platform use.
  PlatformWords words;

  bool operator==(const ImePlatform&) const = default;

  static ImePlatform mozc();
  static ImePlatform googleJapaneseInput();
  // The IME of the platform this was built for.
  static const ImePlatform& current();
};

// The words of the platform this was built for, or those a test put in place.
const PlatformWords& platformWords();

// Makes platformWords() answer other words while it lives, so that a test can read the texts of
// another platform. Not for use while other threads read texts.
class ScopedPlatformWords {
 public:
  explicit ScopedPlatformWords(PlatformWords words);
  ~ScopedPlatformWords();
  ScopedPlatformWords(const ScopedPlatformWords&) = delete;
  ScopedPlatformWords& operator=(const ScopedPlatformWords&) = delete;

 private:
  PlatformWords words_;
  const PlatformWords* previous_;
};
