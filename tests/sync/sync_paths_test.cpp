#include "sync/sync_paths.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

fs::path u8(std::string_view text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

class Paths : public ::testing::Test {
 protected:
  SyncEnvironment environment() const {
    return {.variable = [this](std::string_view name) -> std::optional<std::string> {
              const auto found = variables.find(std::string(name));
              if (found == variables.end()) return std::nullopt;
              return found->second;
            },
            .home = home};
  }
  fs::path standardState() const { return StandardLocations::current(environment()).state; }

  TempDir dir;
  fs::path home = dir / "home";
  std::map<std::string, std::string> variables;
};

TEST_F(Paths, LinuxLocationsFollowXdgAndMozcsProfileRule) {
  fs::create_directories(home);
  EXPECT_EQ(StandardLocations::linuxMozc(environment()),
            (StandardLocations{home / ".local/share/Wordloom",
                               home / ".config/mozc/user_dictionary.db"}));

  variables["XDG_DATA_HOME"] = "/data";
  variables["XDG_CONFIG_HOME"] = "/config";
  EXPECT_EQ(StandardLocations::linuxMozc(environment()),
            (StandardLocations{"/data/Wordloom", "/config/mozc/user_dictionary.db"}));

  // Relative or empty base folders are not to be used.
  variables["XDG_DATA_HOME"] = "relative";
  variables["XDG_CONFIG_HOME"] = "";
  EXPECT_EQ(StandardLocations::linuxMozc(environment()),
            (StandardLocations{home / ".local/share/Wordloom",
                               home / ".config/mozc/user_dictionary.db"}));

  // An old-style profile folder wins, as it does for Mozc.
  variables["XDG_CONFIG_HOME"] = "/config";
  fs::create_directories(home / ".mozc");
  EXPECT_EQ(StandardLocations::linuxMozc(environment()).dictionary,
            home / ".mozc/user_dictionary.db");
}

TEST_F(Paths, MacLocationsAreUnderApplicationSupport) {
  EXPECT_EQ(StandardLocations::macOS(environment()),
            (StandardLocations{home / "Library/Application Support/Wordloom",
                               home / "Library/Application Support/Google/JapaneseInput/"
                                      "user_dictionary.db"}));
}

TEST_F(Paths, DerivedLocationsAndPlaceholder) {
  const SyncPaths paths{"/m", "/d/user_dictionary.db", "/s"};
  EXPECT_EQ(paths.lastApplied(), fs::path("/s") / u8("前回反映した辞書.db"));
  EXPECT_EQ(paths.backups(), fs::path("/s") / u8("辞書ファイル控え"));
  EXPECT_TRUE(paths.isConfigured());
  EXPECT_FALSE((SyncPaths{fs::path("/s") / u8("未設定"), "/d", "/s"}.isConfigured()));
  EXPECT_EQ(SyncPaths::unconfigured("/s"), fs::path("/s") / u8("未設定"));
}

TEST_F(Paths, SavedConfigurationIsPrettyJsonAndReadBack) {
  const fs::path state = dir / "deep/state";
  EXPECT_FALSE(SyncConfig::isSaved(state));
  SyncConfig::save(dir / u8("クラウド/マスター"), state);
  EXPECT_TRUE(SyncConfig::isSaved(state));
  EXPECT_EQ(SyncConfig::file(state), state / u8("設定.json"));
  const std::string expected =
      "{\n  \"master\": \"" + (dir / "クラウド/マスター").string() + "\"\n}\n";
  EXPECT_EQ(platform::readFile(SyncConfig::file(state)), expected);
  EXPECT_EQ(SyncConfig::master(state, false, home), dir / u8("クラウド/マスター"));
}

TEST_F(Paths, SaveFailureIsRaised) {
  platform::writeAtomically(dir / "file", "x");
  EXPECT_THROW(SyncConfig::save("/m", dir / "file/state"), fs::filesystem_error);
  // JSON holds only UTF-8; such a folder cannot be remembered.
  EXPECT_THROW(SyncConfig::save("/m\xFF", dir / "state"), fs::filesystem_error);
  EXPECT_FALSE(fs::exists(SyncConfig::file(dir / "state")));
}

TEST_F(Paths, UnusableConfigurationMeansLegacySearchOrNothing) {
  const fs::path state = dir / "state";
  fs::create_directories(state);
  const fs::path first = home / u8(SyncConfig::legacyMasters[0]);
  const fs::path second = home / u8(SyncConfig::legacyMasters[1]);
  for (const char* json :
       {R"({"master": ""})", R"({"master": 3})", R"({"other": "/x"})", R"(["/x"])",
        R"({"master": "relative/x"})", R"({"master": "/a\u0000/b"})", "not json", ""}) {
    platform::writeAtomically(SyncConfig::file(state), json);
    EXPECT_TRUE(SyncConfig::isSaved(state));
    EXPECT_EQ(SyncConfig::master(state, false, home), std::nullopt) << json;
    EXPECT_EQ(SyncConfig::master(state, true, home), std::nullopt) << json;
  }
  fs::create_directories(second);
  EXPECT_EQ(SyncConfig::master(state, true, home), second);
  fs::create_directories(first.parent_path());
  platform::writeAtomically(first, "any kind of entry counts");
  EXPECT_EQ(SyncConfig::master(state, true, home), first);
  EXPECT_EQ(SyncConfig::master(state, false, home), std::nullopt);

  platform::writeAtomically(SyncConfig::file(state), R"({"master": "/chosen", "x": 1})");
  EXPECT_EQ(SyncConfig::master(state, true, home), fs::path("/chosen"));
}

TEST_F(Paths, StandardPathsUseTheConfigurationThenLegacyThenThePlaceholder) {
  const fs::path state = standardState();
  SyncPaths paths = SyncPaths::standard(environment());
  EXPECT_EQ(paths, (SyncPaths{SyncPaths::unconfigured(state),
                              StandardLocations::current(environment()).dictionary, state}));
  EXPECT_FALSE(paths.isConfigured());

  fs::create_directories(home / u8(SyncConfig::legacyMasters[1]));
  EXPECT_EQ(SyncPaths::standard(environment()).master, home / u8(SyncConfig::legacyMasters[1]));

  SyncConfig::save("/chosen", state);
  EXPECT_EQ(SyncPaths::standard(environment()).master, fs::path("/chosen"));
  EXPECT_EQ(syncPathsFromEnvironment(environment()), SyncPaths::standard(environment()));
}

TEST_F(Paths, EnvironmentOverrides) {
  SyncConfig::save("/standard-master", standardState());
  fs::create_directories(home / u8(SyncConfig::legacyMasters[0]));

  // An overridden state folder never falls back to the legacy locations.
  const fs::path empty = dir / "empty-state";
  fs::create_directories(empty);
  variables["LUMI_STATE"] = empty.string();
  SyncPaths paths = syncPathsFromEnvironment(environment());
  EXPECT_EQ(paths.state, empty);
  EXPECT_EQ(paths.master, SyncPaths::unconfigured(empty));
  EXPECT_FALSE(paths.isConfigured());

  SyncConfig::save("/state-master", empty);
  EXPECT_EQ(syncPathsFromEnvironment(environment()).master, fs::path("/state-master"));

  variables["LUMI_MASTER"] = "~/copies/master";
  variables["LUMI_DICT"] = "~";
  paths = syncPathsFromEnvironment(environment());
  EXPECT_EQ(paths, (SyncPaths{home / "copies/master", home, empty}));

  variables["LUMI_STATE"] = "";
  EXPECT_EQ(syncPathsFromEnvironment(environment()).state, fs::path("."));

  variables.erase("LUMI_STATE");
  variables["LUMI_MASTER"] = "/m";
  variables["LUMI_DICT"] = "/d/user_dictionary.db";
  EXPECT_EQ(syncPathsFromEnvironment(environment()),
            (SyncPaths{"/m", "/d/user_dictionary.db", standardState()}));
}

TEST_F(Paths, ReloadSwitchAndCopiesFlag) {
  EXPECT_TRUE(reloadsConverterFromEnvironment(environment()));
  EXPECT_FALSE(isPointedAtCopies(environment()));
  for (const char* value : {"0", "true", "", " 1", "11"}) {
    variables["LUMI_NO_RELOAD"] = value;
    EXPECT_TRUE(reloadsConverterFromEnvironment(environment())) << value;
  }
  variables["LUMI_NO_RELOAD"] = "1";
  EXPECT_FALSE(reloadsConverterFromEnvironment(environment()));
  EXPECT_FALSE(isPointedAtCopies(environment()));

  for (const char* name : {"LUMI_MASTER", "LUMI_DICT", "LUMI_STATE"}) {
    variables.clear();
    variables[name] = "";
    EXPECT_TRUE(isPointedAtCopies(environment())) << name;
  }
}

}  // namespace
