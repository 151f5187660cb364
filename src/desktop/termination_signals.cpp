#include "desktop/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace {

// Read by the handler: a plain int is all async-signal-safe code may touch.
volatile sig_atomic_t writeEnd = -1;

extern "C" void onSignal(int number) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(number);
  // A full pipe already holds a pending signal; losing this one changes nothing.
  [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
  errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(std::vector<int> numbers, QObject* parent)
    : QObject(parent), numbers_(std::move(numbers)) {
  if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw std::system_error(errno, std::generic_category(), "pipe2");
  }
  writeEnd = pipe_[1];
  notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::drain);
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int number : numbers_) ::sigaction(number, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
  for (const int number : numbers_) ::signal(number, SIG_DFL);
  writeEnd = -1;
  notifier_.reset();
  ::close(pipe_[0]);
  ::close(pipe_[1]);
}

void TerminationSignals::drain() {
  unsigned char byte = 0;
  while (::read(pipe_[0], &byte, 1) == 1) emit received(byte);
}
