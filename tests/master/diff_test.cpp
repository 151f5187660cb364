#include "master/diff.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/text.h"

namespace {

UserDictionary dictionary(std::string name, std::vector<DictEntry> entries, std::uint64_t id = 1) {
  return {id, true, std::move(name), std::move(entries)};
}

UserDictionaryFile file(std::vector<UserDictionary> dictionaries) {
  UserDictionaryFile f;
  f.dictionaries = std::move(dictionaries);
  return f;
}

const DictEntry a1{"あ", "亜", 1, ""};
const DictEntry i1{"い", "胃", 1, ""};
const DictEntry u1{"う", "宇", 1, ""};

TEST(Diff, SameWordsAreNoDifferenceWhateverTheIdsFlagsAndVersion) {
  const UserDictionaryFile old = file({dictionary("A", {a1, i1}, 1)});
  UserDictionaryFile same = file({dictionary("A", {a1, i1}, 2)});
  same.dictionaries[0].enabled = false;
  same.version = 4;
  EXPECT_TRUE(Diff::between(old, old).empty());
  EXPECT_TRUE(Diff::between(old, same).empty());
  // The same text in another normalisation form is the same word.
  EXPECT_TRUE(Diff::between(file({dictionary("ガ", {{"が", "ガ", 1, ""}})}),
                            file({dictionary("カ\xE3\x82\x99", {{"か\xE3\x82\x99", "ガ", 1, ""}})}))
                  .empty());
}

TEST(Diff, PairsEntriesByKeyAndReportsTheRestAsAddedOrRemoved) {
  const DictEntry commented{"あ", "亜", 1, "メモ"};
  const DictEntry reread{"ああ", "亜", 1, ""};
  EXPECT_EQ(
      Diff::between(file({dictionary("A", {a1, i1})}), file({dictionary("A", {commented, i1})})),
      (std::vector<DictionaryDiff>{{"A", {}, {}, {{a1, commented}}}}));
  EXPECT_EQ(Diff::between(file({dictionary("A", {a1})}), file({dictionary("A", {reread})})),
            (std::vector<DictionaryDiff>{{"A", {reread}, {a1}, {}}}));
  // Of two removed entries with the added one's key, the first in old order is paired.
  const DictEntry a5{"あ", "亜", 5, ""};
  const DictEntry a9{"あ", "亜", 9, ""};
  EXPECT_EQ(Diff::between(file({dictionary("A", {a5, a9})}), file({dictionary("A", {a1})})),
            (std::vector<DictionaryDiff>{{"A", {}, {a9}, {{a5, a1}}}}));
  // Duplicates count: every copy equal to a paired entry leaves `added`.
  EXPECT_EQ(Diff::between(file({dictionary("A", {a5})}), file({dictionary("A", {a1, a1, a1})})),
            (std::vector<DictionaryDiff>{{"A", {}, {}, {{a5, a1}}}}));
  EXPECT_EQ(Diff::remaining({a1, a1, i1, a1}, {a1, u1}), (std::vector<DictEntry>{a1, i1, a1}));
}

TEST(Diff, ReportsWholeDictionariesOldOnesFirst) {
  const auto diffs = Diff::between(file({dictionary("A", {a1, i1}), dictionary("E", {})}),
                                   file({dictionary("N", {}), dictionary("B", {a1, i1}),
                                         dictionary("E", {}), dictionary("N", {u1})}));
  const std::vector<DictionaryDiff> expected{{"A", {}, {a1, i1}, {}, false, true},
                                             {"N", {}, {}, {}, true, false},
                                             {"B", {a1, i1}, {}, {}, true, false}};
  EXPECT_EQ(diffs, expected);
  EXPECT_EQ(Diff::changeCount(diffs), 3 + 1 + 3);
  EXPECT_EQ(Diff::changeCount({}), 0);
}

TEST(Diff, DescribesEachDifferenceOnALine) {
  DictionaryDiff whole{"人名", {{"あ", "亜", 5, ""}}, {{"い", "胃", 0, ""}}, {}, true, true};
  DictionaryDiff changed{
      "地名",
      {},
      {},
      {{{"う", "宇", 9, ""}, {"う", "宇", 9, "x"}}, {{"え", "江", 1, ""}, {"え", "江", 99, ""}}}};
  EXPECT_EQ(
      Diff::lines({whole, changed}),
      (std::vector<std::string>{"＋ 辞書「人名」", "− 辞書「人名」", "＋ 人名　あ → 亜（人名）",
                                "− 人名　い → 胃（?）", "～ 地名　う → 宇（地名 → 地名）",
                                "～ 地名　え → 江（名詞 → ?）"}));
}

// The comparison exactly as defined, with linear searches, to hold the
// hashing implementation to.
std::vector<DictEntry> literalRemaining(const std::vector<DictEntry>& list,
                                        std::vector<DictEntry> other) {
  std::vector<DictEntry> result;
  for (const DictEntry& e : list) {
    const auto found = std::find(other.begin(), other.end(), e);
    if (found != other.end()) {
      other.erase(found);
    } else {
      result.push_back(e);
    }
  }
  return result;
}

std::vector<DictionaryDiff> literalBetween(const UserDictionaryFile& old,
                                           const UserDictionaryFile& new_) {
  std::vector<std::string> names;
  const auto addName = [&](const std::string& name) {
    for (const std::string& n : names) {
      if (platform::canonicallyEqual(n, name)) return;
    }
    names.push_back(name);
  };
  for (const UserDictionary& d : old.dictionaries) addName(d.name);
  for (const UserDictionary& d : new_.dictionaries) addName(d.name);
  const auto first = [](const UserDictionaryFile& f,
                        const std::string& name) -> const UserDictionary* {
    for (const UserDictionary& d : f.dictionaries) {
      if (platform::canonicallyEqual(d.name, name)) return &d;
    }
    return nullptr;
  };
  std::vector<DictionaryDiff> diffs;
  for (const std::string& name : names) {
    const UserDictionary* o = first(old, name);
    const UserDictionary* n = first(new_, name);
    const std::vector<DictEntry> oe = o ? o->entries : std::vector<DictEntry>{};
    const std::vector<DictEntry> ne = n ? n->entries : std::vector<DictEntry>{};
    DictionaryDiff d;
    d.name = name;
    d.removed = literalRemaining(oe, ne);
    d.added = literalRemaining(ne, oe);
    for (const DictEntry& a : d.added) {
      for (auto r = d.removed.begin(); r != d.removed.end(); ++r) {
        if (platform::canonicallyEqual(r->key(), a.key())) {
          d.changed.push_back({*r, a});
          d.removed.erase(r);
          break;
        }
      }
    }
    std::erase_if(d.added, [&](const DictEntry& a) {
      return std::any_of(d.changed.begin(), d.changed.end(),
                         [&](const ChangedEntry& c) { return c.new_ == a; });
    });
    d.dictionaryAdded = o == nullptr;
    d.dictionaryRemoved = n == nullptr;
    if (!d.isEmpty()) diffs.push_back(std::move(d));
  }
  return diffs;
}

// Equality is canonical, so compare the bytes too: the same elements must be
// chosen, not merely equivalent ones.
void expectIdentical(const std::vector<DictEntry>& a, const std::vector<DictEntry>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].reading + "|" + a[i].word + "|" + a[i].comment,
              b[i].reading + "|" + b[i].word + "|" + b[i].comment);
  }
}

