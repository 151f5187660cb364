#include "platform/error_text.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <cerrno>
#include <filesystem>
#include <future>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;

bool hasJapaneseLocale() {
  const locale_t locale = ::newlocale(LC_ALL_MASK, "ja_JP.UTF-8", locale_t{});
  if (locale == locale_t{}) return false;
  ::freelocale(locale);
  return true;
}

std::error_code code(int error) {
  return {error, std::generic_category()};
}

TEST(ErrorText, PlatformErrorsNameTheFileAndTheSystemsDescription) {
  const fs::path file = "/マスター/人名.txt";
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {platform::errorText(
           fs::filesystem_error("directory iterator cannot open directory", file, code(EACCES))),
       "/マスター/人名.txt: " + platform::systemMessage(EACCES)},
      {platform::errorText(
           fs::filesystem_error("cannot move to trash", file, "/Trash/人名.txt", code(EXDEV))),
       "/マスター/人名.txt → /Trash/人名.txt: " + platform::systemMessage(EXDEV)},
      {platform::errorText(
           fs::filesystem_error("cannot write", fs::path("/bad\xFF\n"), code(ENOSPC))),
       "/bad\\xFF\\n: " + platform::systemMessage(ENOSPC)},
      {platform::errorText(fs::filesystem_error("no path", code(EIO))),
       platform::systemMessage(EIO)},
      {platform::errorText(std::system_error(ENOENT, std::generic_category(), "/proc")),
       "/proc: " + platform::systemMessage(ENOENT)},
      {platform::errorText(std::system_error(code(EPERM))), platform::systemMessage(EPERM)},
      // Our own errors carry their text already.
      {platform::errorText(std::runtime_error("辞書ファイルのデータが途中で終わっています")),
       "辞書ファイルのデータが途中で終わっています"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, c.expected);
}

TEST(ErrorText, TheSystemsDescriptionIsJapaneseWhereTheLocaleIsThere) {
  if (!hasJapaneseLocale()) {
    EXPECT_EQ(platform::systemMessage(EACCES), "Permission denied");
    GTEST_SKIP() << "the ja_JP.UTF-8 locale is not generated here (scripts/bootstrap.sh makes it)";
  }
  EXPECT_EQ(platform::systemMessage(EACCES), "許可がありません");
  EXPECT_EQ(platform::systemMessage(ENOSPC), "デバイスに空き領域がありません");
  EXPECT_EQ(platform::systemMessage(EFBIG), "ファイルが大きすぎます");
  EXPECT_EQ(platform::systemMessage(std::make_error_code(std::errc::not_a_directory)),
            "ディレクトリではありません");
  // Codes of other categories keep their own text.
  EXPECT_EQ(platform::systemMessage(std::make_error_code(std::future_errc::no_state)),
            std::make_error_code(std::future_errc::no_state).message());
}

}  // namespace
