#include "model/message_list.h"

#include <limits>
#include <stdexcept>

void MessageList::push_back(std::string_view message) {
  if (spans_.empty()) base_ = message.data();
  constexpr std::uint64_t most = std::numeric_limits<std::uint32_t>::max();
  // Compared as addresses: a message before the first is a caller's mistake.
  const auto offset =
      reinterpret_cast<std::uintptr_t>(message.data()) - reinterpret_cast<std::uintptr_t>(base_);
  if (reinterpret_cast<std::uintptr_t>(message.data()) < reinterpret_cast<std::uintptr_t>(base_) ||
      offset > most || message.size() > most) {
    throw std::length_error("a dictionary's words span more than 4 GiB");
  }
  spans_.push_back(
      {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(message.size())});
}
