#include "master/master_format.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "master/master_error.h"
#include "master/master_listing.h"
#include "model/part_of_speech.h"
#include "platform/files.h"
#include "platform/ime_platform.h"
#include "platform/text.h"

namespace Master {
namespace {

constexpr std::uint64_t everyByte(unsigned char b) {
  return 0x0101010101010101ULL * b;
}

// 0x80 in each byte of `x` that is zero, nothing elsewhere.
constexpr std::uint64_t zeroBytes(std::uint64_t x) {
  constexpr std::uint64_t low7 = everyByte(0x7F);
  return ~(((x & low7) + low7) | x | low7);
}

// The TABs and LFs of a text in order. Each block of sixteen bytes is looked
// at once, giving a bit per separator; a line's columns then cost a few bit
// operations each.
class Separators {
 public:
  explicit Separators(std::string_view text) : text_(text) { mask_ = maskAt(0); }

  // Offset of the next TAB or LF, or the text's size.
  std::size_t next() {
    while (mask_ == 0) {
      block_ += 16;
      if (block_ >= text_.size()) return text_.size();
      mask_ = maskAt(block_);
    }
    const std::size_t found = block_ + static_cast<std::size_t>(std::countr_zero(mask_));
    mask_ &= mask_ - 1;
    return found;
  }

