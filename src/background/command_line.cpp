#include "background/command_line.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <string_view>

#include "background/app_info.h"
#include "background/background_run.h"
#include "background/launch_agent.h"
#include "master/master_error.h"
#include "platform/error_text.h"
#include "platform/home.h"
#include "sync/sync_paths.h"

namespace {

namespace fs = std::filesystem;

constexpr std::string_view usage =
    "使い方:\n"
    "  wordloom --apply\n"
    "      マスターをこの辞書へ一度反映します\n"
    "  wordloom --apply --dry-run\n"
    "      反映せずに、この辞書の状態と変わる語を表示します\n"
    "  wordloom --set-master フォルダ\n"
    "      マスターのフォルダを設定します\n"
    "  wordloom --auto-reflect on|off\n"
    "      自動反映（マスターや辞書が変わったとき、10分ごと、ログイン時）を切り替えます\n"
    "  wordloom --version\n"
    "      バージョンを表示します\n";

// Configuration and the per-user service belong to the real files: a run
// pointed at copies must not make the service reflect into them.
constexpr std::string_view copiesRefusal =
    "テスト用のフォルダで動かしているため、自動反映は切り替えられません";
constexpr std::string_view copiesMasterRefusal =
    "テスト用のフォルダで動かしているため、マスターのフォルダは設定できません";

int setMaster(const std::string& folder, std::ostream& out, std::ostream& err) {
  if (isPointedAtCopies()) {
    err << copiesMasterRefusal << '\n';
    return 1;
  }
  std::error_code error;
  const fs::path master = fs::weakly_canonical(platform::expandTilde(folder), error);
  if (error || !fs::is_directory(master)) {
    err << MasterError(MasterError::NotFound{platform::expandTilde(folder).string()}).what()
        << '\n';
    return 1;
  }
  SyncConfig::save(master, syncPathsFromEnvironment().state);
  out << "マスターのフォルダを設定しました: " << master.string() << '\n';
  return 0;
}

int autoReflect(std::string_view onOrOff, std::ostream& out, std::ostream& err) {
  if (isPointedAtCopies()) {
    err << copiesRefusal << '\n';
    return 1;
  }
  if (onOrOff == "on") {
    LaunchAgent::install(syncPathsFromEnvironment());
    out << "自動反映をオンにしました\n";
  } else {
    LaunchAgent::uninstall();
    out << "自動反映をオフにしました\n";
  }
  return 0;
}

}  // namespace

bool CommandLine::startsDesktop(const std::vector<std::string>& arguments) {
  return arguments.size() <= 1 &&
         std::find(arguments.begin(), arguments.end(), "--apply") == arguments.end();
}

int CommandLine::run(const std::vector<std::string>& arguments, NotificationSink& notifier,
                     std::ostream& out, std::ostream& err) {
  const auto has = [&](std::string_view option) {
    return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
  };
  if (has("--apply")) {
    if (has("--dry-run")) {
      BackgroundRun::dryRun(BackgroundRun::headlessSyncer(), out);
      return 0;
    }
    BackgroundRun::run(notifier);
  }
  const std::vector<std::string> rest(
      arguments.begin() + std::min<std::size_t>(1, arguments.size()), arguments.end());
  try {
    if (rest.size() == 2 && rest[0] == "--set-master") return setMaster(rest[1], out, err);
    if (rest.size() == 2 && rest[0] == "--auto-reflect" && (rest[1] == "on" || rest[1] == "off")) {
      return autoReflect(rest[1], out, err);
    }
  } catch (const std::exception& e) {
    err << platform::errorText(e) << '\n';
    return 1;
  }
  if (rest.size() == 1 && rest[0] == "--version") {
    // Also the updater's check that a new copy starts: it must print just the version.
    out << AppInfo::version() << '\n';
    return 0;
  }
  const bool help = rest.size() == 1 && (rest[0] == "--help" || rest[0] == "-h");
  (help ? out : err) << usage;
  return help ? 0 : 2;
}
