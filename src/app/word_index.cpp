#include "app/word_index.h"

#include <QCollator>
#include <QLocale>
#include <QString>
#include <algorithm>
#include <cstring>
#include <numeric>

#include "app/entry_row.h"
#include "app/qt_text.h"
#include "app/word_search.h"
#include "model/part_of_speech.h"
#include "platform/text.h"

namespace {

QCollator tableCollator() {
  QCollator collator{QLocale()};
  collator.setNumericMode(true);
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  return collator;
}

// Ranks of `texts` in the collator's order; equal texts share a rank.
std::vector<std::uint32_t> rank(const std::vector<QString>& texts) {
  const QCollator collator = tableCollator();
  std::vector<QCollatorSortKey> keys;
  keys.reserve(texts.size());
  for (const QString& text : texts) keys.push_back(collator.sortKey(text));
  std::vector<std::uint32_t> order(texts.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return keys[a].compare(keys[b]) < 0; });
  std::vector<std::uint32_t> ranks(texts.size());
  std::uint32_t current = 0;
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (i > 0 && keys[order[i - 1]].compare(keys[order[i]]) != 0) {
      current = static_cast<std::uint32_t>(i);
    }
    ranks[order[i]] = current;
  }
  return ranks;
}

}  // namespace

WordIndex::WordIndex(std::shared_ptr<const MasterSnapshot> snapshot)
    : snapshot_(std::move(snapshot)) {
  offsets_.reserve(snapshot_->files.size() + 1);
  std::size_t total = 0;
  std::size_t bytes = 0;
  for (const MasterFile& file : snapshot_->files) {
    offsets_.push_back(total);
    total += file.entries.size();
    for (const DictEntry& e : file.entries) {
      bytes += e.reading.size() + e.word.size() + e.comment.size() + 3;
    }
  }
  offsets_.push_back(total);

  // Kana and kanji have no case: most texts are copied as they are, and only the others lowered.
  const auto append = [this](const std::string& field) {
    if (WordSearch::mayChangeWhenLowered(field)) {
      WordSearch::appendLowered(field, text_);
    } else {
      text_.append(field);
    }
    text_.push_back('\n');
  };
  text_.reserve(bytes);
  starts_.reserve(total + 1);
  for (const MasterFile& file : snapshot_->files) {
    for (const DictEntry& e : file.entries) {
      starts_.push_back(text_.size());
      append(e.reading);
      append(e.word);
      append(e.comment);
    }
  }
  starts_.push_back(text_.size());
  for (const char c : text_) ++byteCounts_[static_cast<unsigned char>(c)];
}

std::optional<RowRef> WordIndex::find(std::string_view dictionary, std::size_t index) const {
  const auto& files = snapshot_->files;
  for (std::size_t f = 0; f < files.size(); ++f) {
    if (!platform::canonicallyEqual(files[f].name, dictionary)) continue;
    if (index >= files[f].entries.size()) return std::nullopt;
    return RowRef{static_cast<std::uint32_t>(f), static_cast<std::uint32_t>(index)};
  }
  return std::nullopt;
}

RowRef WordIndex::refOf(std::size_t number) const {
  const auto file =
      std::upper_bound(offsets_.begin(), offsets_.end(), number) - offsets_.begin() - 1;
  return {static_cast<std::uint32_t>(file), static_cast<std::uint32_t>(number - offsets_[file])};
}

std::vector<RowRef> WordIndex::matching(const std::optional<std::string>& selection,
                                        std::string_view key) const {
  const auto& files = snapshot_->files;
  std::size_t first = 0;
  std::size_t last = files.size();
  if (selection) {
    const MasterFile* selected = snapshot_->file(*selection);
    if (selected == nullptr) return {};
    first = static_cast<std::size_t>(selected - files.data());
    last = first + 1;
  }

  std::vector<RowRef> refs;
  if (key.empty()) {
    refs.reserve(offsets_[last] - offsets_[first]);
    for (std::size_t f = first; f < last; ++f) {
      const auto count = static_cast<std::uint32_t>(files[f].entries.size());
      for (std::uint32_t i = 0; i < count; ++i) refs.push_back({static_cast<std::uint32_t>(f), i});
    }
    return refs;
  }
  search(offsets_[first], offsets_[last], key, refs);
  return refs;
}

