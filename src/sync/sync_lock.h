#pragma once

#include <filesystem>
#include <utility>

// Keeps two reflects of this system apart, across processes: an exclusive
// flock on "<state>/.lock", which the system drops when the holder dies.
namespace SyncLock {

std::filesystem::path file(const std::filesystem::path& state);

// Holds the lock from construction to destruction. Creating the state folder
// may throw; a lock file that cannot be opened leaves the holder unlocked.
// With `create` false nothing is created: no folder or lock file, no lock.
class Holder {
 public:
  explicit Holder(const std::filesystem::path& state, bool create = true);
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;
  ~Holder();

 private:
  int fd_ = -1;
};

// Runs `body` under the lock and passes on what it returns or throws.
template <class Body>
auto run(const std::filesystem::path& state, Body&& body) -> decltype(body()) {
  Holder holder(state);
  return std::forward<Body>(body)();
}

// Runs `body` under the lock when the lock file exists, else without it, and
// creates nothing: for runs that only read and must leave no trace.
template <class Body>
auto runIfPresent(const std::filesystem::path& state, Body&& body) -> decltype(body()) {
  Holder holder(state, false);
  return std::forward<Body>(body)();
}

}  // namespace SyncLock
