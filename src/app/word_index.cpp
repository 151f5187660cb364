#include "app/word_index.h"

#include <QCollator>
#include <QLocale>
#include <QString>
#include <algorithm>
#include <numeric>

#include "app/entry_row.h"
#include "app/word_search.h"
#include "model/part_of_speech.h"
#include "platform/text.h"

namespace {

enum CasedField : std::uint8_t { readingCased = 1, wordCased = 2, commentCased = 4 };

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
    if (i > 0 && keys[order[i - 1]].compare(keys[order[i]]) != 0)
      current = static_cast<std::uint32_t>(i);
    ranks[order[i]] = current;
  }
  return ranks;
}

QString qt(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

WordIndex::WordIndex(std::shared_ptr<const MasterSnapshot> snapshot)
    : snapshot_(std::move(snapshot)) {
  offsets_.reserve(snapshot_->files.size() + 1);
  std::size_t total = 0;
  for (const MasterFile& file : snapshot_->files) {
    offsets_.push_back(total);
    total += file.entries.size();
  }
  offsets_.push_back(total);
  cased_.reserve(total);
  for (const MasterFile& file : snapshot_->files) {
    for (const DictEntry& entry : file.entries) {
      cased_.push_back(static_cast<std::uint8_t>(
          (WordSearch::mayChangeWhenLowered(entry.reading) ? readingCased : 0) |
          (WordSearch::mayChangeWhenLowered(entry.word) ? wordCased : 0) |
          (WordSearch::mayChangeWhenLowered(entry.comment) ? commentCased : 0)));
    }
  }
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

  // Most words are kana and kanji, which have no case: those are searched as they are, and only
  // the few others are lowered, into one buffer that keeps its memory.
  std::string lowered;
  const auto contains = [&](const std::string& text, bool cased) {
    if (!cased) return std::string_view(text).find(key) != std::string_view::npos;
    lowered.clear();
    WordSearch::appendLowered(text, lowered);
    return std::string_view(lowered).find(key) != std::string_view::npos;
  };
  for (std::size_t f = first; f < last; ++f) {
    const std::vector<DictEntry>& entries = files[f].entries;
    const std::uint8_t* cased = cased_.data() + offsets_[f];
    const auto count = static_cast<std::uint32_t>(entries.size());
    for (std::uint32_t i = 0; i < count; ++i) {
      const DictEntry& entry = entries[i];
      if (contains(entry.reading, cased[i] & readingCased) ||
          contains(entry.word, cased[i] & wordCased) ||
          contains(entry.comment, cased[i] & commentCased)) {
        refs.push_back({static_cast<std::uint32_t>(f), i});
      }
    }
  }
  return refs;
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
        for (const MasterFile& file : files) names.push_back(qt(file.name));
        const std::vector<std::uint32_t> byFile = rank(names);
        for (std::size_t f = 0; f < files.size(); ++f) {
          result.insert(result.end(), files[f].entries.size(), byFile[f]);
        }
      } else {
        // Position 0 stands for every code outside the table ("?").
        names.push_back(QStringLiteral("?"));
        for (const PartOfSpeech::Row& row : PartOfSpeech::all()) names.push_back(qt(row.name));
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
        texts.push_back(qt(text));
      }
    }
    result = rank(texts);
  });
  return ranks_[slot];
}
