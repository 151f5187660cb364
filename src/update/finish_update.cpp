#include "update/finish_update.h"

#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <system_error>
#include <thread>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/trash.h"
#include "update/manifest.h"
#include "update/update_log.h"

namespace FinishUpdate {
namespace {

namespace fs = std::filesystem;

void say(std::string_view what, std::string_view detail = {}) {
  std::string line = "UpdatePrompt: ";
  line += what;
  if (!detail.empty()) line.append(": ").append(detail);
  UpdatePrompt::log(line);
}

std::string errnoText() {
  return std::strerror(errno);
}

// The application started us, so while it lives it is our parent: a parent id that is no longer
// `pid` means it has ended, and a pidfd opened while it still is our parent cannot name a reused
// process id.
bool waitForApp(pid_t pid, std::chrono::milliseconds patience) {
  if (::getppid() != pid) return true;
  const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (fd < 0) {
    if (errno == ESRCH) return true;
    // Kernels before 5.3: watch the parent id instead.
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (::getppid() == pid) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return true;
  }
  bool ended = ::getppid() != pid;
  if (!ended) {
    pollfd watch{fd, POLLIN, 0};
    int ready = 0;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    do {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      ready = ::poll(&watch, 1, static_cast<int>(std::max<std::int64_t>(0, left.count())));
    } while (ready < 0 && errno == EINTR);
    ended = ready > 0;
  }
  ::close(fd);
  return ended;
}

bool isInside(const fs::path& inner, const fs::path& outer) {
  const fs::path relative = inner.lexically_relative(outer);
  return !relative.empty() && *relative.begin() != ".." && *relative.begin() != ".";
}

// Only a folder this updater made, next to the install folder, may be emptied or swapped in.
std::optional<std::string> layoutProblem(const Request& r) {
  if (!r.target.is_absolute() || !r.work.is_absolute() || !r.staged.is_absolute()) {
    return "paths must be absolute";
  }
  const fs::path target = r.target.lexically_normal();
  const fs::path work = r.work.lexically_normal();
  if (!work.filename().string().starts_with(workPrefix) ||
      work.parent_path() != target.parent_path()) {
    return r.work.string() + ": not a work folder of " + r.target.string();
  }
  if (!isInside(r.staged.lexically_normal(), work)) {
    return r.staged.string() + ": not inside " + r.work.string();
  }
  return std::nullopt;
}

void flushFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

struct FdCloser {
  int fd;
  ~FdCloser() { ::close(fd); }
};

bool holdWork(int fd, std::chrono::milliseconds patience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return true;
}

void removeWork(const fs::path& work) {
  std::error_code ignored;
  fs::remove_all(work, ignored);
}

}  // namespace

std::vector<std::string> arguments(const Request& r) {
  std::vector<std::string> out{"--finish-update", std::to_string(r.appPid), r.staged.string(),
                               r.target.string(), r.work.string(),          r.relaunch ? "1" : "0"};
  if (!r.relaunchArguments.empty()) {
    out.emplace_back("--");
    out.insert(out.end(), r.relaunchArguments.begin(), r.relaunchArguments.end());
  }
  return out;
}

std::optional<Request> parse(const std::vector<std::string>& a) {
  if (a.size() < 6 || a[0] != "--finish-update" || (a[5] != "0" && a[5] != "1")) {
    return std::nullopt;
  }
  Request r;
  const auto [end, error] = std::from_chars(a[1].data(), a[1].data() + a[1].size(), r.appPid);
  if (error != std::errc() || end != a[1].data() + a[1].size() || r.appPid <= 0) {
    return std::nullopt;
  }
  r.staged = a[2];
  r.target = a[3];
  r.work = a[4];
  r.relaunch = a[5] == "1";
  if (a.size() > 6) {
    if (a[6] != "--") return std::nullopt;
    r.relaunchArguments.assign(a.begin() + 7, a.end());
  }
  return r;
}

int run(const Request& r, const StepHook& hook, std::chrono::milliseconds patience) {
  const auto step = [&](std::string_view name) {
    if (hook) hook(name);
  };
  if (const auto problem = layoutProblem(r)) {
    say("差し替えを始められませんでした", *problem);
    return 1;
  }

  step("wait");
  if (!waitForApp(r.appPid, patience)) {
    say("アプリが終わらないため、差し替えませんでした");
    return 1;
  }
  // A newer start of the application clears work folders that nobody holds; holding ours keeps
  // it from removing this one meanwhile.
  const int workFd = ::open(r.work.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (workFd < 0) {
    say("作業用のフォルダが見つかりません", r.work.string() + ": " + errnoText());
    return 1;
  }
  const FdCloser closer{workFd};
  if (!holdWork(workFd, patience)) {
    say("作業用のフォルダを使っているアプリが終わらないため、差し替えませんでした");
    return 1;
  }

  step("verify");
  std::optional<std::string> problem;
  try {
    const auto manifest = Manifest::parse(platform::readFile(r.staged / Manifest::fileName));
    problem = manifest ? checkTree(r.staged, *manifest, {.flush = true})
                       : std::optional<std::string>("wordloom-manifest.json: unreadable");
  } catch (const fs::filesystem_error& e) {
    problem = e.what();
  }
  if (problem) {
    say("新しいバージョンが変わっていたため、差し替えませんでした", *problem);
    removeWork(r.work);
    return 1;
  }
  const std::string oldVersion = Manifest::installedVersion(r.target).value_or("?");

  step("exchange");
  if (::renameat2(AT_FDCWD, r.staged.c_str(), AT_FDCWD, r.target.c_str(), RENAME_EXCHANGE) != 0) {
    say("差し替えられませんでした", r.target.string() + ": " + errnoText());
    removeWork(r.work);
    return 1;
  }

  step("sync");
  flushFolder(r.target.parent_path());
  flushFolder(r.staged.parent_path());

  step("trash");
  // The old tree now sits where the staged one was; it goes to the trash under a name that says
  // what replaced it, so that it can be put back.
  const fs::path old =
      r.staged.parent_path() / (r.target.filename().string() + "（" + oldVersion + " を置き換え " +
                                platform::stamp(std::chrono::system_clock::now()) + "）");
  try {
    fs::rename(r.staged, old);
    platform::moveToTrash(old);
  } catch (const fs::filesystem_error& e) {
    say("古いバージョンをゴミ箱に移せませんでした", e.what());
  }

  step("clean");
  removeWork(r.work);

  step("relaunch");
  if (r.relaunch) {
    try {
      platform::startDetached((r.target / "bin" / "wordloom").string(), r.relaunchArguments);
    } catch (const std::system_error& e) {
      say("新しいバージョンを起動できませんでした", e.what());
    }
  }
  return 0;
}

int main(const std::vector<std::string>& arguments) {
  // Descriptors the application left open (the work folder's lock among them) must not reach the
  // relaunched application.
  ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
  const auto request = parse(arguments);
  if (!request) {
    say("--finish-update の引数が正しくありません");
    return 2;
  }
  return run(*request);
}

}  // namespace FinishUpdate
