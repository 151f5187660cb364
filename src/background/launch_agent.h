#pragma once

#include <array>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/process.h"
#include "sync/sync_paths.h"

// Automatic reflect: a per-user service that starts this executable with
// --apply when the master folder or the dictionary file changes, every 600
// seconds and at log-in. On Linux it is a set of systemd user units, on macOS
// a launchd agent; both are kept under the same label and the same operations.
namespace LaunchAgent {

inline constexpr std::string_view label = "jp.kumomori.wordloom";
inline constexpr std::array<std::string_view, 2> legacyLabels = {
    "jp.sorabune.lumi-wordloom",
    "jp.kumomori.lumi-wordloom",
};
inline constexpr int startInterval = 600;

class AgentError : public std::exception {
 public:
  // Loading the agent failed; the service manager's trimmed output.
  struct Launchctl {
    std::string output;
    bool operator==(const Launchctl&) const = default;
  };
  using Case = std::variant<Launchctl>;

  explicit AgentError(Case errorCase);
  const Case& errorCase() const noexcept { return case_; }
  const char* what() const noexcept override { return description_.c_str(); }
  bool operator==(const AgentError& other) const { return case_ == other.case_; }

 private:
  Case case_;
  std::string description_;
};

// Where agents are kept and which service manager loads them. Tests point it
// at temporary folders and stand-in programs.
struct Host {
  enum class Kind { launchd, systemd };
  Kind kind = Kind::systemd;
  // The LaunchAgents folder, or the systemd user unit folder.
  std::filesystem::path folder;
  // launchctl, or systemctl (run with --user).
  std::string tool;
  // The program the agent starts.
  std::filesystem::path executable;
  // The application's bundle identifier, where it has one (launchd only).
  std::optional<std::string> bundleIdentifier;
  // The launchd domain is gui/<uid>.
  unsigned uid = 0;

  bool operator==(const Host&) const = default;

  // ~/Library/LaunchAgents and /bin/launchctl.
  static Host launchd();
  // $XDG_CONFIG_HOME/systemd/user (default ~/.config/systemd/user) and systemctl.
  static Host systemd();
  // launchd on macOS, systemd elsewhere.
  static Host current();
};

// The files that make up the agent of `name`: the property list, or the
// service, path and timer units (the service first).
std::vector<std::filesystem::path> files(std::string_view name, const Host& host = Host::current());
// The main file of the agent of `name`: the property list or the service unit.
std::filesystem::path plistURL(std::string_view name, const Host& host = Host::current());

// The property list of the agent for `paths`. Throws std::system_error for
// paths XML cannot hold.
std::string propertyList(const SyncPaths& paths, const Host& host);

// The systemd units of the agent for `paths`.
struct Units {
  std::string service;
  std::string path;
  std::string timer;
  bool operator==(const Units&) const = default;
};
// Throws std::system_error for paths a unit file cannot hold.
Units units(const SyncPaths& paths, const Host& host);

// Writes and loads the agent for `paths`, replacing any earlier one and the
// legacy ones. Throws AgentError when loading fails, and the platform's error
// when a file or folder cannot be made or removed.
void install(const SyncPaths& paths, const Host& host = Host::current());
// Unloads and deletes the agent and the legacy ones. Throws when a file cannot be deleted.
void uninstall(const Host& host = Host::current());

bool isInstalled(const Host& host = Host::current());
bool hasLegacy(const Host& host = Host::current());
std::vector<std::string> installedLegacyLabels(const Host& host = Host::current());
// True when the installed agent starts exactly `host.executable`.
bool pointsToThisApp(const Host& host = Host::current());
// True unless the application has a bundle identifier the installed agent lacks.
bool hasAssociatedBundle(const Host& host = Host::current());
// Unloads and deletes every legacy agent; throws when a file cannot be deleted.
void removeLegacy(const Host& host = Host::current());

// Runs the service manager with `arguments` (systemctl gets --user first).
// Output is both streams, decoded as UTF-8 (empty when it is not) and
// trimmed; status -1 with the reason when it cannot be started.
platform::ProcessResult launchctl(const std::vector<std::string>& arguments,
                                  const Host& host = Host::current());

}  // namespace LaunchAgent
