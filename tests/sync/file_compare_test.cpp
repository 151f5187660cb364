#include "sync/file_compare.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace {

// Sizes around the piece the comparison reads at a time, and the ways a
// copy can differ from the bytes: at either end, by a byte more or less.
TEST(FileCompare, FindsEveryDifferenceWhereverItFalls) {
  constexpr std::size_t piece = 1 << 20;
  struct Change {
    const char* name;
    bool same;
    std::string (*apply)(std::string);
  };
  const Change changes[] = {
      {"equal", true, [](std::string s) { return s; }},
      {"first byte", false,
       [](std::string s) {
         if (!s.empty()) s.front() ^= 1;
         return s;
       }},
      {"last byte", false,
       [](std::string s) {
         if (!s.empty()) s.back() ^= 1;
         return s;
       }},
      {"longer", false, [](std::string s) { return s + "x"; }},
      {"shorter", false,
       [](std::string s) {
         if (!s.empty()) s.pop_back();
         return s;
       }},
  };
  TempDir dir;
  const std::filesystem::path file = dir / "copy.db";
  for (const std::size_t size :
       {std::size_t{0}, std::size_t{1}, piece - 1, piece, piece + 1, 3 * piece + 7}) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 131 % 251);
    for (const Change& change : changes) {
      const std::string written = change.apply(bytes);
      if (written == bytes && !change.same) continue;  // nothing to change in an empty file
      SCOPED_TRACE(std::to_string(size) + " bytes, " + change.name);
      platform::writeAtomically(file, written);
      EXPECT_EQ(fileHoldsExactly(file, bytes), change.same);
      // Made in uneven pieces, and read from another file.
      EXPECT_EQ(fileHoldsExactly(file, bytes.size(),
                                 [&](const platform::ByteSink& sink) {
                                   for (std::size_t at = 0; at < bytes.size(); at += 7 + at / 2) {
                                     sink(std::string_view(bytes).substr(at, 7 + at / 2));
                                   }
                                 }),
                change.same);
      platform::writeAtomically(dir / "original.db", bytes);
      EXPECT_EQ(filesHoldTheSame(file, dir / "original.db"), change.same);
      EXPECT_EQ(filesHoldTheSame(dir / "original.db", file), change.same);
    }
  }
}

TEST(FileCompare, AFileThatCannotBeReadIsAnErrorNotADifference) {
  TempDir dir;
  EXPECT_THROW(fileHoldsExactly(dir / "missing", "x"), std::filesystem::filesystem_error);
  EXPECT_THROW(fileHoldsExactly(dir.path(), ""), std::filesystem::filesystem_error);
  platform::writeAtomically(dir / "present", "x");
  EXPECT_THROW(filesHoldTheSame(dir / "present", dir / "missing"),
               std::filesystem::filesystem_error);
  EXPECT_THROW(filesHoldTheSame(dir / "missing", dir / "present"),
               std::filesystem::filesystem_error);
  EXPECT_THROW(filesHoldTheSame(dir / "present", dir.path()), std::filesystem::filesystem_error);
}

}  // namespace
