#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "sync/sync_environment.h"

// Where the state folder and the IME's dictionary file are by default on one
// platform. Both descriptions exist everywhere so that both can be tested.
struct StandardLocations {
  std::filesystem::path state;
  std::filesystem::path dictionary;
  bool operator==(const StandardLocations&) const = default;

  // Linux with Mozc: $XDG_DATA_HOME/Wordloom, and user_dictionary.db in Mozc's
  // profile folder (~/.mozc when it exists, else $XDG_CONFIG_HOME/mozc, else
  // ~/.config/mozc).
  static StandardLocations linuxMozc(const SyncEnvironment& environment);
  // macOS with Google Japanese Input, under ~/Library/Application Support.
  static StandardLocations macOS(const SyncEnvironment& environment);
  // The description of the platform this was built for.
  static StandardLocations current(const SyncEnvironment& environment);
};

// The three locations every operation works on.
struct SyncPaths {
  std::filesystem::path master;
  std::filesystem::path dictionary;
  std::filesystem::path state;

  // Copy of the dictionary file as it stood after the last successful reflect.
  std::filesystem::path lastApplied() const;
  // The bytes a reflect is about to put into the dictionary file, written
  // before the replace and turned into the last applied copy after it, so that
  // a run killed in between is settled by the next one.
  std::filesystem::path pendingWrite() const;
  // What the last successful reflect read, told by the files' stamps, so that
  // a run finding them unchanged knows the outcome without reading a word.
  std::filesystem::path reflectFingerprint() const;
  // Folder of the dictionary file's backups.
  std::filesystem::path backups() const;
  // False while `master` is the placeholder `unconfigured(state)`.
  bool isConfigured() const;

  // The master location that means "no master chosen" (never created).
  static std::filesystem::path unconfigured(const std::filesystem::path& state);

  static SyncPaths standard();
  static SyncPaths standard(const SyncEnvironment& environment);

  bool operator==(const SyncPaths&) const = default;
};

// The persisted choice of master folder: "設定.json" in the state folder.
namespace SyncConfig {

// Older master locations, relative to the home folder, in the order they are tried.
inline constexpr std::array<std::string_view, 2> legacyMasters = {
    "Dropbox/kumomori-lab/Mac環境 同期センター/Google日本語入力/テキストマスター",
    "Dropbox/アプリ/Google日本語入力/テキストマスター",
};

std::filesystem::path file(const std::filesystem::path& state);

// The saved master folder; with `legacy`, else the first legacy location
// (under `home`) that exists. Never fails: any problem means nothing.
std::optional<std::filesystem::path> master(const std::filesystem::path& state, bool legacy);
std::optional<std::filesystem::path> master(const std::filesystem::path& state, bool legacy,
                                            const std::filesystem::path& home);

// The master folder a "設定.json" text names; nothing unless it is an absolute path.
std::optional<std::filesystem::path> masterIn(std::string_view text);

// True when "設定.json" exists, whatever it holds.
bool isSaved(const std::filesystem::path& state);

// The "設定.json" text that names `master`. Throws std::filesystem::filesystem_error when
// the path is not UTF-8.
std::string text(const std::filesystem::path& master);

// Creates the state folder and writes "設定.json" atomically. Throws
// std::filesystem::filesystem_error.
void save(const std::filesystem::path& master, const std::filesystem::path& state);

}  // namespace SyncConfig

// The paths of a run: the standard ones, overridden by LUMI_MASTER, LUMI_DICT
// and LUMI_STATE.
SyncPaths syncPathsFromEnvironment();
SyncPaths syncPathsFromEnvironment(const SyncEnvironment& environment);

// False only when LUMI_NO_RELOAD is exactly "1".
bool reloadsConverterFromEnvironment();
bool reloadsConverterFromEnvironment(const SyncEnvironment& environment);

// True when any of LUMI_MASTER, LUMI_DICT, LUMI_STATE is present.
bool isPointedAtCopies();
bool isPointedAtCopies(const SyncEnvironment& environment);
