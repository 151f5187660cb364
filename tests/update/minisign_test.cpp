#include "update/minisign.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/files.h"
#include "platform/process.h"
#include "release_fixture.h"
#include "support/temp_dir.h"

namespace {

using Minisign::Check;

TEST(Minisign, AcceptsOnlyTheSignedBytesAndCommentByATrustedKey) {
  const TestKey key = TestKey::make();
  const TestKey other = TestKey::make();
  const std::vector<Minisign::PublicKey> trusted{*Minisign::parsePublicKey(key.publicKeyText())};
  const std::string message = "Wordloom archive bytes";
  for (const bool prehashed : {true, false}) {
    const auto good = Minisign::parseSignature(key.sign(message, "app:x", prehashed));
    ASSERT_TRUE(good);
    EXPECT_EQ(good->prehashed, prehashed);
    EXPECT_EQ(good->trustedComment, "app:x");
    EXPECT_EQ(Minisign::verify(*good, trusted, message), Check::ok);
    EXPECT_EQ(Minisign::verify(*good, trusted, message + " "), Check::badSignature);

    auto movedComment = *good;
    movedComment.trustedComment = "app:y";
    EXPECT_EQ(Minisign::verify(movedComment, trusted, message), Check::badSignature);

    const auto foreign = Minisign::parseSignature(other.sign(message, "app:x", prehashed));
    EXPECT_EQ(Minisign::verify(*foreign, trusted, message), Check::unknownKey);
    // Another key presenting the trusted key's id is still refused.
    auto forged = *foreign;
    forged.keyId = key.id;
    EXPECT_EQ(Minisign::verify(forged, trusted, message), Check::badSignature);
  }
}

TEST(Minisign, ReadsWhatTheMinisignToolWrites) {
  TempDir dir;
  const auto made = platform::runProcess(
      "minisign", {"-G", "-W", "-p", (dir / "k.pub").string(), "-s", (dir / "k.key").string()});
  if (made.status != 0) GTEST_SKIP() << "minisign is not installed";
  platform::writeAtomically(dir / "file", "contents");
  ASSERT_EQ(platform::runProcess("minisign", {"-S", "-s", (dir / "k.key").string(), "-m",
                                              (dir / "file").string(), "-t", "app:a version:2"})
                .status,
            0);
  const auto key = Minisign::parsePublicKey(platform::readFile(dir / "k.pub"));
  const auto signature = Minisign::parseSignature(platform::readFile(dir / "file.minisig"));
  ASSERT_TRUE(key);
  ASSERT_TRUE(signature);
  EXPECT_EQ(signature->trustedComment, "app:a version:2");
  const std::vector<Minisign::PublicKey> keys{*key};
  EXPECT_EQ(Minisign::verifyFile(*signature, keys, dir / "file"), Check::ok);
  platform::writeAtomically(dir / "file", "contentz");
  EXPECT_EQ(Minisign::verifyFile(*signature, keys, dir / "file"), Check::badSignature);
  EXPECT_EQ(Minisign::verifyFile(*signature, keys, dir / "missing"), Check::badSignature);
}

TEST(Minisign, RefusesMalformedText) {
  const TestKey key = TestKey::make();
  const std::string good = key.sign("m", "c");
  const std::vector<std::string> broken = {
      "",
      "untrusted comment: x\n",
      good.substr(good.find('\n') + 1),                          // no untrusted comment
      "untrusted comment: x\n!!!!\ntrusted comment: c\nAAAA\n",  // not base64
      "untrusted comment: x\n\ntrusted comment: c\n\n",          // empty lines
      good + "extra line\n",
      std::string(9000, 'A'),
  };
  for (const std::string& text : broken) {
    EXPECT_FALSE(Minisign::parseSignature(text)) << text;
  }
  EXPECT_TRUE(Minisign::parsePublicKey(key.publicKeyText()));
  EXPECT_TRUE(Minisign::parsePublicKey("untrusted comment: k\n" + key.publicKeyText() + "\n"));
  EXPECT_FALSE(Minisign::parsePublicKey(key.publicKeyText().substr(4)));
  EXPECT_FALSE(Minisign::parsePublicKey(""));
}

TEST(Minisign, PrintsTheKeyIdAsMinisignDoes) {
  EXPECT_EQ(Minisign::keyIdText({0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}),
            "EFCDAB8967452301");
}

}  // namespace
