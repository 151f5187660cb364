#include "background/launch_agent.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>
#include <utility>

#include "background/app_info.h"
#include "background/property_list.h"
#include "background/systemd_unit.h"
#include "platform/executable.h"
#include "platform/files.h"
#include "platform/home.h"
#include "platform/text.h"

namespace LaunchAgent {
namespace {

std::string describe(const AgentError::Case& errorCase) {
  return "自動反映を有効にできませんでした: " + std::get<AgentError::Launchctl>(errorCase).output;
}

std::string unitName(std::string_view name, std::string_view suffix) {
  return std::string(name) + std::string(suffix);
}

// A dangling link counts: it is still a file of the agent to clean up.
bool fileExists(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

bool isPresent(std::string_view name, const Host& host) {
  for (const auto& file : files(name, host)) {
    if (fileExists(file)) return true;
  }
  return false;
}

std::optional<std::string> readText(const std::filesystem::path& file) {
  try {
    return platform::readFile(file);
  } catch (const std::filesystem::filesystem_error&) {
    return std::nullopt;
  }
}

std::optional<PlistValue> installedPropertyList(const Host& host) {
  const std::optional<std::string> text = readText(plistURL(label, host));
  if (!text) return std::nullopt;
  std::optional<PlistValue> root = PropertyList::parse(*text);
  if (!root || root->kind != PlistValue::Kind::dictionary) return std::nullopt;
  return root;
}

// The strings of an array value; nothing when it is not an array of strings.
std::optional<std::vector<std::string>> strings(const PlistValue* value) {
  if (value == nullptr || value->kind != PlistValue::Kind::array) return std::nullopt;
  std::vector<std::string> result;
  for (const auto& item : value->items) {
    if (item.kind != PlistValue::Kind::string) return std::nullopt;
    result.push_back(item.text);
  }
  return result;
}

constexpr std::string_view lineEnds[] = {"\n", "\r", "\v", "\f", "\u0085", "\u2028", "\u2029"};

bool stripLineEnd(std::string& text) {
  for (const auto end : lineEnds) {
    if (text.starts_with(end)) {
      text.erase(0, end.size());
      return true;
    }
    if (text.ends_with(end)) {
      text.resize(text.size() - end.size());
      return true;
    }
  }
  return false;
}

// Line ends go as well as the spaces that platform::trimSpaces knows.
std::string trimmedOutput(std::string_view raw) {
  if (!platform::isValidUtf8(raw)) return {};
  std::string text = platform::trimSpaces(raw);
  while (stripLineEnd(text)) text = platform::trimSpaces(text);
  return text;
}

std::string launchdService(std::string_view name, const Host& host) {
  return "gui/" + std::to_string(host.uid) + "/" + std::string(name);
}

// Stops the agent of `name` from firing; whether it was loaded does not matter.
void unload(std::string_view name, const Host& host) {
  if (host.kind == Host::Kind::launchd) {
    launchctl({"bootout", launchdService(name, host)}, host);
    return;
  }
  std::vector<std::string> arguments = {"disable", "--now"};
  for (const auto* suffix : {".path", ".timer"}) {
    if (fileExists(host.folder / unitName(name, suffix))) {
      arguments.push_back(unitName(name, suffix));
    }
  }
  if (arguments.size() > 2) launchctl(arguments, host);
}

// Lets systemd forget units whose files are gone.
void forget(const Host& host) {
  if (host.kind == Host::Kind::systemd) launchctl({"daemon-reload"}, host);
}

void load(const Host& host) {
  platform::ProcessResult result;
  if (host.kind == Host::Kind::launchd) {
    result = launchctl(
        {"bootstrap", "gui/" + std::to_string(host.uid), plistURL(label, host).string()}, host);
  } else {
    result = launchctl({"daemon-reload"}, host);
    if (result.status == 0) {
      result =
          launchctl({"enable", "--now", unitName(label, ".path"), unitName(label, ".timer")}, host);
    }
  }
  if (result.status != 0) throw AgentError(AgentError::Launchctl{std::move(result.output)});
}

void deleteFiles(std::string_view name, const Host& host) {
  for (const auto& file : files(name, host)) std::filesystem::remove(file);
}

void removeLegacyFiles(const Host& host) {
  for (const auto& name : installedLegacyLabels(host)) {
    unload(name, host);
    deleteFiles(name, host);
  }
}

std::string description() {
  return SystemdUnit::plainText(AppInfo::name() + " (自動反映)");
}

std::filesystem::path defaultExecutable() {
  try {
    return platform::runningExecutable();
  } catch (const std::filesystem::filesystem_error&) {
    return {};
  }
}

}  // namespace

AgentError::AgentError(Case errorCase)
    : case_(std::move(errorCase)), description_(describe(case_)) {}

Host Host::launchd() {
  return Host{.kind = Kind::launchd,
              .folder = platform::homeDirectory() / "Library/LaunchAgents",
              .tool = "/bin/launchctl",
              .executable = defaultExecutable(),
              .bundleIdentifier = std::nullopt,
              .uid = static_cast<unsigned>(::getuid())};
}

Host Host::systemd() {
  const std::filesystem::path base = platform::xdgBaseDirectory(
      platform::environmentVariable("XDG_CONFIG_HOME"), platform::homeDirectory() / ".config");
  return Host{.kind = Kind::systemd,
              .folder = base / "systemd/user",
              .tool = "systemctl",
              .executable = defaultExecutable(),
              .bundleIdentifier = std::nullopt,
              .uid = static_cast<unsigned>(::getuid())};
}

Host Host::current() {
#ifdef __APPLE__
  return launchd();
#else
  return systemd();
#endif
}

std::vector<std::filesystem::path> files(std::string_view name, const Host& host) {
  if (host.kind == Host::Kind::launchd) return {host.folder / unitName(name, ".plist")};
  return {host.folder / unitName(name, ".service"), host.folder / unitName(name, ".path"),
          host.folder / unitName(name, ".timer")};
}

std::filesystem::path plistURL(std::string_view name, const Host& host) {
  return files(name, host).front();
}

std::string propertyList(const SyncPaths& paths, const Host& host) {
  std::vector<std::pair<std::string, PlistValue>> members = {
      {"Label", PlistValue::makeString(std::string(label))},
      {"ProgramArguments", PlistValue::makeArray({PlistValue::makeString(host.executable.string()),
                                                  PlistValue::makeString("--apply")})},
      {"WatchPaths", PlistValue::makeArray({PlistValue::makeString(paths.master.string()),
                                            PlistValue::makeString(paths.dictionary.string())})},
      {"StartInterval", PlistValue::makeInteger(startInterval)},
      {"RunAtLoad", PlistValue::makeBoolean(true)},
      {"ProcessType", PlistValue::makeString("Background")},
      {"LowPriorityIO", PlistValue::makeBoolean(true)},
  };
  if (host.bundleIdentifier) {
    members.emplace_back("AssociatedBundleIdentifiers",
                         PlistValue::makeArray({PlistValue::makeString(*host.bundleIdentifier)}));
  }
  return PropertyList::xml(PlistValue::makeDictionary(std::move(members)));
}

Units units(const SyncPaths& paths, const Host& host) {
  const std::string unit = "[Unit]\nDescription=" + description() + "\n";
  const std::string service = unitName(label, ".service");
  return Units{
      .service = unit +
                 "\n[Service]\n"
                 "Type=oneshot\n"
                 "ExecStart=" +
                 SystemdUnit::commandLine(host.executable, {"--apply"}) +
                 "\n"
                 "Nice=19\n"
                 "CPUSchedulingPolicy=batch\n"
                 "IOSchedulingClass=idle\n",
      .path = unit +
              "\n[Path]\n"
              "PathChanged=" +
              SystemdUnit::pathValue(paths.master) +
              "\n"
              "PathChanged=" +
              SystemdUnit::pathValue(paths.dictionary) +
              "\n"
              "Unit=" +
              service +
              "\n"
              "\n[Install]\n"
              "WantedBy=paths.target\n",
      .timer = unit +
               "\n[Timer]\n"
               "OnActiveSec=0\n"
               "OnUnitActiveSec=" +
               std::to_string(startInterval) +
               "\n"
               "Unit=" +
               service +
               "\n"
               "\n[Install]\n"
               "WantedBy=timers.target\n",
  };
}

void install(const SyncPaths& paths, const Host& host) {
  std::vector<std::pair<std::filesystem::path, std::string>> contents;
  const std::vector<std::filesystem::path> targets = files(label, host);
  if (host.kind == Host::Kind::launchd) {
    contents.emplace_back(targets[0], propertyList(paths, host));
  } else {
    Units made = units(paths, host);
    // The service first, so that the path and timer units never name a missing one.
    contents.emplace_back(targets[0], std::move(made.service));
    contents.emplace_back(targets[1], std::move(made.path));
    contents.emplace_back(targets[2], std::move(made.timer));
  }
  std::filesystem::create_directories(host.folder);
  removeLegacyFiles(host);
  unload(label, host);
  for (const auto& [file, text] : contents) platform::writeAtomically(file, text);
  load(host);
}

void uninstall(const Host& host) {
  unload(label, host);
  deleteFiles(label, host);
  removeLegacyFiles(host);
  forget(host);
}

bool isInstalled(const Host& host) {
  return isPresent(label, host) || hasLegacy(host);
}

bool hasLegacy(const Host& host) {
  return !installedLegacyLabels(host).empty();
}

std::vector<std::string> installedLegacyLabels(const Host& host) {
  std::vector<std::string> installed;
  for (const auto name : legacyLabels) {
    if (isPresent(name, host)) installed.emplace_back(name);
  }
  return installed;
}

bool pointsToThisApp(const Host& host) {
  if (host.kind == Host::Kind::systemd) {
    const std::optional<std::string> text = readText(plistURL(label, host));
    if (!text) return false;
    const std::optional<std::string> program = SystemdUnit::execStartProgram(*text);
    return program && *program == host.executable.native();
  }
  const std::optional<PlistValue> root = installedPropertyList(host);
  if (!root) return false;
  const auto arguments = strings(root->find("ProgramArguments"));
  return arguments && !arguments->empty() && arguments->front() == host.executable.native();
}

bool hasAssociatedBundle(const Host& host) {
  // systemd units carry no bundle association.
  if (!host.bundleIdentifier || host.kind == Host::Kind::systemd) return true;
  const std::optional<PlistValue> root = installedPropertyList(host);
  if (!root) return false;
  const auto identifiers = strings(root->find("AssociatedBundleIdentifiers"));
  if (!identifiers) return false;
  for (const auto& identifier : *identifiers) {
    if (identifier == *host.bundleIdentifier) return true;
  }
  return false;
}

void removeLegacy(const Host& host) {
  removeLegacyFiles(host);
  forget(host);
}

platform::ProcessResult launchctl(const std::vector<std::string>& arguments, const Host& host) {
  std::vector<std::string> all;
  if (host.kind == Host::Kind::systemd) all.push_back("--user");
  all.insert(all.end(), arguments.begin(), arguments.end());
  platform::ProcessResult result =
      platform::runProcess(host.tool, all, platform::ProcessOptions{.captureOutput = true});
  if (result.status != -1) result.output = trimmedOutput(result.output);
  return result;
}

}  // namespace LaunchAgent
