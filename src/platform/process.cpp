#include "platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <system_error>

#include "platform/error_text.h"

extern char** environ;

namespace platform {
namespace {

class SpawnAttributes {
 public:
  SpawnAttributes() { posix_spawnattr_init(&attributes_); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
  posix_spawnattr_t* get() { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
};

std::vector<char*> argvOf(std::vector<std::string>& strings) {
  std::vector<char*> argv;
  for (auto& a : strings) argv.push_back(a.data());
  argv.push_back(nullptr);
  return argv;
}

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

pid_t startDetached(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<std::string> argvStrings{program};
  argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv = argvOf(argvStrings);

  SpawnActions actions;
  posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  SpawnAttributes attributes;
  sigset_t none;
  sigset_t all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(attributes.get(), &none);
  posix_spawnattr_setsigdefault(attributes.get(), &all);
  posix_spawnattr_setflags(attributes.get(),
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  const int error =
      ::posix_spawn(&pid, program.c_str(), actions.get(), attributes.get(), argv.data(), environ);
  if (error != 0) throw std::system_error(error, std::generic_category(), program);
  return pid;
}

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const ProcessOptions& options) {
  std::vector<std::string> argvStrings;
  argvStrings.reserve(arguments.size() + 1);
  argvStrings.push_back(program);
  argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv = argvOf(argvStrings);

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
