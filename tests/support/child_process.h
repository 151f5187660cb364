#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <functional>
#include <string>
#include <system_error>

#include "platform/process.h"

// Runs `body` in a forked child whose exit status is what `body` returns (1
// when it throws); platform::waitForExit gives it back. Test bodies use this for locks that only
// another process can observe, and for crashes.
inline pid_t forkChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    int status = 1;
    try {
      status = body();
    } catch (...) {
    }
    ::_exit(status);
  }
  return pid;
}

// One byte through a pipe, to tell the other process that something happened.
class Signal {
 public:
  Signal() {
    if (::pipe(fds_) != 0) throw std::system_error(errno, std::generic_category());
  }
  Signal(const Signal&) = delete;
  Signal& operator=(const Signal&) = delete;
  ~Signal() {
    ::close(fds_[0]);
    ::close(fds_[1]);
  }
  void post() const {
    const char byte = 1;
    while (::write(fds_[1], &byte, 1) < 0 && errno == EINTR) {
    }
  }
  void wait() const {
    char byte = 0;
    while (::read(fds_[0], &byte, 1) < 0 && errno == EINTR) {
    }
  }

 private:
  int fds_[2] = {-1, -1};
};