// Equal and, word by word, identical in every field.
void expectSame(const std::vector<DictionaryDiff>& actual,
                const std::vector<DictionaryDiff>& expected) {
  ASSERT_EQ(actual, expected);
  for (std::size_t i = 0; i < actual.size(); ++i) {
    ASSERT_EQ(actual[i].name, expected[i].name);
    expectIdentical(actual[i].added, expected[i].added);
    expectIdentical(actual[i].removed, expected[i].removed);
    for (std::size_t c = 0; c < actual[i].changed.size(); ++c) {
      expectIdentical({actual[i].changed[c].old, actual[i].changed[c].new_},
                      {expected[i].changed[c].old, expected[i].changed[c].new_});
    }
  }
}

TEST(Diff, GivesExactlyWhatTheLinearSearchesGive) {
  std::mt19937 random(2024);
  // Few distinct keys and canonically equal spellings, so that duplicates,
  // repeated keys and equivalent-but-different bytes are common.
  const std::vector<std::string> readings{"か", "が", "か\xE3\x82\x99", "さ"};
  const std::vector<std::string> words{"ガ", "カ\xE3\x82\x99", "蚊"};
  const std::vector<std::string> comments{"", "x", "が", "か\xE3\x82\x99"};
  const std::vector<std::string> names{"A", "B", "ガ", "カ\xE3\x82\x99"};
  const auto pick = [&](const std::vector<std::string>& from) {
    return from[random() % from.size()];
  };
  const auto entries = [&] {
    std::vector<DictEntry> list;
    for (std::size_t n = random() % 9; n > 0; --n) {
      list.push_back({pick(readings), pick(words), static_cast<std::int64_t>(1 + random() % 3),
                      pick(comments)});
    }
    return list;
  };
  const auto side = [&] {
    UserDictionaryFile f;
    for (std::size_t n = random() % 4; n > 0; --n)
      f.dictionaries.push_back(dictionary(pick(names), entries()));
    return f;
  };
  for (int round = 0; round < 3000; ++round) {
    const UserDictionaryFile old = side();
    const UserDictionaryFile new_ = side();
    const std::vector<DictionaryDiff> expected = literalBetween(old, new_);
    const std::vector<DictionaryDiff> actual = Diff::between(old, new_);
    SCOPED_TRACE("round " + std::to_string(round));
    expectSame(actual, expected);
    const std::vector<DictEntry> list = entries();
    const std::vector<DictEntry> other = entries();
    expectIdentical(Diff::remaining(list, other), literalRemaining(list, other));
    if (HasFailure()) return;
  }
}

// The reflect compares the IME's file with its words still encoded: from
// either side, the result must be the decoded comparison's, byte for byte.
TEST(Diff, WordsStillEncodedGiveWhatTheirDecodedFormGives) {
  std::mt19937 random(2025);
  const std::vector<std::string> texts{"か", "が", "か\xE3\x82\x99", "", "蚊"};
  const auto pick = [&] { return texts[random() % texts.size()]; };
  const auto side = [&] {
    UserDictionaryFile f;
    for (std::size_t n = random() % 4; n > 0; --n) {
      std::vector<DictEntry> entries;
      for (std::size_t m = random() % 9; m > 0; --m) {
        entries.push_back({pick(), pick(), static_cast<std::int64_t>(1 + random() % 3), pick()});
      }
      f.dictionaries.push_back(dictionary(random() % 2 ? "ガ" : "カ\xE3\x82\x99", entries));
    }
    return f;
  };
  for (int round = 0; round < 2000; ++round) {
    const UserDictionaryFile old = side();
    const UserDictionaryFile new_ = side();
    const std::string oldBytes = old.serialized();
    const std::string newBytes = new_.serialized();
    expectSame(Diff::between(EncodedUserDictionaryFile::parse(oldBytes), new_),
               Diff::between(old, new_));
    expectSame(Diff::between(old, EncodedUserDictionaryFile::parse(newBytes)),
               Diff::between(old, new_));
    if (HasFailure()) return;
  }
}

}  // namespace
