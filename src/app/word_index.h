#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "master/master_snapshot.h"

// A word of a snapshot by position: the file, and the entry within it.
struct RowRef {
  std::uint32_t file = 0;
  std::uint32_t index = 0;
  bool operator==(const RowRef&) const = default;
};

// The columns the word table sorts by.
enum class WordColumn { reading, word, partOfSpeech, comment, dictionary };

// A master snapshot with what searching and sorting its words needs, made once per snapshot so
// that a keystroke in the search field neither copies nor lower-cases any word. Safe to read from
// several threads.
class WordIndex {
 public:
  explicit WordIndex(std::shared_ptr<const MasterSnapshot> snapshot);
  WordIndex(const WordIndex&) = delete;
  WordIndex& operator=(const WordIndex&) = delete;

  const std::shared_ptr<const MasterSnapshot>& snapshot() const { return snapshot_; }
  const MasterFile& file(RowRef ref) const { return snapshot_->files[ref.file]; }
  const DictEntry& entry(RowRef ref) const { return file(ref).entries[ref.index]; }

  // Every word of the snapshot has a number below size(), in snapshot order, for tables kept
  // beside the words.
  std::size_t size() const { return offsets_.back(); }
  std::size_t number(RowRef ref) const { return offsets_[ref.file] + ref.index; }

  // The word at `index` of the dictionary named `dictionary`, when there is one.
  std::optional<RowRef> find(std::string_view dictionary, std::size_t index) const;

  // The words of the dictionary named `selection` (of every dictionary when absent) whose
  // lower-cased reading, word or comment contains `key` (a WordSearch::key), in snapshot order.
  std::vector<RowRef> matching(const std::optional<std::string>& selection,
                               std::string_view key) const;

  // The order of one column, as a rank per word number: the user's locale's order, digits
  // compared as numbers, capitals as small letters; equal texts share a rank. Worked out on
  // first use.
  const std::vector<std::uint32_t>& ranks(WordColumn column) const;

 private:
  // The words numbered [first, last) that hold `key` in their text, added to `refs`.
  void search(std::size_t first, std::size_t last, std::string_view key,
              std::vector<RowRef>& refs) const;
  RowRef refOf(std::size_t number) const;

  std::shared_ptr<const MasterSnapshot> snapshot_;
  std::vector<std::size_t> offsets_;  // the first number of each file, then the total
  // Every word's lower-cased reading, word and comment, each followed by a line feed (which no
  // master line holds), in one block that one pass of memchr searches.
  std::string text_;
  // Where each word's text begins in text_, then text_'s size.
  std::vector<std::size_t> starts_;
  // How often each byte occurs in text_: a search looks for the key's rarest byte.
  std::array<std::size_t, 256> byteCounts_{};
  mutable std::array<std::once_flag, 5> ranked_;
  mutable std::array<std::vector<std::uint32_t>, 5> ranks_;
};
