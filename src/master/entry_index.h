#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

// An open-addressing hash index from a precomputed hash to a position in the
// caller's own list of records. Lists of 100,000 words are looked up once per
// word; node-based maps cost a cache miss or two more per lookup, which grows
// with the size of the list.
class EntryIndex {
 public:
  explicit EntryIndex(std::size_t expected)
      : slots_(std::bit_ceil(expected * 2 + 2)), mask_(slots_.size() - 1) {}

  static constexpr std::size_t none = SIZE_MAX;

  // The position stored under `hash` for which `same(position)` holds, or
  // `none`; `insert` then adds one there.
  template <class Same>
  std::size_t find(std::size_t hash, Same&& same) {
    const std::uint32_t check = tag(hash);
    for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
      const Slot slot = slots_[i];
      if (slot.position == 0) {
        vacant_ = i;
        return none;
      }
      if (slot.check == check && same(slot.position - 1)) return slot.position - 1;
    }
  }

  // Asks for the slot of `hash` ahead of its `find`: a table larger than the
  // processor's cache otherwise waits on memory at every lookup.
  void prefetch(std::size_t hash) const { __builtin_prefetch(&slots_[hash & mask_]); }

  // Stores `position` in the vacant slot the last failed `find` stopped at.
  void insert(std::size_t hash, std::size_t position) {
    slots_[vacant_] = {tag(hash), static_cast<std::uint32_t>(position + 1)};
  }

 private:
  // Eight bytes a slot keeps twice as many slots in each cache line; the
  // bits not used to pick the slot rule out nearly every wrong candidate.
  struct Slot {
    std::uint32_t check = 0;
    std::uint32_t position = 0;  // one more than the caller's position; 0 is vacant
  };
  static std::uint32_t tag(std::size_t hash) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(hash) >> 32) ^
           static_cast<std::uint32_t>(hash);
  }
  std::vector<Slot> slots_;
  std::size_t mask_;
  std::size_t vacant_ = 0;
};
