#include "sync/sync_paths.h"

#include <nlohmann/json.hpp>
#include <system_error>

#include "platform/files.h"
#include "platform/home.h"

namespace {

constexpr std::string_view unconfiguredName = "未設定";

std::filesystem::path utf8Path(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace

StandardLocations StandardLocations::linuxMozc(const SyncEnvironment& environment) {
  const std::filesystem::path dataHome = platform::xdgBaseDirectory(
      environment.get("XDG_DATA_HOME"), environment.home / ".local/share");

  // Mozc's own choice of profile folder, so that we write the file it reads.
  std::filesystem::path profile = environment.home / ".mozc";
  std::error_code error;
  if (!std::filesystem::is_directory(profile, error)) {
    profile = platform::xdgBaseDirectory(environment.get("XDG_CONFIG_HOME"),
                                         environment.home / ".config") /
              "mozc";
  }
  return {.state = dataHome / "Wordloom", .dictionary = profile / "user_dictionary.db"};
}

StandardLocations StandardLocations::macOS(const SyncEnvironment& environment) {
  const std::filesystem::path support = environment.home / "Library/Application Support";
  return {.state = support / "Wordloom",
          .dictionary = support / "Google/JapaneseInput/user_dictionary.db"};
}

StandardLocations StandardLocations::current(const SyncEnvironment& environment) {
#ifdef __APPLE__
  return macOS(environment);
#else
  return linuxMozc(environment);
#endif
}

std::filesystem::path SyncPaths::lastApplied() const {
  return state / utf8Path("前回反映した辞書.db");
}

std::filesystem::path SyncPaths::pendingWrite() const {
  return state / utf8Path("反映中の辞書.db");
}

std::filesystem::path SyncPaths::reflectFingerprint() const {
  return state / utf8Path("前回反映の指紋.txt");
}

std::filesystem::path SyncPaths::backups() const {
  return state / utf8Path("辞書ファイル控え");
}

bool SyncPaths::isConfigured() const {
  return master != unconfigured(state);
}

std::filesystem::path SyncPaths::unconfigured(const std::filesystem::path& state) {
  return state / utf8Path(unconfiguredName);
}

SyncPaths SyncPaths::standard() {
  return standard(SyncEnvironment::process());
}

SyncPaths SyncPaths::standard(const SyncEnvironment& environment) {
  const StandardLocations locations = StandardLocations::current(environment);
  return {
      .master = SyncConfig::master(locations.state, true, environment.home)
                    .value_or(unconfigured(locations.state)),
      .dictionary = locations.dictionary,
      .state = locations.state,
  };
}

namespace SyncConfig {

std::filesystem::path file(const std::filesystem::path& state) {
  return state / utf8Path("設定.json");
}

std::optional<std::filesystem::path> master(const std::filesystem::path& state, bool legacy) {
  return master(state, legacy, SyncEnvironment::process().home);
}

std::optional<std::filesystem::path> masterIn(std::string_view text) {
  try {
    const nlohmann::json config = nlohmann::json::parse(text);
    if (!config.is_object()) return std::nullopt;
    const auto found = config.find("master");
    if (found == config.end() || !found->is_string()) return std::nullopt;
    const auto& value = found->get_ref<const std::string&>();
    // The window and the service run from different working folders, and the system would
    // cut a path at a NUL: either would point them at another folder than the one chosen.
    if (value.empty() || value.front() != '/' || value.find('\0') != std::string::npos) {
      return std::nullopt;
    }
    return utf8Path(value);
  } catch (const nlohmann::json::exception&) {
    return std::nullopt;
  }
}

std::optional<std::filesystem::path> master(const std::filesystem::path& state, bool legacy,
                                            const std::filesystem::path& home) {
  std::optional<std::string> text;
  try {
    text = platform::readFile(file(state));
  } catch (const std::exception&) {
    // Unreadable: no configuration.
  }
  if (text) {
    if (auto chosen = masterIn(*text)) return chosen;
  }
  if (!legacy) return std::nullopt;
  for (std::string_view relative : legacyMasters) {
    const std::filesystem::path candidate = home / utf8Path(relative);
    std::error_code error;
    if (std::filesystem::exists(candidate, error)) return candidate;
  }
  return std::nullopt;
}

bool isSaved(const std::filesystem::path& state) {
  std::error_code error;
  return std::filesystem::exists(file(state), error);
}

std::string text(const std::filesystem::path& master) {
  const std::u8string path = master.u8string();
  nlohmann::json config = nlohmann::json::object();
  config["master"] = std::string(path.begin(), path.end());
  // nlohmann::json keeps object members sorted by key.
  try {
    return config.dump(2) + "\n";
  } catch (const nlohmann::json::type_error&) {
    throw std::filesystem::filesystem_error("cannot encode", master,
                                            std::make_error_code(std::errc::illegal_byte_sequence));
  }
}

void save(const std::filesystem::path& master, const std::filesystem::path& state) {
  const std::string saved = text(master);
  std::filesystem::create_directories(state);
  platform::writeAtomically(file(state), saved);
}

}  // namespace SyncConfig

SyncPaths syncPathsFromEnvironment() {
  return syncPathsFromEnvironment(SyncEnvironment::process());
}

SyncPaths syncPathsFromEnvironment(const SyncEnvironment& environment) {
  SyncPaths paths = SyncPaths::standard(environment);
  const std::optional<std::string> master = environment.get("LUMI_MASTER");
  if (master) paths.master = environment.expand(*master);
  if (const auto dictionary = environment.get("LUMI_DICT")) {
    paths.dictionary = environment.expand(*dictionary);
  }
  if (const auto state = environment.get("LUMI_STATE")) {
    paths.state = environment.expand(*state);
    if (!master) {
      paths.master = SyncConfig::master(paths.state, false, environment.home)
                         .value_or(SyncPaths::unconfigured(paths.state));
    }
  }
  return paths;
}

bool reloadsConverterFromEnvironment() {
  return reloadsConverterFromEnvironment(SyncEnvironment::process());
}

bool reloadsConverterFromEnvironment(const SyncEnvironment& environment) {
  return environment.get("LUMI_NO_RELOAD") != "1";
}

bool isPointedAtCopies() {
  return isPointedAtCopies(SyncEnvironment::process());
}

bool isPointedAtCopies(const SyncEnvironment& environment) {
  return environment.get("LUMI_MASTER") || environment.get("LUMI_DICT") ||
         environment.get("LUMI_STATE");
}
