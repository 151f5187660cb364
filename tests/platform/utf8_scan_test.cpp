#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/text.h"
#include "support/reference_utf8.h"

namespace {

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
    EXPECT_EQ(platform::isValidUtf8(c), referenceIsValidUtf8(c)) << c;
    // The same faults deep in a long text, where the text is scanned in
    // stretches side by side, at every offset around the stretch borders.
    for (std::size_t pad = 0; pad < 12; ++pad) {
      const std::string longer = std::string(1024 + pad, 'a') + c + std::string(2048, 'b');
      ASSERT_EQ(platform::isValidUtf8(longer), referenceIsValidUtf8(longer)) << pad;
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
    ASSERT_EQ(platform::isValidUtf8(text), referenceIsValidUtf8(text)) << round;
    valid += referenceIsValidUtf8(text) ? 1 : 0;
  }
  EXPECT_GT(valid, 200);
}

}  // namespace
