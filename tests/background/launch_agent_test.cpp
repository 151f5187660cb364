#include "background/launch_agent.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>

#include "background/systemd_unit.h"
#include "platform/error_text.h"
#include "platform/files.h"
#include "print_process_result.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using LaunchAgent::Host;

fs::path u8(std::string_view text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

void writeExecutable(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  platform::writeAtomically(file, text);
  fs::permissions(file, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

const std::string service = "jp.kumomori.wordloom.service";
const std::string pathUnit = "jp.kumomori.wordloom.path";
const std::string timerUnit = "jp.kumomori.wordloom.timer";

// A stand-in service manager that logs its arguments, one call a line, and
// fails with a chatty message while the file "fail" exists.
class Agent : public ::testing::Test {
 protected:
  Agent() {
    writeExecutable(tool,
                    "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + log.string() +
                        "'\n"
                        "if [ -e '" +
                        (dir / "fail").string() +
                        "' ]; then\n"
                        "  printf '\\n  Failed to connect to bus: No medium found \\r\\n\\n'\n"
                        "  exit 1\n"
                        "fi\n");
    writeExecutable(executable, "#!/bin/sh\n");
  }

  Host systemd() const {
    return {.kind = Host::Kind::systemd,
            .folder = dir / "config/systemd/user",
            .tool = tool.string(),
            .executable = executable,
            .bundleIdentifier = std::nullopt,
            .uid = 501};
  }

  Host launchd(std::optional<std::string> bundle = std::nullopt) const {
    return {.kind = Host::Kind::launchd,
            .folder = dir / "Library/LaunchAgents",
            .tool = tool.string(),
            .executable = executable,
            .bundleIdentifier = std::move(bundle),
            .uid = 501};
  }

  std::vector<std::string> calls() const {
    std::vector<std::string> lines;
    if (!fs::exists(log)) return lines;
    std::istringstream in(platform::readFile(log));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    fs::remove(log);
    return lines;
  }

  std::set<std::string> filesIn(const fs::path& folder) const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
    return names;
  }

  static void place(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    platform::writeAtomically(file, text);
  }

  static bool hasVerifier() { return std::system("command -v systemd-analyze >/dev/null") == 0; }

  // systemd's own reading of the three units. The verifier wants a runtime
  // folder even for files alone; it also checks that the quoted program
  // exists and is executable.
  platform::ProcessResult verified(const fs::path& folder) const {
    fs::create_directories(dir / "runtime");
    fs::permissions(dir / "runtime", fs::perms::owner_all);
    ::setenv("XDG_RUNTIME_DIR", (dir / "runtime").c_str(), 1);
    return platform::runProcess("systemd-analyze",
                                {"verify", "--user", (folder / service).string(),
                                 (folder / pathUnit).string(), (folder / timerUnit).string()},
                                {.captureOutput = true});
  }

  TempDir dir;
  fs::path tool = dir / "bin/service-manager";
  fs::path log = dir / "calls.log";
  // Everything a unit file or a property list must quote.
  fs::path executable = dir / u8("アプリ 100%/$HOME & <x> #1/wordloom");
  SyncPaths paths{dir / u8("クラウド 50%/マスター \\ 共有 #1"), dir / u8("mozc/user_dictionary.db"),
                  dir / "state"};
};

TEST_F(Agent, SystemdUnitsAreAcceptedBySystemd) {
  LaunchAgent::install(paths, systemd());
  const fs::path folder = systemd().folder;
  EXPECT_EQ(filesIn(folder), (std::set<std::string>{service, pathUnit, timerUnit}));
  EXPECT_EQ(calls(),
            (std::vector<std::string>{"--user daemon-reload",
                                      "--user enable --now " + pathUnit + " " + timerUnit}));

  const std::string unit = platform::readFile(folder / service);
  EXPECT_EQ(SystemdUnit::execStartProgram(unit), executable.string());
  EXPECT_NE(unit.find("Type=oneshot\n"), std::string::npos);
  EXPECT_NE(unit.find("\" --apply\n"), std::string::npos);
  const std::string watch = platform::readFile(folder / pathUnit);
  EXPECT_NE(watch.find("\nPathChanged=" + (dir / u8("クラウド 50%%/マスター \\ 共有 #1")).string() +
                       "\nPathChanged=" + paths.dictionary.string() + "\n"),
            std::string::npos)
      << watch;
  const std::string timer = platform::readFile(folder / timerUnit);
  EXPECT_NE(timer.find("\nOnActiveSec=0\nOnUnitActiveSec=600\n"), std::string::npos);

  if (!hasVerifier()) GTEST_SKIP() << "systemd-analyze is not installed";
  EXPECT_EQ(verified(folder), (platform::ProcessResult{0, ""}));
}

// The command line as systemd hands it to the program: without a ":" before
// the program, "${NAME}" and "$$" are expanded in every word, the program's
// own name included, and "$NAME" in a word of its own (systemd.service(5)).
std::vector<std::string> argumentsSystemdPasses(const std::string& unit) {
  const std::string key = "\nExecStart=";
  std::string line = unit.substr(unit.find(key) + key.size());
  line = line.substr(0, line.find('\n'));
  const bool literal = line.starts_with(':');
  if (literal) line.erase(0, 1);
  std::vector<std::string> words;
  const std::size_t close = line.find('"', 1);
  words.push_back(line.substr(1, close - 1));
  std::istringstream rest(line.substr(close + 1));
  for (std::string word; rest >> word;) words.push_back(word);
  for (std::string& word : words) {
    for (std::size_t at = word.find("%%"); at != std::string::npos; at = word.find("%%", at + 1)) {
      word.erase(at, 1);
    }
    if (literal) continue;
    const auto value = [](const std::string& name) {
      const char* set = std::getenv(name.c_str());
      return std::string(set != nullptr ? set : "");
    };
    if (word.size() > 1 && word[0] == '$' && word.find_first_of("${}/ ", 1) == std::string::npos) {
      word = value(word.substr(1));
      continue;
    }
    std::string out;
    for (std::size_t i = 0; i < word.size(); ++i) {
      if (word.compare(i, 2, "$$") == 0) {
        out += '$';
        ++i;
      } else if (word.compare(i, 2, "${") == 0 && word.find('}', i) != std::string::npos) {
        const std::size_t end = word.find('}', i);
        out += value(word.substr(i + 2, end - i - 2));
        i = end;
      } else {
        out += word[i];
      }
    }
    word = out;
  }
  return words;
}

// systemd takes the program's path literally, but its name in argv and any
// argument would lose their "$" on the way.
TEST_F(Agent, ADollarInTheProgramsPathReachesItUnchanged) {
  for (const std::string name : {"$HOME", "${HOME}", "$$", "a$"}) {
    Host host = systemd();
    host.executable = dir / ("bin " + name) / "wordloom";
    writeExecutable(host.executable, "#!/bin/sh\n");
    LaunchAgent::install(paths, host);
    EXPECT_TRUE(LaunchAgent::pointsToThisApp(host)) << name;
    const std::string unit = platform::readFile(host.folder / service);
    EXPECT_EQ(argumentsSystemdPasses(unit),
              (std::vector<std::string>{host.executable.string(), "--apply"}))
        << unit;
    if (hasVerifier()) {
      EXPECT_EQ(verified(host.folder), (platform::ProcessResult{0, ""})) << name;
    }
  }
}

TEST_F(Agent, InstallingTwiceLeavesOneSetOfUnits) {
  LaunchAgent::install(paths, systemd());
  calls();
  LaunchAgent::install(paths, systemd());
  EXPECT_EQ(filesIn(systemd().folder), (std::set<std::string>{service, pathUnit, timerUnit}));
  EXPECT_EQ(calls(),
            (std::vector<std::string>{"--user disable --now " + pathUnit + " " + timerUnit,
                                      "--user daemon-reload",
                                      "--user enable --now " + pathUnit + " " + timerUnit}));
  EXPECT_TRUE(LaunchAgent::isInstalled(systemd()));
  EXPECT_TRUE(LaunchAgent::pointsToThisApp(systemd()));
  EXPECT_TRUE(LaunchAgent::hasAssociatedBundle(systemd()));
}

TEST_F(Agent, LegacyUnitsAreFoundAndRemoved) {
  const fs::path folder = systemd().folder;
  place(folder / "jp.sorabune.lumi-wordloom.service", "[Service]\nExecStart=/old --apply\n");
  for (const auto* suffix : {".service", ".path", ".timer"}) {
    place(folder / (std::string("jp.kumomori.lumi-wordloom") + suffix), "");
  }
  EXPECT_TRUE(LaunchAgent::isInstalled(systemd()));
  EXPECT_TRUE(LaunchAgent::hasLegacy(systemd()));
  EXPECT_FALSE(LaunchAgent::pointsToThisApp(systemd()));
  EXPECT_EQ(LaunchAgent::installedLegacyLabels(systemd()),
            (std::vector<std::string>{"jp.sorabune.lumi-wordloom", "jp.kumomori.lumi-wordloom"}));

  LaunchAgent::install(paths, systemd());
  EXPECT_EQ(filesIn(folder), (std::set<std::string>{service, pathUnit, timerUnit}));
  EXPECT_EQ(calls().front(),
            "--user disable --now jp.kumomori.lumi-wordloom.path jp.kumomori.lumi-wordloom.timer");
  EXPECT_FALSE(LaunchAgent::hasLegacy(systemd()));

  place(folder / "jp.sorabune.lumi-wordloom.timer", "");
  LaunchAgent::uninstall(systemd());
  EXPECT_TRUE(filesIn(folder).empty());
  EXPECT_FALSE(LaunchAgent::isInstalled(systemd()));
  EXPECT_EQ(calls(),
            (std::vector<std::string>{"--user disable --now " + pathUnit + " " + timerUnit,
                                      "--user disable --now jp.sorabune.lumi-wordloom.timer",
                                      "--user daemon-reload"}));
}

TEST_F(Agent, AMovedExecutableNoLongerMatches) {
  LaunchAgent::install(paths, systemd());
  Host moved = systemd();
  moved.executable = dir / "Applications/wordloom";
  EXPECT_FALSE(LaunchAgent::pointsToThisApp(moved));
  // A path sharing the old one's beginning is another program too.
  moved.executable = executable.string() + "2";
  EXPECT_FALSE(LaunchAgent::pointsToThisApp(moved));

  place(systemd().folder / service, "[Service]\nType=oneshot\n");
  EXPECT_FALSE(LaunchAgent::pointsToThisApp(systemd()));
  place(systemd().folder / service, "[Unit]\nExecStart=" + executable.string() + "\n");
  EXPECT_FALSE(LaunchAgent::pointsToThisApp(systemd()));
  fs::remove(systemd().folder / service);
  EXPECT_FALSE(LaunchAgent::pointsToThisApp(systemd()));
}

TEST_F(Agent, ALoadFailureCarriesTheTrimmedOutput) {
  place(dir / "fail", "");
  try {
    LaunchAgent::install(paths, systemd());
    FAIL() << "no error";
  } catch (const LaunchAgent::AgentError& error) {
    EXPECT_STREQ(error.what(),
                 "自動反映を有効にできませんでした: Failed to connect to bus: No medium found");
  }

  Host missing = systemd();
  missing.tool = (dir / "no-such-tool").string();
  try {
    LaunchAgent::install(paths, missing);
    FAIL() << "no error";
  } catch (const LaunchAgent::AgentError& error) {
    EXPECT_STREQ(error.what(), ("自動反映を有効にできませんでした: " + missing.tool + ": " +
                                platform::systemMessage(ENOENT))
                                   .c_str());
  }
}

TEST_F(Agent, PathsAUnitCannotHoldAreRefusedBeforeAnythingChanges) {
  for (const fs::path& master : {dir / "ends in a space ", dir / "line\nend", dir / "ends\\"}) {
    SyncPaths odd = paths;
    odd.master = master;
    EXPECT_THROW(LaunchAgent::install(odd, systemd()), fs::filesystem_error) << master;
  }
  Host quoted = systemd();
  quoted.executable = dir / "it's/wordloom";
  EXPECT_THROW(LaunchAgent::install(paths, quoted), fs::filesystem_error);
  EXPECT_FALSE(fs::exists(systemd().folder));
  EXPECT_TRUE(calls().empty());
}

// What Python's plistlib reads from the property list, as JSON.
nlohmann::json readByPython(const fs::path& file) {
  const platform::ProcessResult result =
      platform::runProcess("python3",
                           {"-c",
                            "import json, plistlib, sys\n"
                            "print(json.dumps(plistlib.load(open(sys.argv[1], 'rb'))))\n",
                            file.string()},
                           {.captureOutput = true});
  EXPECT_EQ(result.status, 0) << result.output;
  return result.status == 0 ? nlohmann::json::parse(result.output) : nlohmann::json();
}

TEST_F(Agent, LaunchdPropertyListReadsBackAsAsked) {
  if (std::system("command -v python3 >/dev/null") != 0) GTEST_SKIP() << "no python3";
  paths.master = dir / u8("a&b <c> \"d\" 'e'\r\nf\tg 日本語");
  LaunchAgent::install(paths, launchd("jp.kumomori.wordloom"));
  const fs::path plist = launchd().folder / "jp.kumomori.wordloom.plist";
  EXPECT_EQ(readByPython(plist),
            (nlohmann::json{
                {"Label", "jp.kumomori.wordloom"},
                {"ProgramArguments", {executable.string(), "--apply"}},
                {"WatchPaths", {paths.master.string(), paths.dictionary.string()}},
                {"StartInterval", 600},
                {"RunAtLoad", true},
                {"ProcessType", "Background"},
                {"LowPriorityIO", true},
                {"AssociatedBundleIdentifiers", {"jp.kumomori.wordloom"}},
            }));
  EXPECT_EQ(calls(), (std::vector<std::string>{"bootout gui/501/jp.kumomori.wordloom",
                                               "bootstrap gui/501 " + plist.string()}));
  EXPECT_TRUE(LaunchAgent::pointsToThisApp(launchd("jp.kumomori.wordloom")));
  EXPECT_TRUE(LaunchAgent::hasAssociatedBundle(launchd("jp.kumomori.wordloom")));
  EXPECT_FALSE(LaunchAgent::hasAssociatedBundle(launchd("jp.kumomori.other")));

  LaunchAgent::install(paths, launchd());
  EXPECT_FALSE(readByPython(plist).contains("AssociatedBundleIdentifiers"));
  EXPECT_FALSE(LaunchAgent::hasAssociatedBundle(launchd("jp.kumomori.wordloom")));
  EXPECT_TRUE(LaunchAgent::hasAssociatedBundle(launchd()));
}

TEST_F(Agent, LaunchdAgentsOfOtherShapesDoNotPointHere) {
  const fs::path plist = launchd().folder / "jp.kumomori.wordloom.plist";
  const auto withArguments = [&](const std::string& arguments) {
    place(plist,
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- written by hand -->\n"
          "<plist version=\"1.0\"><dict><key>Label</key><string>x</string>" +
              arguments + "</dict></plist>\n");
    return LaunchAgent::pointsToThisApp(launchd());
  };
  std::string escaped;
  for (const char c : executable.string()) {
    escaped += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&#x3E;" : std::string(1, c);
  }
  EXPECT_TRUE(withArguments("<key>ProgramArguments</key><array><string>" + escaped +
                            "</string><string>--apply</string></array>"));
  EXPECT_FALSE(withArguments(""));
  EXPECT_FALSE(withArguments("<key>ProgramArguments</key><array/>"));
  EXPECT_FALSE(withArguments("<key>ProgramArguments</key><array><integer>1</integer></array>"));
  EXPECT_FALSE(withArguments("<key>ProgramArguments</key><string>" + escaped + "</string>"));
  EXPECT_FALSE(withArguments("<key>ProgramArguments</key><array><string>" + escaped +
                             "</string><integer>1</integer></array>"));
  place(plist, "<plist><dict><key>ProgramArguments</key><array><string>");
  EXPECT_FALSE(LaunchAgent::pointsToThisApp(launchd()));
}

TEST_F(Agent, LaunchdLegacyAgentsAreBootedOutAndDeleted) {
  const fs::path folder = launchd().folder;
  place(folder / "jp.kumomori.lumi-wordloom.plist", "<plist/>");
  EXPECT_TRUE(LaunchAgent::isInstalled(launchd()));
  LaunchAgent::uninstall(launchd());
  EXPECT_EQ(calls(), (std::vector<std::string>{"bootout gui/501/jp.kumomori.wordloom",
                                               "bootout gui/501/jp.kumomori.lumi-wordloom"}));
  EXPECT_TRUE(filesIn(folder).empty());

  place(dir / "fail", "");
  try {
    LaunchAgent::install(paths, launchd());
    FAIL() << "no error";
  } catch (const LaunchAgent::AgentError& error) {
    EXPECT_EQ(error.errorCase(), LaunchAgent::AgentError::Case{LaunchAgent::AgentError::Launchctl{
                                     "Failed to connect to bus: No medium found"}});
  }
}

TEST(AgentHost, TheDefaultsAreThisProgramAndTheUsersUnitFolder) {
  ::setenv("XDG_CONFIG_HOME", "/elsewhere/config", 1);
  const Host host = Host::current();
  EXPECT_EQ(host.kind, Host::Kind::systemd);
  EXPECT_EQ(host.folder, "/elsewhere/config/systemd/user");
  EXPECT_EQ(host.executable, fs::canonical("/proc/self/exe"));
  ::setenv("XDG_CONFIG_HOME", "relative", 1);
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(Host::systemd().folder, "/home/someone/.config/systemd/user");
  EXPECT_EQ(LaunchAgent::plistURL(LaunchAgent::label, Host::launchd()),
            "/home/someone/Library/LaunchAgents/jp.kumomori.wordloom.plist");
}

}  // namespace
