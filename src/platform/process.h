#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// The one way Wordloom starts another program.
namespace platform {

struct ProcessResult {
  // Exit status; 128 + signal number when a signal ended the program; -1 when
  // it could not be started (then `output` holds the reason).
  int status = 0;
  std::string output;
  bool operator==(const ProcessResult&) const = default;
};

struct ProcessOptions {
  // Standard output and standard error into `output` (one pipe); otherwise
  // both go to /dev/null.
  bool captureOutput = false;
};

// Runs `program` (a path, or a name looked up in PATH) with `arguments` and
// waits for it to end.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const ProcessOptions& options = {});

// Starts `program` (a path) with `arguments` and does not wait: in a session of its own, with no
// signal blocked and every signal at its default action (whatever this process set up for itself
// must not reach a program that outlives it), standard input on /dev/null, standard output and
// error shared with this process (where its diagnostics are kept). Returns its process id; throws std::system_error when it cannot
// be started.
pid_t startDetached(const std::string& program, const std::vector<std::string>& arguments);

// Waits for the child `pid` to end: its exit status, 128 + signal number when
// a signal ended it, -1 when it cannot be waited for.
int waitForExit(pid_t pid);

}  // namespace platform
