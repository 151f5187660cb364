// The updater's trust root and feed as a release build has them: compiled without test hooks,
// so that no environment variable can swap the key an update must be signed with.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "release_fixture.h"
#include "update/feed.h"
#include "update/trust.h"
#include "update/update_hooks.h"

namespace {

TEST(ReleaseBuild, TheEnvironmentReplacesNeitherTheKeysNorTheFeed) {
  ::setenv("UPDATE_PROMPT_TEST_TEAM", TestKey::make().publicKeyText().c_str(), 1);
  ::setenv("UPDATE_PROMPT_TEST_FEED", "https://example.com/version.json", 1);
  ::setenv("UPDATE_PROMPT_TEST_ALLOW_ANYWHERE", "1", 1);
  ::setenv("UPDATE_PROMPT_TEST_ACTION", "install", 1);
  const auto builtIn = Minisign::parsePublicKey(BUILT_IN_KEY);
  ASSERT_TRUE(builtIn);
  EXPECT_EQ(UpdateTrust::trustedKeys(), std::vector{*builtIn});
  EXPECT_EQ(UpdateTrust::expectedTeamID(), Minisign::keyIdText(builtIn->keyId));
  EXPECT_EQ(UpdatePrompt::testFeed(), std::nullopt);
  EXPECT_FALSE(UpdatePrompt::testAllowAnywhere());
  EXPECT_FALSE(UpdatePrompt::testActionIsInstall());
  EXPECT_TRUE(UpdatePrompt::isAllowedNetworkUrl(QUrl("https://127.0.0.1/v")));
  EXPECT_FALSE(UpdatePrompt::isAllowedNetworkUrl(QUrl("http://127.0.0.1/v")));
}

}  // namespace
