#include "platform/utf8_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/text.h"
#include "support/reference_utf8.h"

namespace {

// Every way a text can be checked here, each held to the plain decoder.
void expectAgrees(const std::string& text, const std::string& label) {
  const bool expected = referenceIsValidUtf8(text);
  ASSERT_EQ(platform::isValidUtf8(text), expected) << label;
  ASSERT_EQ(platform::utf8_scan::machineValid(text), expected) << label;
  if (platform::utf8_scan::blocksAvailable()) {
    ASSERT_EQ(platform::utf8_scan::blocksValid(text), expected) << label;
  }
}

TEST(Utf8Scan, AgreesWithAPlainDecoderOnEdgeCases) {
  const std::vector<std::string> cases{"",
                                       "a",
                                       "あいう",
                                       "\xC2\x80",
                                       "\xDF\xBF",
                                       "\xEF\xBF\xBF",
                                       "\xF4\x8F\xBF\xBF",
                                       "\xC0\x80",
                                       "\xC1\xBF",
                                       "\xE0\x80\x80",
                                       "\xE0\x9F\xBF",
                                       "\xED\xA0\x80",
                                       "\xED\xBF\xBF",
                                       "\xF0\x80\x80\x80",
                                       "\xF0\x8F\xBF\xBF",
                                       "\xF4\x90\x80\x80",
                                       "\xF5\x80\x80\x80",
                                       "\xFF",
                                       "\x80",
                                       "\xE3\x81",
                                       "あ\xE3",
                                       "\xF0\x9F\x99"};
  for (const std::string& c : cases) {
    expectAgrees(c, c);
    // The same faults deep in a long text, at every offset around the borders
    // of stretches scanned side by side and of 32-byte blocks, after ASCII
    // and after Japanese, and at the very end of the text.
    for (std::size_t pad = 0; pad < 40; ++pad) {
      expectAgrees(std::string(1024 + pad, 'a') + c + std::string(2048, 'b'), c);
      std::string japanese;
      while (japanese.size() < 96 + pad) japanese += "あ";
      expectAgrees(japanese.substr(0, 96 + pad / 3 * 3) + c + "漢字", c);
      expectAgrees(std::string(64 + pad, 'a') + c, c);
    }
  }
}

TEST(Utf8Scan, AgreesWithAPlainDecoderOnRandomText) {
  std::mt19937 random(11);
  const std::vector<std::string> pieces{"a",        "\t",           "\n",   "あ",   "漢",
                                        "🙂",     "\xC3\xA9",     "\x80", "\xE3", "\xE3\x81",
                                        "\xF0\x9F", "\xED\xA0\x80", "\xFF"};
  int valid = 0;
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const std::size_t length = round % 2 == 0 ? random() % 40 : 1000 + random() % 3000;
    const bool clean = round % 3 == 0;  // mostly valid text with one fault, or none
    while (text.size() < length) {
      text += pieces[random() % (clean ? 7 : pieces.size())];
    }
    if (clean && round / 3 % 2 == 1) text[random() % text.size()] = static_cast<char>(random());
    expectAgrees(text, std::to_string(round));
    valid += referenceIsValidUtf8(text) ? 1 : 0;
  }
  EXPECT_GT(valid, 200);
}

}  // namespace
