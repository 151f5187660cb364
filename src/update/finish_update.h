#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// `wordloom --finish-update`: the swap of a verified new install folder for the running one,
// done by a separate process of the old version once the application has ended. At every moment
// the install folder is either the old or the new tree, whole.
namespace FinishUpdate {

// Names of work folders begin with this; they sit next to the install folder (one file system,
// so that the swap is a rename), and nothing else is ever removed by a swap.
inline constexpr std::string_view workPrefix = ".update-jp.kumomori.wordloom-";

struct Request {
  pid_t appPid = 0;              // the application to wait for
  std::filesystem::path staged;  // the verified new tree, inside `work`
  std::filesystem::path target;  // the install folder
  std::filesystem::path work;    // removed at the end
  bool relaunch = false;
  std::vector<std::string> relaunchArguments;  // given to the new binary when it is started

  bool operator==(const Request&) const = default;
};

// The command line that asks for `request`, without the program: "--finish-update", the pid,
// staged, target, work, "1" or "0", then "--" and the relaunch arguments when there are any.
std::vector<std::string> arguments(const Request& request);

// The inverse of `arguments`; none for anything else.
std::optional<Request> parse(const std::vector<std::string>& arguments);

// Called before each step ("wait", "verify", "exchange", "sync", "trash", "clean", "relaunch") so
// that a test can end the process there.
using StepHook = std::function<void(std::string_view step)>;

// Waits (at most `patience`) for the application to end, checks the staged tree against its
// manifest again, exchanges the two folders in one rename, moves the old tree to the trash as
// "<name>（<old version> を置き換え <stamp>）", removes the work folder and starts the new binary
// when asked. Returns the exit status: 0 once the new tree is in place, 1 when nothing changed.
int run(const Request& request, const StepHook& hook = {},
        std::chrono::milliseconds patience = std::chrono::minutes(10));

// The whole `--finish-update` command: parses `arguments` (after the program name) and runs.
int main(const std::vector<std::string>& arguments);

}  // namespace FinishUpdate
