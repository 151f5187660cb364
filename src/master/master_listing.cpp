#include "master/master_listing.h"

#include <algorithm>
#include <system_error>

#include "master/master_error.h"
#include "master/master_format.h"
#include "platform/text.h"

namespace MasterListing {

std::vector<Name> dictionaryFiles(const std::filesystem::path& dir) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (!fs::exists(fs::symlink_status(dir, error))) {
    throw MasterError(MasterError::NotFound{dir.string()});
  }
  std::vector<Name> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
    std::string listed = entry.path().filename().string();
    if (!listed.ends_with(".txt") || listed.starts_with(".")) continue;
    // Followed through links: a link to a dictionary file is a dictionary file.
    const fs::file_type type = entry.status(error).type();
    if (type == fs::file_type::directory) continue;
    std::string normal = platform::nfc(listed);
    if (type != fs::file_type::regular && type != fs::file_type::not_found) {
      throw MasterError(MasterError::NotRegularFile{platform::printable(normal)});
    }
    names.push_back({std::move(listed), std::move(normal)});
  }
  std::sort(names.begin(), names.end(), [](const Name& a, const Name& b) {
    return a.nfc != b.nfc ? a.nfc < b.nfc : a.listed < b.listed;
  });
  return names;
}

std::string dictionaryName(std::string_view fileName) {
  return std::string(fileName.substr(0, fileName.size() - 4));
}

std::string_view checkedText(std::string_view bytes, const std::string& file) {
  if (const std::size_t bad = platform::firstInvalidUtf8(bytes); bad != std::string_view::npos) {
    const auto line =
        1 + std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bad), '\n');
    throw MasterError(MasterError::BadLine{file, line, "UTF-8 として読めません"});
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return bytes;
}

std::vector<DictEntry> parseFile(std::string_view bytes, const std::string& file) {
  return Master::parse(checkedText(bytes, file), file);
}

}  // namespace MasterListing
