// Which cloud folders the setup offers, from temporary home folders holding each kind of client
// setting, and where it puts the master in a folder the user picked.
#include "app/cloud_place.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

fs::path u8(std::string_view text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

// A home folder with the given folders and files (relative paths; "/" in a file's text is
// the home folder's path, for settings that name absolute folders).
struct Home {
  std::vector<std::string> folders = {};
  std::map<std::string, std::string> files = {};
  std::map<std::string, std::string> variables = {};
};

struct Detection {
  const char* name;
  Home home;
  // Expected roots of the three places, relative to the home folder; "" for none.
  std::array<std::string, 3> roots;
};

std::string filled(std::string text, const fs::path& home) {
  for (std::size_t at = text.find("$HOME"); at != std::string::npos; at = text.find("$HOME"))
    text.replace(at, 5, home.string());
  return text;
}

std::vector<CloudPlace> detectIn(
    const TempDir& dir, const Home& home,
    const std::function<std::vector<CloudPlace>(const SyncEnvironment&)>& detect) {
  const fs::path root = dir / "home";
  fs::create_directories(root);
  for (const std::string& folder : home.folders) fs::create_directories(root / u8(folder));
  for (const auto& [file, text] : home.files) {
    fs::create_directories((root / u8(file)).parent_path());
    platform::writeAtomically(root / u8(file), filled(text, root));
  }
  std::map<std::string, std::string> variables;
  for (const auto& [name, value] : home.variables) variables[name] = filled(value, root);
  return detect(
      SyncEnvironment{.variable = [variables](std::string_view name) -> std::optional<std::string> {
                        const auto found = variables.find(std::string(name));
                        if (found == variables.end()) return std::nullopt;
                        return found->second;
                      },
                      .home = root});
}

void expectRoots(const std::vector<CloudPlace>& places, const std::array<std::string, 3>& roots,
                 const fs::path& home) {
  ASSERT_EQ(places.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(places[i].id);
    if (roots[i].empty()) {
      EXPECT_EQ(places[i].root, std::nullopt);
      EXPECT_EQ(places[i].master(), std::nullopt);
    } else {
      EXPECT_EQ(places[i].root, home / u8(roots[i]));
      EXPECT_EQ(places[i].master(), home / u8(roots[i]) / "Wordloom");
    }
  }
}

const std::string twoAccounts =
    R"json({"personal": {"path": "$HOME/Dropbox (Personal)", "host": 1, "is_team": false},
            "business": {"path": "$HOME/Dropbox (Firma)", "host": 2, "is_team": true}})json";

const std::string twoNextcloudFolders =
    "[General]\nclientVersion=3.9.0\n\n[Accounts]\n0\\Folders\\1\\journalPath=.sync_1.db\n"
    "0\\Folders\\1\\localPath=$HOME/Nextcloud/\n0\\Folders\\1\\targetPath=/\n"
    "0\\Folders\\2\\localPath=$HOME/Arbeit/\n0\\url=https://cloud.example.org\nversion=2\n";

}  // namespace

