#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

// SplitMix64: the same numbers from the same seed on every machine and library, so that a seed
// names one run for good.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // Uniform in [0, n); n > 0.
  std::size_t below(std::size_t n) {
    const std::uint64_t limit = UINT64_MAX - UINT64_MAX % n;
    std::uint64_t x = next();
    while (x >= limit) x = next();
    return static_cast<std::size_t>(x % n);
  }

  // Uniform in [low, high].
  int between(int low, int high) {
    return low + static_cast<int>(below(static_cast<std::size_t>(high - low + 1)));
  }

  bool chance(int percent) { return below(100) < static_cast<std::size_t>(percent); }

  template <class T>
  const T& pick(const std::vector<T>& items) {
    return items[below(items.size())];
  }

 private:
  std::uint64_t state_;
};

}  // namespace sim
