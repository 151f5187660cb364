#include "master/master_format.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <unordered_map>
#include <unordered_set>

#include "master/master_error.h"
#include "master/master_listing.h"
#include "model/part_of_speech.h"
#include "platform/files.h"
#include "platform/text.h"

namespace Master {
namespace {

constexpr std::string_view invalidUtf8 = "UTF-8 として読めません";

// Nearly every line carries a table name byte for byte; the canonical lookup
// is only needed for names written in another normalisation form.
std::optional<std::int64_t> posCode(std::string_view name) {
  for (const PartOfSpeech::Row& row : PartOfSpeech::all()) {
    if (row.name.size() == name.size() &&
        std::memcmp(row.name.data(), name.data(), name.size()) == 0) {
      return row.code;
    }
  }
  return PartOfSpeech::code(name);
}

[[noreturn]] void badLine(std::string_view file, std::int64_t line, std::string reason) {
  throw MasterError(MasterError::BadLine{std::string(file), line, std::move(reason)});
}

}  // namespace

std::vector<DictEntry> parse(std::string_view text, std::string_view file) {
  std::vector<DictEntry> entries;
  entries.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  std::int64_t lineNumber = 0;
  std::size_t position = 0;
  while (position < text.size()) {
    const std::size_t end = std::min(text.find('\n', position), text.size());
    std::string_view line = text.substr(position, end - position);
    position = end + 1;
    ++lineNumber;
    if (line.ends_with('\r')) line.remove_suffix(1);

    std::array<std::string_view, 4> columns;
    std::size_t count = 0;
    std::size_t start = 0;
    for (;;) {
      const std::size_t tab = line.find('\t', start);
      const std::string_view column =
          line.substr(start, tab == line.npos ? line.npos : tab - start);
      if (count < columns.size()) columns[count] = column;
      ++count;
      if (tab == line.npos) break;
      start = tab + 1;
    }
    if (count != 3 && count != 4) {
      badLine(file, lineNumber,
              "項目の数が " + std::to_string(count) + " です（よみ・単語・品詞・コメントの 4つ）");
    }
    const std::optional<std::int64_t> code = posCode(columns[2]);
    if (!code) {
      badLine(file, lineNumber,
              "品詞「" + std::string(columns[2]) + "」は Google 日本語入力の品詞にありません");
    }
    entries.push_back(DictEntry{std::string(columns[0]), std::string(columns[1]), *code,
                                count == 4 ? std::string(columns[3]) : std::string()});
  }
  return entries;
}

std::string text(const std::vector<DictEntry>& entries) {
  std::size_t size = 0;
  for (const DictEntry& e : entries) {
    size += e.reading.size() + e.word.size() + e.comment.size() + 20;
  }
  std::string out;
  out.reserve(size);
  for (const DictEntry& e : entries) {
    out += e.reading;
    out += '\t';
    out += e.word;
    out += '\t';
    out += PartOfSpeech::name(e.posCode).value_or("名詞");
    out += '\t';
    out += e.comment;
    out += '\n';
  }
  return out;
}

std::string normalized(std::string_view text) {
  return platform::nfc(text);
}

bool isConflictCopy(std::string_view name) {
  const std::string normal = platform::nfc(name);
  return normal.find("競合コピー") != std::string::npos ||
         normal.find("conflicted copy") != std::string::npos ||
         normal.find("のコンフリクト") != std::string::npos;
}

// Files are opened by the name the folder listed: a file system that keeps
// normalisation forms apart would not find a file stored in NFD by its NFC name.
Loaded load(const std::filesystem::path& dir) {
  Loaded loaded;
  for (const MasterListing::Name& name : MasterListing::dictionaryFiles(dir)) {
    if (isConflictCopy(name.nfc)) {
      loaded.conflictCopies.push_back(name.nfc);
      continue;
    }
    const std::string bytes = platform::readFile(dir / name.listed);
    if (!platform::isValidUtf8(bytes)) badLine(name.nfc, 0, std::string(invalidUtf8));
    loaded.dictionaries.push_back({MasterListing::dictionaryName(name.nfc),
                                   parse(MasterListing::withoutByteOrderMark(bytes), name.nfc)});
  }
  return loaded;
}

RandomId systemRandomId() {
  std::random_device device;
  std::seed_seq seed{device(), device(), device(), device()};
  auto engine = std::make_shared<std::mt19937_64>(seed);
  return [engine] {
    return std::uniform_int_distribution<std::uint64_t>(
        1, static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))(*engine);
  };
}

UserDictionaryFile build(const std::vector<MasterDictionary>& master,
                         const UserDictionaryFile* current) {
  return build(master, current, systemRandomId());
}

UserDictionaryFile build(const std::vector<MasterDictionary>& master,
                         const UserDictionaryFile* current, const RandomId& randomId) {
  UserDictionaryFile result;
  std::unordered_set<std::uint64_t> used;
  // NFC name -> the first dictionary of `current` with it, not yet taken.
  std::unordered_map<std::string, std::size_t> byName;
  if (current != nullptr) {
    result.version = current->version;
    for (std::size_t i = 0; i < current->dictionaries.size(); ++i) {
      used.insert(current->dictionaries[i].id);
      byName.emplace(platform::nfc(current->dictionaries[i].name), i);
    }
  }
  result.dictionaries.reserve(master.size());
  for (const MasterDictionary& dictionary : master) {
    const auto found = byName.find(platform::nfc(dictionary.name));
    if (found != byName.end()) {
      const UserDictionary& existing = current->dictionaries[found->second];
      result.dictionaries.push_back(
          {existing.id, existing.enabled, existing.name, dictionary.entries});
      // Two master names in different normalisation forms must not share an id.
      byName.erase(found);
      continue;
    }
    std::uint64_t id = randomId();
    while (used.contains(id)) id = randomId();
    used.insert(id);
    result.dictionaries.push_back({id, true, dictionary.name, dictionary.entries});
  }
  return result;
}

}  // namespace Master
