#pragma once

#include <filesystem>
#include <optional>

// The IME's own lock on its dictionary file: an fcntl write lock on a file in
// the dictionary's folder, which Mozc's dictionary tools hold while their
// window is open and while they save. Holding it keeps a tool opened meanwhile
// from saving over a file we are replacing.
class ImeDictionaryLock {
 public:
  // Takes the lock without waiting; nothing when another process holds it.
  // Creates the lock file when missing. Throws std::filesystem::filesystem_error
  // when the lock file cannot be opened.
  static std::optional<ImeDictionaryLock> tryTake(const std::filesystem::path& lockFile);

  // True when someone else holds the lock (another process, or another
  // ImeDictionaryLock). False when the lock file cannot be examined: callers
  // then rely on other signs of an open tool.
  static bool isHeldElsewhere(const std::filesystem::path& lockFile);

  // Whether tryTake could open the lock file, found without creating or
  // changing anything (for runs that must write nothing).
  static bool canTake(const std::filesystem::path& lockFile);

  ImeDictionaryLock(ImeDictionaryLock&& other) noexcept;
  ImeDictionaryLock& operator=(ImeDictionaryLock&& other) noexcept;
  ImeDictionaryLock(const ImeDictionaryLock&) = delete;
  ImeDictionaryLock& operator=(const ImeDictionaryLock&) = delete;
  ~ImeDictionaryLock();

 private:
  explicit ImeDictionaryLock(int fd) : fd_(fd) {}
  int fd_ = -1;
};
