// Any bytes: the dictionary file reader fails with one of its errors exactly
// where the plain reference reader does, and whatever it reads is written and
// read back to the same value.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/user_dictionary_file.h"
#include "reference_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto fast = ReferenceReader::outcome(UserDictionaryFile::parse, bytes);
  if (!ReferenceReader::same(fast, ReferenceReader::outcome(ReferenceReader::file, bytes))) {
    std::abort();
  }
  if (const auto* file = std::get_if<UserDictionaryFile>(&fast)) {
    const std::string written = file->serialized();
    const UserDictionaryFile back = UserDictionaryFile::parse(written);
    if (!(back == *file) || back.serialized() != written) std::abort();
  }
  return 0;
}
