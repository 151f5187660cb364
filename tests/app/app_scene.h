#pragma once

#include <QSignalSpy>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_model.h"
#include "master/master_format.h"
#include "model/user_dictionary_file.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

// Messages and states in failure reports.
namespace QTest {
template <>
inline char* toString(const std::optional<std::string>& message) {
  return qstrdup(message ? message->c_str() : "(none)");
}
template <>
inline char* toString(const MacState& state) {
  return qstrdup(state.summary().c_str());
}
}  // namespace QTest
using Words = std::vector<DictEntry>;

inline fs::path u8(std::string_view text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

// `count` words "<prefix>0"… read "よみ0"…
inline Words words(const std::string& prefix, int count) {
  Words list;
  for (int i = 0; i < count; ++i)
    list.push_back({"よみ" + std::to_string(i), prefix + std::to_string(i)});
  return list;
}

// A master folder, this computer's dictionary file, a state folder and a service folder inside a
// temporary folder, with a stand-in IME (installed, no tool open, a reload that logs) and
// a stand-in systemctl that logs its calls and fails while the file "fail" exists.
class Scene {
 public:
  Scene() {
    fs::create_directories(master);
    fs::create_directories(dictionary.parent_path());
    platform::writeAtomically(dir / "installed", "");
    fs::create_directories(tool.parent_path());
    platform::writeAtomically(tool, "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" +
                                        (dir / "calls.log").string() + "'\n[ -e '" +
                                        (dir / "fail").string() + "' ] && exit 1\nexit 0\n");
    fs::permissions(tool, fs::perms::owner_all);
    fs::create_directories(executable.parent_path());
    platform::writeAtomically(executable, "");
  }

  LaunchAgent::Host host() const {
    return {.kind = LaunchAgent::Host::Kind::systemd,
            .folder = dir / "units",
            .tool = tool.string(),
            .executable = executable,
            .bundleIdentifier = std::nullopt,
            .uid = 501};
  }

  // `configured` false: no master chosen yet, as at first launch.
  AppContext context(bool configured = true) const {
    return AppContext{
        .environment = {.variable = [vars = variables](
                                        std::string_view name) -> std::optional<std::string> {
                          const auto found = vars.find(std::string(name));
                          if (found == vars.end()) return std::nullopt;
                          return found->second;
                        },
                        .home = dir / "home"},
        .paths = SyncPaths{configured ? master : SyncPaths::unconfigured(state), dictionary, state},
        .agentHost = host(),
        .ime = {.installLocations = {(dir / "installed").string()},
                .toolProbe = {"false", {}},
                .toolCommandText = {},
                .dictionaryLockName = ".user_dictionary.db.lock",
                .reload = {"/bin/sh", {"-c", "echo >> \"$0\"", (dir / "reloads.log").string()}},
                .words = ImePlatform::current().words},
        .now =
            [] {
              return std::chrono::sys_days{std::chrono::year{2026} / 3 / 4} + std::chrono::hours{5};
            },
        .log = [log = logged](const std::string& line) { log->push_back(line); },
    };
  }

  std::unique_ptr<AppModel> model(bool configured = true) const {
    auto made = std::make_unique<AppModel>(context(configured));
    made->reload();
    return made;
  }

  void writeMaster(std::string_view name, const Words& entries) const {
    platform::writeAtomically(master / u8(std::string(name) + ".txt"), Master::text(entries));
  }
  Words masterWords(std::string_view name) const {
    return Master::parse(platform::readFile(master / u8(std::string(name) + ".txt")), name);
  }

  void writeDictionary(const std::vector<std::pair<std::string, Words>>& dictionaries) const {
    UserDictionaryFile file;
    std::uint64_t id = 100;
    for (const auto& [name, entries] : dictionaries)
      file.dictionaries.push_back({id++, true, name, entries});
    platform::writeAtomically(dictionary, file.serialized());
  }

  // The stand-in systemctl's calls since the last look.
  std::vector<std::string> calls() const {
    std::vector<std::string> lines;
    if (!fs::exists(dir / "calls.log")) return lines;
    std::istringstream in(platform::readFile(dir / "calls.log"));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    fs::remove(dir / "calls.log");
    return lines;
  }

  int reloads() const {
    if (!fs::exists(dir / "reloads.log")) return 0;
    const std::string log = platform::readFile(dir / "reloads.log");
    return static_cast<int>(std::count(log.begin(), log.end(), '\n'));
  }

  // Waits for the running reflect, if any, to hand its outcome back.
  static bool settle(AppModel& model) {
    if (!model.isSyncing()) return true;
    QSignalSpy finished(&model, &AppModel::syncFinished);
    return finished.wait(20000) && !model.isSyncing();
  }

  TempDir dir;
  fs::path master = dir / u8("クラウド/マスター");
  fs::path dictionary = dir / "mozc/user_dictionary.db";
  fs::path state = dir / "state";
  fs::path tool = dir / "bin/systemctl";
  fs::path executable = dir / "app/wordloom";
  std::map<std::string, std::string> variables;
  std::shared_ptr<std::vector<std::string>> logged = std::make_shared<std::vector<std::string>>();
};