TEST(CloudPlaceTest, LinuxPlacesComeInTheirOrderWithTheFirstFolderThatExists) {
  const Detection cases[] = {
      {"nothing installed", {}, {"", "", ""}},
      {"the usual folders", {{"Dropbox", "Nextcloud", "Sync"}}, {"Dropbox", "Nextcloud", "Sync"}},
      {"Dropbox personal before business",
       {{"Dropbox (Personal)", "Dropbox (Firma)", "Dropbox"},
        {{".dropbox/info.json", twoAccounts}}},
       {"Dropbox (Personal)", "", ""}},
      {"Dropbox business when the personal folder is gone",
       {{"Dropbox (Firma)", "Dropbox"}, {{".dropbox/info.json", twoAccounts}}},
       {"Dropbox (Firma)", "", ""}},
      {"Dropbox folder of its settings missing: ~/Dropbox",
       {{"Dropbox"}, {{".dropbox/info.json", twoAccounts}}},
       {"Dropbox", "", ""}},
      {"Nextcloud with two folders: the first",
       {{"Nextcloud", "Arbeit"}, {{".config/Nextcloud/nextcloud.cfg", twoNextcloudFolders}}},
       {"", "Nextcloud", ""}},
      {"Nextcloud's first folder gone: the second",
       {{"Arbeit"}, {{".config/Nextcloud/nextcloud.cfg", twoNextcloudFolders}}},
       {"", "Arbeit", ""}},
      {"Nextcloud's settings under XDG_CONFIG_HOME",
       {{"Arbeit", "Nextcloud"},
        {{"elsewhere/Nextcloud/nextcloud.cfg",
          "[Accounts]\n0\\Folders\\1\\localPath=$HOME/Arbeit\n"}},
        {{"XDG_CONFIG_HOME", "$HOME/elsewhere"}}},
       {"", "Arbeit", ""}},
      // Older clients escape every non-ASCII character; a comma is quoted.
      {"Nextcloud folder names escaped the Qt 5 way",
       {{"クラウド, 共有"},
        {{".config/Nextcloud/nextcloud.cfg",
          "[Accounts]\n0\\Folders\\1\\localPath=\"$HOME/\\x30af\\x30e9\\x30a6\\x30c9, "
          "\\x5171\\x6709\"\n"}}},
       {"", "クラウド, 共有", ""}},
      {"Nextcloud folder names in UTF-8",
       {{"クラウド"},
        {{".config/Nextcloud/nextcloud.cfg",
          "[Accounts]\r\n0\\Folders\\1\\localPath=$HOME/クラウド/\r\n"}}},
       {"", "クラウド", ""}},
      {"a localPath outside the accounts is none",
       {{"Arbeit"}, {{".config/Nextcloud/nextcloud.cfg", "[General]\nlocalPath=$HOME/Arbeit\n"}}},
       {"", "", ""}},
      {"a file named like the folder is no folder",
       {{}, {{"Dropbox", "not a folder"}, {"Sync", ""}}},
       {"", "", ""}},
      {"relative folders in the settings are no candidates",
       {{"Dropbox (Personal)"},
        {{".dropbox/info.json", R"json({"personal": {"path": "Dropbox (Personal)"}})json"}}},
       {"", "", ""}},
  };
  for (const Detection& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    expectRoots(detectIn(dir, c.home, CloudPlace::detectLinux), c.roots, dir / "home");
  }
}

// A client that wrote something unexpected costs its candidates, never the setup.
TEST(CloudPlaceTest, MalformedClientSettingsAreNoCandidates) {
  const std::pair<const char*, std::string> dropbox[] = {
      {"truncated", R"({"personal": {"path": "$HOME/Box")"},
      {"path not text", R"({"personal": {"path": 5}, "business": []})"},
      {"not an object", R"(["$HOME/Box"])"},
      {"binary", std::string("\x00\xFF\xFE{", 4)},
  };
  for (const auto& [name, text] : dropbox) {
    SCOPED_TRACE(name);
    TempDir dir;
    expectRoots(detectIn(dir, {{"Box", "Dropbox"}, {{".dropbox/info.json", text}}},
                         CloudPlace::detectLinux),
                {"Dropbox", "", ""}, dir / "home");
  }
  const std::pair<const char*, std::string> nextcloud[] = {
      {"unclosed quote", "[Accounts]\n0\\Folders\\1\\localPath=\"$HOME/Box\n"},
      {"a list", "[Accounts]\n0\\Folders\\1\\localPath=$HOME/Box, $HOME/Box\n"},
      {"a typed value", "[Accounts]\n0\\Folders\\1\\localPath=@ByteArray($HOME/Box)\n"},
      {"a lone surrogate", "[Accounts]\n0\\Folders\\1\\localPath=$HOME/Box\\xd800\n"},
      {"invalid UTF-8", "[Accounts]\n0\\Folders\\1\\localPath=$HOME/Box\xC0\n"},
      {"trailing backslash", "[Accounts]\n0\\Folders\\1\\localPath=$HOME/Box\\\n"},
      {"binary", std::string("\x00\x01[Accounts\xFF", 12)},
  };
  for (const auto& [name, text] : nextcloud) {
    SCOPED_TRACE(name);
    TempDir dir;
    expectRoots(detectIn(dir, {{"Box", "Nextcloud"}, {{".config/Nextcloud/nextcloud.cfg", text}}},
                         CloudPlace::detectLinux),
                {"", "Nextcloud", ""}, dir / "home");
  }
}

