#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/message_list.h"

// The master's dictionaries as a reflect reads them: every word already
// written as the IME file's entry, a view of its message in a buffer this
// keeps. A million words then cost about the size of their text and a view
// each, where owned entries cost three strings each, and the new file is
// written from the same bytes.
class EncodedMaster {
 public:
  struct Dictionary {
    std::string name;
    MessageList entries;  // in file order
  };

  EncodedMaster() = default;
  // Room for `count` dictionaries, for `encode` to fill.
  explicit EncodedMaster(std::size_t count) : dictionaries(count), buffers_(count) {}
  // Moving keeps every view valid; a copy would point into the original.
  EncodedMaster(EncodedMaster&&) = default;
  EncodedMaster& operator=(EncodedMaster&&) = default;

  // Appends the dictionary `name` that the text of a master file holds.
  // Throws what Master::parse throws; `file` names the file in messages.
  void add(std::string name, std::string_view text, std::string_view file);
  // Makes dictionary `at` the one the text holds. Several threads may fill
  // different places at once.
  void encode(std::size_t at, std::string name, std::string_view text, std::string_view file);

  std::vector<Dictionary> dictionaries;

 private:
  std::vector<std::unique_ptr<char[]>> buffers_;
};
