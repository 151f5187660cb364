#include "platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/error_text.h"

extern char** environ;

namespace platform {
namespace {

class SpawnActions {
 public:
  SpawnActions() { posix_spawn_file_actions_init(&actions_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

}  // namespace

int waitForExit(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const ProcessOptions& options) {
  std::vector<std::string> argvStrings;
  argvStrings.reserve(arguments.size() + 1);
  argvStrings.push_back(program);
  argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& a : argvStrings) argv.push_back(a.data());
  argv.push_back(nullptr);

  SpawnActions actions;
  int pipeFds[2] = {-1, -1};
  if (options.captureOutput) {
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return {-1, systemMessage(errno)};
    posix_spawn_file_actions_adddup2(actions.get(), pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(actions.get(), pipeFds[1], STDERR_FILENO);
  } else {
    posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);

  pid_t pid = 0;
  const bool searchPath = program.find('/') == std::string::npos;
  const int spawnError =
      searchPath
          ? ::posix_spawnp(&pid, program.c_str(), actions.get(), nullptr, argv.data(), environ)
          : ::posix_spawn(&pid, program.c_str(), actions.get(), nullptr, argv.data(), environ);
  if (options.captureOutput) ::close(pipeFds[1]);
  if (spawnError != 0) {
    if (options.captureOutput) ::close(pipeFds[0]);
    return {-1, program + ": " + systemMessage(spawnError)};
  }

  ProcessResult result;
  if (options.captureOutput) {
    char buffer[4096];
    for (;;) {
      const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      result.output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
  }
  result.status = waitForExit(pid);
  return result;
}

}  // namespace platform
