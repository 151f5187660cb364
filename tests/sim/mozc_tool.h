#pragma once

#include <filesystem>
#include <optional>

#include "model/user_dictionary_file.h"

namespace sim {

// Mozc's dictionary tool as it treats the dictionary file: it holds Mozc's lock for as long as
// its window is open, reads the file when it opens, and saves through "user_dictionary.db.tmp"
// and a rename. Mozc takes a process-wide fcntl lock; this one takes an open-file-description
// lock, which conflicts the same way with other holders but survives the reflect in this very
// process opening and closing the lock file.
class MozcTool {
 public:
  explicit MozcTool(std::filesystem::path dictionary);
  MozcTool(const MozcTool&) = delete;
  MozcTool& operator=(const MozcTool&) = delete;
  ~MozcTool();

  bool isOpen() const { return fd_ >= 0; }
  // False when someone else holds the lock. Throws what reading or decoding the file throws.
  bool open();
  // The file as the open window shows it; edits are saved by save().
  UserDictionaryFile& file() { return *file_; }
  void save();
  // Like Mozc, removes the lock file as it lets go of the lock.
  void close();

 private:
  std::filesystem::path dictionary_;
  std::filesystem::path lockFile_;
  int fd_ = -1;
  std::optional<UserDictionaryFile> file_;
};

}  // namespace sim
