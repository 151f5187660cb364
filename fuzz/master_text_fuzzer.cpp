// Any bytes as a master file: the UTF-8 check agrees with a plain decoder;
// the parser either refuses with its error or reads entries that the writer
// turns back into the same entries, and the reflect's encoding reader agrees;
// validation and differences of what was read do not fail.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "master/diff.h"
#include "master/encoded_master.h"
#include "master/master_error.h"
#include "master/master_format.h"
#include "master/validation.h"
#include "model/user_dictionary_file.h"
#include "platform/text.h"
#include "support/reference_utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const bool valid = platform::isValidUtf8(bytes);
  if (valid != referenceIsValidUtf8(bytes)) std::abort();
  if (!valid) return 0;

  std::vector<DictEntry> entries;
  std::string refused;
  try {
    entries = Master::parse(bytes, "a.txt");
  } catch (const MasterError& error) {
    refused = error.what();
  }
  // The reflect's own reader writes the words straight in the IME file's
  // encoding: the same words, byte for byte, or the same refusal.
  try {
    EncodedMaster encoded;
    encoded.add("a", bytes, "a.txt");
    const MessageList& messages = encoded.dictionaries.at(0).entries;
    if (!refused.empty() || messages.size() != entries.size()) std::abort();
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const DictEntry word = EncodedUserDictionaryFile::entry(messages[i]).owned();
      const DictEntry& expected = entries[i];
      if (word.reading != expected.reading || word.word != expected.word ||
          word.posCode != expected.posCode || word.comment != expected.comment) {
        std::abort();
      }
    }
  } catch (const MasterError& error) {
    if (error.what() != refused) std::abort();
  }
  if (!refused.empty()) return 0;
  bool writable = true;
  for (const DictEntry& e : entries) {
    if (e.posCode < 1 || e.posCode > 44) std::abort();
    // A comment ending in CR is the one text a line cannot carry back.
    if (e.comment.ends_with('\r')) writable = false;
  }
  if (writable && Master::parse(Master::text(entries), "a.txt") != entries) std::abort();

  Validation::check({{"A", entries}, {"B", entries}});
  UserDictionaryFile file;
  file.dictionaries.push_back({1, true, "A", entries});
  if (!Diff::between(file, file).empty()) std::abort();
  UserDictionaryFile reversed = file;
  std::reverse(reversed.dictionaries[0].entries.begin(), reversed.dictionaries[0].entries.end());
  if (!Diff::between(file, reversed).empty()) std::abort();
  return 0;
}
