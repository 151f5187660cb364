#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "model/dict_entry.h"

// What the two master readers share: which files of the folder are
// dictionaries, and in which order they are read.
namespace MasterListing {

struct Name {
  std::string listed;  // as the folder gave it: the name to open the file by
  std::string nfc;
};

// Names ending in ".txt" and not beginning with ".", subfolders left out,
// sorted by their NFC forms' code points. Throws MasterError: notFound when
// nothing is at `dir`, notRegularFile for a FIFO, device or socket among
// them; listing errors pass through.
std::vector<Name> dictionaryFiles(const std::filesystem::path& dir);

// The dictionary name of a file name: without its ".txt".
std::string dictionaryName(std::string_view fileName);

// The entries of a dictionary file's bytes: strict UTF-8, a leading
// byte-order mark dropped (editors on some systems write one; it is encoding
// noise, not part of the first reading), then Master::parse. Throws
// MasterError, for bytes that are not UTF-8 with the line they are on; `file`
// names the file in messages.
std::vector<DictEntry> parseFile(std::string_view bytes, const std::string& file);
// The text parseFile reads of `bytes` (a view into them), after its UTF-8 checks.
std::string_view checkedText(std::string_view bytes, const std::string& file);

}  // namespace MasterListing