 private:
  std::uint32_t maskAt(std::size_t offset) const {
    const char* p = text_.data() + offset;
    const std::size_t length = std::min<std::size_t>(16, text_.size() - offset);
#if defined(__SSE2__)
    if (length == 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_or_si128(
          _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')))));
    }
#endif
    std::uint32_t mask = 0;
    for (std::size_t i = 0; i < length; ++i) {
      if (p[i] == '\t' || p[i] == '\n') mask |= 1u << i;
    }
    return mask;
  }

  std::string_view text_;
  std::size_t block_ = 0;
  std::uint32_t mask_ = 0;
};

std::size_t countLines(std::string_view text) {
  std::size_t count = 0;
  const char* p = text.data();
  const char* const end = p + text.size();
  for (; end - p >= 8; p += 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    // One bit per LF moved to the bottom of its byte, then all bytes summed.
    count +=
        static_cast<std::size_t>(((zeroBytes(word ^ everyByte('\n')) >> 7) * everyByte(1)) >> 56);
  }
  for (; p < end; ++p) count += *p == '\n' ? 1 : 0;
  return count + 1;
}

constexpr std::string_view crOnlyReason = "行末が CR だけです（行末は LF か CR LF にしてください）";

[[noreturn]] void badLine(std::string_view file, std::int64_t line, std::string reason) {
  throw MasterError(MasterError::BadLine{std::string(file), line, std::move(reason)});
}

}  // namespace

namespace {

// Calls `take(columns, count, code)` for each line of `text`, in order, with
// its three or four columns and its part of speech's code.
template <class Take>
void forEachLine(std::string_view text, std::string_view file, Take&& take) {
  Separators separators(text);
  std::int64_t lineNumber = 0;
  std::size_t position = 0;
  while (position < text.size()) {
    ++lineNumber;
    const std::size_t lineStart = position;
    std::array<std::string_view, 4> columns;
    std::size_t count = 0;
    std::size_t separator;
    for (std::size_t start = position;; start = separator + 1) {
      separator = separators.next();
      std::size_t columnEnd = separator;
      const bool lineEnds = separator == text.size() || text[separator] == '\n';
      if (lineEnds && columnEnd > start && text[columnEnd - 1] == '\r') --columnEnd;
      if (count < columns.size()) columns[count] = text.substr(start, columnEnd - start);
      ++count;
      if (lineEnds) break;
    }
    position = separator + 1;
    // Files saved with old Mac line ends arrive as one long line; saying so
    // helps more than the column count of that line.
    const auto endsWithCrOnly = [&] {
      const std::size_t cr = text.substr(lineStart, separator - lineStart).find('\r');
      return cr != std::string_view::npos && lineStart + cr + 1 < separator;
    };
    if (count != 3 && count != 4) {
      badLine(file, lineNumber,
              endsWithCrOnly() ? std::string(crOnlyReason)
                               : "項目の数が " + std::to_string(count) +
                                     " です（よみ・単語・品詞・コメントの 4つ）");
    }
    const std::optional<std::int64_t> code = PartOfSpeech::code(columns[2]);
    if (!code) {
      badLine(file, lineNumber,
              endsWithCrOnly() ? std::string(crOnlyReason)
                               : PlatformWords::join({"品詞「" + std::string(columns[2]) + "」は",
                                                      platformWords().ime, "の品詞にありません"}));
    }
    take(columns, count, *code);
  }
}

// An entry field takes at most this many bytes more than the line it comes
// from: four field keys and five lengths of up to ten bytes, against the
// line's two TABs and a part of speech's name.
constexpr std::size_t growthPerLine = 4 + 5 * 10;

}  // namespace

std::vector<DictEntry> parse(std::string_view text, std::string_view file) {
  std::vector<DictEntry> entries;
  entries.reserve(countLines(text));
  forEachLine(
      text, file,
      [&](const std::array<std::string_view, 4>& columns, std::size_t count, std::int64_t code) {
        entries.emplace_back(std::string(columns[0]), std::string(columns[1]), code,
                             std::string(count == 4 ? columns[3] : std::string_view()));
      });
  return entries;
}

std::size_t encodedCapacity(std::string_view text) {
  return text.size() + growthPerLine * countLines(text);
}

MessageList encode(std::string_view text, std::string_view file, char* out) {
  MessageList messages;
  messages.reserve(countLines(text));
  forEachLine(
      text, file,
      [&](const std::array<std::string_view, 4>& columns, std::size_t count, std::int64_t code) {
        messages.push_back(EncodedUserDictionaryFile::writeEntry(
            out, {columns[0], columns[1], code, count == 4 ? columns[3] : std::string_view()}));
      });
  return messages;
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

// What cloud clients put into the names of the copies they make when two computers changed a file
// at once. Syncthing, common on Linux, marks its copies ".sync-conflict-<date>-<time>-<device>".
constexpr std::string_view conflictMarkers[] = {
    "競合コピー",
    "conflicted copy",
    "のコンフリクト",
#ifndef __APPLE__
    ".sync-conflict-",
#endif
};

bool isConflictCopy(std::string_view name) {
  const std::string normal = platform::nfc(name);
  return std::any_of(
      std::begin(conflictMarkers), std::end(conflictMarkers),
      [&](std::string_view marker) { return normal.find(marker) != std::string::npos; });
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
    loaded.dictionaries.push_back({MasterListing::dictionaryName(name.nfc),
                                   MasterListing::parseFile(platform::readFile(dir / name.listed),
                                                            platform::printable(name.nfc))});
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

namespace {

template <class Result, class Dictionaries, class Current>
Result buildFrom(Dictionaries& master, const Current* current, const RandomId& randomId) {
  Result result;
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
  for (auto& dictionary : master) {
    const auto found = byName.find(platform::nfc(dictionary.name));
    if (found != byName.end()) {
      const auto& existing = current->dictionaries[found->second];
      result.dictionaries.push_back(
          {existing.id, existing.enabled, existing.name, std::move(dictionary.entries)});
      // Two master names in different normalisation forms must not share an id.
      byName.erase(found);
      continue;
    }
    std::uint64_t id = randomId();
    while (used.contains(id)) id = randomId();
    used.insert(id);
    result.dictionaries.push_back(
        {id, true, std::move(dictionary.name), std::move(dictionary.entries)});
  }
  return result;
}

}  // namespace

UserDictionaryFile build(std::vector<MasterDictionary> master, const UserDictionaryFile* current) {
  return buildFrom<UserDictionaryFile>(master, current, systemRandomId());
}

UserDictionaryFile build(std::vector<MasterDictionary> master, const UserDictionaryFile* current,
                         const RandomId& randomId) {
  return buildFrom<UserDictionaryFile>(master, current, randomId);
}

UserDictionaryFile build(std::vector<MasterDictionary> master,
                         const EncodedUserDictionaryFile& current) {
  return buildFrom<UserDictionaryFile>(master, &current, systemRandomId());
}

EncodedUserDictionaryFile build(EncodedMaster& master, const EncodedUserDictionaryFile& current) {
  return buildFrom<EncodedUserDictionaryFile>(master.dictionaries, &current, systemRandomId());
}

}  // namespace Master
