#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <csignal>
#include <memory>
#include <vector>

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the main thread. The handler only writes
// the signal's number into a pipe that the event loop watches, so the main thread finishes what
// it is doing first. Handlers, not "ignore" or a blocked mask: those would be inherited by every
// program this process starts.
class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  // One per process: the handlers write into this object's pipe until it is destroyed, when
  // the signals return to their default action.
  explicit TerminationSignals(std::vector<int> numbers = {SIGTERM, SIGINT, SIGHUP},
                              QObject* parent = nullptr);
  ~TerminationSignals() override;

 signals:
  void received(int number);

 private:
  void drain();

  int pipe_[2] = {-1, -1};
  std::vector<int> numbers_;
  std::unique_ptr<QSocketNotifier> notifier_;
};
