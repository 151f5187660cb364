#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "master/ignored_words.h"
#include "platform/files.h"
#include "sync/sync_paths.h"

// What a successful reflect read, told by the file system alone: the program,
// the master folder and every entry in it (dictionaries, conflict copies, the
// deleted-dictionaries list), the dictionary file, the last applied copy and
// the pending write (absent). A run that finds every stamp as recorded knows
// the outcome without reading a word; the master's words the IME ignores come
// from the record, so that their notice is settled as after a full check.
struct ReflectFingerprint {
  struct Stamp {
    std::string path;
    std::optional<platform::FileStatus> status;  // nothing: no file there
    bool operator==(const Stamp&) const = default;
  };

  // Nanoseconds since the epoch, read before the first stamp was taken.
  std::int64_t takenAt = 0;
  std::optional<platform::FileStatus> program;
  std::vector<Stamp> stamps;  // sorted by path
  std::vector<IgnoredWord> ignoredWords;
  // False once a stamp could not be taken: such a fingerprint proves nothing.
  bool complete = true;
  bool operator==(const ReflectFingerprint&) const = default;

  // A second change within one tick of a file system's clock leaves the
  // stamps as the first left them, so a file changed this close before the
  // recording is never trusted. The coarsest clock a master may live on is
  // FAT's, in steps of two seconds.
  static constexpr std::chrono::nanoseconds granularity = std::chrono::seconds(2);

  // The program and the master folder as they stand: taken before the master
  // is read, so that a change while it is read shows in the next run.
  static ReflectFingerprint begin(const SyncPaths& paths);
  // Takes (again) the stamp of `file`.
  void stamp(const std::filesystem::path& file);
  // Every stamp as in `now`, and no file changed within `granularity` before
  // the recording.
  bool trusts(const ReflectFingerprint& now) const;

  // The ignored words of the last successful reflect when nothing it read has
  // changed since and no write is pending; nothing when the full check must run.
  static std::optional<std::vector<IgnoredWord>> upToDate(const SyncPaths& paths);
  // Records this fingerprint as that of a successful reflect that found
  // `ignored`, stamping the last applied copy and the pending write first.
  // Failures are ignored: the next run then reads everything.
  void save(const SyncPaths& paths, std::vector<IgnoredWord> ignored);
  // Drops the record, so that a run that stops or fails leaves none behind.
  static void forget(const SyncPaths& paths);

  std::string serialized() const;
  // Nothing for bytes `serialized` did not write.
  static std::optional<ReflectFingerprint> parse(std::string_view bytes);
};
