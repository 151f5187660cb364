#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The one way Wordloom writes a file that another run or another computer
// reads, and the one way it reads whole files.
namespace platform {

struct AtomicWriteOptions {
  // Name of the temporary file in the target's folder; empty picks a unique
  // hidden name (hidden so that master readers never take it for a dictionary).
  std::string tempName;
};

// Writes `bytes` to a temporary file in the target's folder, fsyncs it, renames
// it over `target` and fsyncs the folder: a reader sees the old or the new
// file, never a partial one. The folder must exist. The replaced file's
// permission bits carry over. Throws std::filesystem::filesystem_error.
void writeAtomically(const std::filesystem::path& target, std::string_view bytes,
                     const AtomicWriteOptions& options = {});

// Bytes made a piece at a time: handed, in order, to the sink given.
using ByteSink = std::function<void(std::string_view)>;
using ByteSource = std::function<void(const ByteSink&)>;

// The same for bytes that are never held whole.
void writeAtomically(const std::filesystem::path& target, const ByteSource& bytes,
                     const AtomicWriteOptions& options = {});

// Makes `target` hold what the file `source` holds, in the steps of
// writeAtomically: for a large file already written and flushed, whose copy
// then costs no second encoding, and on file systems that share blocks no
// second write either. Never a link: a later write to one changes only that
// one. Throws std::filesystem::filesystem_error.
void copyAtomically(const std::filesystem::path& source, const std::filesystem::path& target,
                    const AtomicWriteOptions& options = {});

// Renames `source` over `target` (both in one folder) and fsyncs the folder:
// the one-step replace of writeAtomically, for a file already written and
// flushed. Throws std::filesystem::filesystem_error when the rename fails.
void moveOver(const std::filesystem::path& source, const std::filesystem::path& target);

// Removes the hidden temporary files that killed writeAtomically calls left in
// `folder` over an hour ago, whatever their target: only for folders whose
// hidden files are all ours. Failures are ignored.
void removeStaleTemporaries(const std::filesystem::path& folder);

// What shows of a file without reading it: writing it in place or replacing
// it changes the stamp.
struct FileStamp {
  std::uintmax_t size = 0;
  std::int64_t modifiedSeconds = 0;
  std::int64_t modifiedNanoseconds = 0;
  std::uintmax_t inode = 0;
  bool operator==(const FileStamp&) const = default;
};

// The stamp of the file `path` names (links followed), or nothing when it
// cannot be looked at.
std::optional<FileStamp> fileStamp(const std::filesystem::path& path);

// Everything the file system tells of a file that a change to it changes: a
// write in place moves the change time even when the modification time is set
// back afterwards (which a cloud client does), and a replace by rename brings
// another inode. Times in nanoseconds since the epoch.
struct FileStatus {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint32_t mode = 0;
  std::uint64_t size = 0;
  std::int64_t modified = 0;
  std::int64_t changed = 0;
  bool operator==(const FileStatus&) const = default;
};

// The status of the file `path` names (links followed); nothing when no file
// is there. Throws std::filesystem::filesystem_error when it cannot be looked
// at: a file that may be there is not taken for one that is not.
std::optional<FileStatus> fileStatus(const std::filesystem::path& path);

// All bytes of a file. Throws std::filesystem::filesystem_error.
std::string readFile(const std::filesystem::path& path);

// Under a file-size limit (ulimit -f) the kernel ends a process whose write
// crosses it with SIGXFSZ, leaving its temporary file behind. After this call
// such a write fails with EFBIG instead, like a full disk: the temporary file
// goes and the error reaches the caller. A handler rather than SIG_IGN, which
// every program the process starts would inherit.
void failWritesOverTheSizeLimit();

// Test seam for the file paths: called before each step of writeAtomically
// ("create", "write", "fsync", "rename", "fsync-folder") and of moveOver
// ("rename", "fsync-folder"), and before readFile reads ("read"). A hook may
// throw to simulate a failing disk, end the process to simulate a crash, or
// change the file as another program would at that moment.
using FileStepHook = void (*)(std::string_view step, const std::filesystem::path& target);
void setFileStepHook(FileStepHook hook);

}  // namespace platform
