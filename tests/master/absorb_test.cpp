#include "master/absorb.h"

#include <gtest/gtest.h>

namespace {

const DictEntry a1{"あ", "亜", 1, ""};
const DictEntry i1{"い", "胃", 1, ""};
const DictEntry u1{"う", "宇", 1, ""};
const DictEntry e1{"え", "江", 1, ""};
const DictEntry o1{"お", "尾", 1, ""};

MasterSnapshot into(std::vector<DictEntry> a, std::vector<DictEntry> b = {i1}) {
  MasterSnapshot snapshot;
  snapshot.files = {{"A", "A.txt", std::move(a), "raw"}, {"B", "B.txt", std::move(b), "raw"}};
  return snapshot;
}

TEST(Absorb, AddsByKeyOnlyAndLeavesUnchangedDictionariesOut) {
  const DictionaryDiff sameKey{"A", {{"あ", "亜", 5, "別"}}, {}, {}};
  const AbsorbPlan nothing = Absorb::plan({sameKey}, into({a1}), false);
  EXPECT_TRUE(nothing.isEmpty());
  EXPECT_EQ(nothing.skipped,
            std::vector<std::string>{"「A」: 品詞などが違う 1語はマスターのままにします"});
  EXPECT_EQ(Absorb::plan({{"A", {a1}, {}, {}}}, into({a1}), false), AbsorbPlan{});

  // Created on this computer but already in the master: merged, not created again.
  const DictionaryDiff created{"B", {u1, i1, u1}, {}, {}, true};
  const AbsorbPlan merged = Absorb::plan({created}, into({a1}), false);
  EXPECT_EQ(merged.changes, (std::map<std::string, std::vector<DictEntry>>{{"B", {i1, u1}}}));
  EXPECT_TRUE(merged.newDictionaries.empty());
}

TEST(Absorb, OnAFirstRunOnlyAddsAndSaysWhatItKept) {
  const DictEntry i5{"い", "胃", 5, ""};
  const DictEntry u5{"う", "宇", 5, ""};
  const DictionaryDiff diff{"A", {o1}, {a1, e1, {"か", "蚊", 1, ""}}, {{i1, i5}, {u1, u5}}};
  const AbsorbPlan plan = Absorb::plan({diff}, into({a1, i1, u1, e1}), true);
  EXPECT_EQ(plan.changes,
            (std::map<std::string, std::vector<DictEntry>>{{"A", {a1, i1, u1, e1, o1}}}));
  EXPECT_EQ(plan.skipped,
            (std::vector<std::string>{"「A」: マスターにだけある 3語は残します",
                                      "「A」: 品詞などが違う 2語はマスターのままにします"}));
}

TEST(Absorb, RemovesAndChangesOnlyWordsThatAreStillAsThisComputerLastSawThem) {
  const DictEntry i5{"い", "胃", 5, ""};
  const DictEntry commentedElsewhere{"う", "宇", 1, "他の Mac"};
  const DictionaryDiff diff{
      "A", {}, {commentedElsewhere, a1, {"ん", "ン", 1, ""}}, {{i1, i5}, {e1, o1}}};
  const AbsorbPlan plan = Absorb::plan({diff}, into({i1, a1, {"う", "宇", 1, ""}, e1, a1}), false);
  // a1 goes once; i1 and e1 are replaced where they stood; 宇 stays as it is now.
  EXPECT_EQ(
      plan.changes,
      (std::map<std::string, std::vector<DictEntry>>{{"A", {i5, {"う", "宇", 1, ""}, o1, a1}}}));
  EXPECT_TRUE(plan.skipped.empty());
}

// An edit the master cannot take, because another computer changed or deleted the word since,
// is left out with a message: the user decides with it in view, and nothing goes unnoticed.
TEST(Absorb, SaysWhichEditsOfWordsChangedElsewhereStayOut) {
  const DictEntry i5{"い", "胃", 5, ""};
  const DictEntry i7{"い", "胃", 7, "他で"};
  struct Case {
    const char* name;
    DictionaryDiff diff;
    std::vector<DictEntry> master;
    std::vector<DictEntry> result;
    std::vector<std::string> skipped;
  };
  const Case cases[] = {
      {"changed elsewhere",
       {"A", {}, {}, {{i1, i5}}},
       {a1, i7},
       {a1, i7},
       {"「A」: 品詞などが違う 1語はマスターのままにします"}},
      {"deleted elsewhere",
       {"A", {}, {}, {{i1, i5}}},
       {a1},
       {a1},
       {"「A」: マスターで削除された 1語は取り込みません"}},
      {"already taken in", {"A", {}, {}, {{i1, i5}}}, {a1, i5}, {a1, i5}, {}},
      {"both, with an addition",
       {"A", {u1, i7}, {}, {{e1, {"え", "江", 2, ""}}}},
       {a1, i5},
       {a1, i5, u1},
       {"「A」: 品詞などが違う 1語はマスターのままにします",
        "「A」: マスターで削除された 1語は取り込みません"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const AbsorbPlan plan = Absorb::plan({c.diff}, into(c.master), false);
    EXPECT_EQ(plan.changes.contains("A") ? plan.changes.at("A") : c.master, c.result);
    EXPECT_EQ(plan.skipped, c.skipped);
  }
}

TEST(Absorb, HandlesWholeDictionariesInDiffOrder) {
  const std::vector<DictionaryDiff> diffs{
      {"A", {u1}, {a1}, {}, false, true},
      {"新", {u1, e1}, {}, {}, true},
      {"C", {u1}, {}, {}},
  };
  const AbsorbPlan plan = Absorb::plan(diffs, into({a1}), false);
  EXPECT_TRUE(plan.changes.empty());
  EXPECT_EQ(plan.newDictionaries,
            (std::map<std::string, std::vector<DictEntry>>{{"新", {u1, e1}}}));
  EXPECT_EQ(plan.skipped,
            (std::vector<std::string>{
                "辞書「A」がこのパソコンから削除されていますが、マスターの辞書は削除しません",
                "辞書「C」がマスターにないので取り込めません"}));

  const AbsorbPlan onlyMessages = Absorb::plan({diffs[0]}, into({a1}), false);
  EXPECT_TRUE(onlyMessages.isEmpty());
  EXPECT_EQ(onlyMessages.skipped.size(), 1u);
}

}  // namespace
