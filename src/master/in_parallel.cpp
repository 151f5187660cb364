#include "master/in_parallel.h"

#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

void inParallel(std::size_t count, const std::function<void(std::size_t)>& work) {
  std::vector<std::exception_ptr> failures(count);
  std::atomic<std::size_t> next{0};
  const auto run = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < count;) {
      try {
        work(i);
      } catch (...) {
        failures[i] = std::current_exception();
      }
    }
  };
  std::thread helper;
  if (count > 1 && std::thread::hardware_concurrency() > 1) {
    try {
      helper = std::thread(run);
    } catch (const std::system_error&) {
      // No thread to be had: all on this one.
    }
  }
  run();
  if (helper.joinable()) helper.join();
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}
