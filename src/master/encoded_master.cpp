#include "master/encoded_master.h"

#include "master/master_format.h"

void EncodedMaster::add(std::string name, std::string_view text, std::string_view file) {
  // Left uninitialised: the room never written to is never touched, so costs no memory.
  auto buffer = std::make_unique_for_overwrite<char[]>(Master::encodedCapacity(text));
  MessageList entries = Master::encode(text, file, buffer.get());
  buffers_.push_back(std::move(buffer));
  dictionaries.push_back({std::move(name), std::move(entries)});
}