void WordIndex::search(std::size_t first, std::size_t last, std::string_view key,
                       std::vector<RowRef>& refs) const {
  const char* text = text_.data();
  if (key.find('\n') != std::string_view::npos) {
    // Such a key would match across the separators. No master line holds a line feed, but a
    // snapshot made otherwise may: look in each field on its own.
    for (std::size_t n = first; n < last; ++n) {
      const DictEntry& e = entry(refOf(n));
      for (const std::string* field : {&e.reading, &e.word, &e.comment}) {
        if (WordSearch::lowered(*field).find(key) != std::string::npos) {
          refs.push_back(refOf(n));
          break;
        }
      }
    }
    return;
  }

  // Candidates are where the key's rarest byte occurs; memchr finds those many bytes at a time.
  std::size_t pick = 0;
  for (std::size_t i = 1; i < key.size(); ++i) {
    if (byteCounts_[static_cast<unsigned char>(key[i])] <
        byteCounts_[static_cast<unsigned char>(key[pick])]) {
      pick = i;
    }
  }
  const char wanted = key[pick];
  const std::size_t end = starts_[last];
  std::size_t from = starts_[first];  // the earliest place a match may begin
  std::size_t word = first;
  while (from + key.size() <= end) {
    const void* found = std::memchr(text + from + pick, wanted, end - key.size() + 1 - from);
    if (found == nullptr) break;
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(found) - text) - pick;
    if (std::memcmp(text + at, key.data(), key.size()) != 0) {
      from = at + 1;
      continue;
    }
    word = static_cast<std::size_t>(
        std::upper_bound(starts_.begin() + static_cast<std::ptrdiff_t>(word),
                         starts_.begin() + static_cast<std::ptrdiff_t>(last), at) -
        starts_.begin() - 1);
    refs.push_back(refOf(word));
    // One row per word, however often the key occurs in it.
    ++word;
    from = starts_[word];
  }
}

const std::vector<std::uint32_t>& WordIndex::ranks(WordColumn column) const {
  const auto slot = static_cast<std::size_t>(column);
  std::call_once(ranked_[slot], [&] {
    const auto& files = snapshot_->files;
    std::vector<std::uint32_t>& result = ranks_[slot];
    result.reserve(size());
    if (column == WordColumn::dictionary || column == WordColumn::partOfSpeech) {
      // Few distinct texts: rank those, then spread the ranks over the words.
      std::vector<QString> names;
      if (column == WordColumn::dictionary) {
        for (const MasterFile& file : files) names.push_back(qtText(file.name));
        const std::vector<std::uint32_t> byFile = rank(names);
        for (std::size_t f = 0; f < files.size(); ++f) {
          result.insert(result.end(), files[f].entries.size(), byFile[f]);
        }
      } else {
        // Position 0 stands for every code outside the table ("?").
        names.push_back(QStringLiteral("?"));
        for (const PartOfSpeech::Row& row : PartOfSpeech::all()) names.push_back(qtText(row.name));
        const std::vector<std::uint32_t> byName = rank(names);
        const auto& table = PartOfSpeech::all();
        std::vector<std::uint32_t> byCode;
        for (std::size_t i = 0; i < table.size(); ++i) {
          const auto code = static_cast<std::size_t>(table[i].code);
          if (byCode.size() <= code) byCode.resize(code + 1, byName[0]);
          byCode[code] = byName[i + 1];
        }
        for (const MasterFile& file : files) {
          for (const DictEntry& entry : file.entries) {
            const bool known =
                entry.posCode >= 0 && static_cast<std::uint64_t>(entry.posCode) < byCode.size();
            result.push_back(known ? byCode[static_cast<std::size_t>(entry.posCode)] : byName[0]);
          }
        }
      }
      return;
    }
    std::vector<QString> texts;
    texts.reserve(size());
    for (const MasterFile& file : files) {
      for (const DictEntry& entry : file.entries) {
        const std::string& text = column == WordColumn::reading ? entry.reading
                                  : column == WordColumn::word  ? entry.word
                                                                : entry.comment;
        texts.push_back(qtText(text));
      }
    }
    result = rank(texts);
  });
  return ranks_[slot];
}