TEST(CloudPlaceTest, MacPlacesFollowTheCloudStorageFolders) {
  const Detection cases[] = {
      {"nothing installed", {}, {"", "", ""}},
      {"Dropbox accounts in name order before ~/Dropbox",
       {{"Library/CloudStorage/Dropbox-B", "Library/CloudStorage/Dropbox-A", "Dropbox"}},
       {"Library/CloudStorage/Dropbox-A", "", ""}},
      {"iCloud Drive",
       {{"Library/Mobile Documents/com~apple~CloudDocs"}},
       {"", "Library/Mobile Documents/com~apple~CloudDocs", ""}},
      // The first account in name order whose drive folder exists.
      {"two Google Drive accounts",
       {{"Library/CloudStorage/GoogleDrive-a@example.com",
         "Library/CloudStorage/GoogleDrive-b@example.com/My Drive",
         "Library/CloudStorage/GoogleDrive-c@example.com/マイドライブ"}},
       {"", "", "Library/CloudStorage/GoogleDrive-b@example.com/My Drive"}},
      {"マイドライブ before My Drive",
       {{"Library/CloudStorage/GoogleDrive-a@example.com/My Drive",
         "Library/CloudStorage/GoogleDrive-a@example.com/マイドライブ"}},
       {"", "", "Library/CloudStorage/GoogleDrive-a@example.com/マイドライブ"}},
  };
  for (const Detection& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::vector<CloudPlace> places = detectIn(dir, c.home, CloudPlace::detectMac);
    expectRoots(places, c.roots, dir / "home");
    EXPECT_EQ(places[1].name, "iCloud Drive");
    EXPECT_EQ(places[2].name, "Google ドライブ");
  }
}

TEST(CloudPlaceTest, DictionaryCountLeavesOutConflictCopiesAndHiddenFiles) {
  TempDir dir;
  for (const char* name : {"人名.txt", "地名.txt", "人名 (競合コピー).txt",
                           "人名.sync-conflict-20260304-1.txt", ".隠し.txt", "メモ.md"}) {
    platform::writeAtomically(dir / u8(name), "");
  }
  fs::create_directories(dir / u8("フォルダ.txt"));
  EXPECT_EQ(SetupFolder::dictionaryCount(dir.path()), 2u);
  EXPECT_EQ(SetupFolder::dictionaryCount(dir / "missing"), 0u);
}

TEST(CloudPlaceTest, PickedFolderBecomesTheMasterOrHoldsIt) {
  TempDir dir;
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "empty/Wordloom"},
      {{"has/人名.txt"}, "has"},
      {{"hidden/.memo.txt", "hidden/notes.md"}, "hidden/Wordloom"},
      {{"Wordloom/.keep"}, "Wordloom"},
      {{"nested/Wordloom/.keep"}, "nested/Wordloom"},
  };
  for (const auto& [files, expected] : cases) {
    SCOPED_TRACE(expected);
    for (const std::string& file : files) {
      fs::create_directories((dir / u8(file)).parent_path());
      platform::writeAtomically(dir / u8(file), "");
    }
    const fs::path picked = dir / u8(expected.substr(0, expected.find('/')));
    fs::create_directories(picked);
    EXPECT_EQ(SetupFolder::masterFor(picked), dir / u8(expected));
  }
  // A folder named like ours, picked with a trailing slash, is not nested again.
  EXPECT_EQ(SetupFolder::masterFor((dir / "Wordloom").string() + "/"), dir / "Wordloom");
}

TEST(CloudPlaceTest, ShortPathWritesTheHomeFolderAsTilde) {
  const fs::path home = "/home/al";
  const std::pair<std::optional<fs::path>, std::string> cases[] = {
      {std::nullopt, "フォルダを選択"},
      {u8("/home/al/Dropbox/Wordloom"), "~/Dropbox/Wordloom"},
      {"/home/al", "~"},
      {"/home/al/", "~"},
      {"/home/alice/Dropbox", "/home/alice/Dropbox"},
      {"/mnt/share/Wordloom", "/mnt/share/Wordloom"},
  };
  for (const auto& [path, shown] : cases) {
    SCOPED_TRACE(shown);
    EXPECT_EQ(SetupFolder::shortPath(path, home), shown);
  }
  EXPECT_EQ(SetupFolder::shortPath(fs::path("/srv/x"), "/"), "/srv/x");
}
