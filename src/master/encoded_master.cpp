#include "master/encoded_master.h"

#include "master/master_format.h"

void EncodedMaster::add(std::string name, std::string_view text, std::string_view file) {
  dictionaries.emplace_back();
  buffers_.emplace_back();
  encode(dictionaries.size() - 1, std::move(name), text, file);
}

void EncodedMaster::encode(std::size_t at, std::string name, std::string_view text,
                           std::string_view file) {
  // Left uninitialised: the room never written to is never touched, so costs no memory.
  auto buffer = std::make_unique_for_overwrite<char[]>(Master::encodedCapacity(text));
  MessageList entries = Master::encode(text, file, buffer.get());
  buffers_[at] = std::move(buffer);
  dictionaries[at] = {std::move(name), std::move(entries)};
}
