// The real `wordloom` binary, run as the per-user service runs it, against
// temporary folders (LUMI_* overrides) and the stand-in notification server.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>

#include "master/master_error.h"
#include "master/master_format.h"
#include "model/user_dictionary_file.h"
#include "notification_server.h"
#include "platform/error_text.h"
#include "platform/files.h"
#include "platform/ime_platform.h"
#include "platform/process.h"
#include "print_process_result.h"
#include "support/temp_dir.h"
#include "sync/sync_paths.h"

namespace {

namespace fs = std::filesystem;
using Words = std::vector<DictEntry>;

fs::path u8(std::string_view text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

Words words(int count) {
  Words list;
  for (int i = 0; i < count; ++i) {
    list.push_back({"よみ" + std::to_string(i), "語" + std::to_string(i), 1, ""});
  }
  return list;
}

const std::string failed = "反映できませんでした: ";

class ApplyRun : public ::testing::Test {
 protected:
  ApplyRun() {
    fs::create_directories(master);
    fs::create_directories(dictionary.parent_path());
    fs::create_directories(home);
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
    ::setenv("LUMI_MASTER", master.c_str(), 1);
    ::setenv("LUMI_DICT", dictionary.c_str(), 1);
    ::setenv("LUMI_STATE", state.c_str(), 1);
    ::setenv("LUMI_NO_RELOAD", "1", 1);
  }

  void startServer() { server.emplace(dir / "record"); }

  platform::ProcessResult run(const std::vector<std::string>& arguments = {"--apply"},
                              const std::string& program = WORDLOOM_EXECUTABLE) const {
    return platform::runProcess(program, arguments, {.captureOutput = true});
  }

  // A run of the service: ends well, says nothing on its own streams.
  void apply() const { EXPECT_EQ(run(), (platform::ProcessResult{0, ""})); }

  void writeMaster(const Words& entries) const {
    platform::writeAtomically(master / u8("仕事.txt"), Master::text(entries));
  }
  void writeDictionary(const Words& entries) const {
    UserDictionaryFile file;
    file.dictionaries.push_back({.id = 7, .enabled = true, .name = "仕事", .entries = entries});
    platform::writeAtomically(dictionary, file.serialized());
  }
  Words dictionaryWords() const {
    return UserDictionaryFile::read(dictionary).dictionaries.at(0).entries;
  }
  // Master and dictionary agree on `count` words, and a run recorded that.
  void settle(int count) {
    writeMaster(words(count));
    writeDictionary(words(count));
    apply();
  }
  std::optional<std::string> notice() const {
    const fs::path file = state / u8("最後の知らせ.txt");
    if (!fs::exists(file)) return std::nullopt;
    return platform::readFile(file);
  }
  std::vector<std::string> bodies() const {
    return server ? server->bodies() : std::vector<std::string>{};
  }

  TempDir dir;
  fs::path master = dir / u8("クラウド/マスター");
  fs::path dictionary = dir / "mozc/user_dictionary.db";
  fs::path state = dir / u8("状態");
  fs::path home = dir / "home";
  std::optional<NotificationServer> server;
};

TEST_F(ApplyRun, AppliedAndUpToDatePostNothing) {
  startServer();
  settle(2);
  writeMaster(words(3));
  apply();
  EXPECT_EQ(dictionaryWords(), words(3));
  EXPECT_EQ(std::distance(fs::directory_iterator(state / u8("辞書ファイル控え")),
                          fs::directory_iterator()),
            1);
  apply();
  EXPECT_TRUE(bodies().empty());
  EXPECT_EQ(notice(), std::nullopt);
}

TEST_F(ApplyRun, EachStopIsNotifiedOnce) {
  startServer();
  settle(10);
  writeMaster(words(4));
  apply();
  apply();
  EXPECT_EQ(notice(), "big:語が 10 から 4 に減ります");

  writeMaster({{"", "空", 1, ""}});
  apply();
  apply();
  EXPECT_EQ(notice(), "master:仕事: よみか単語が空の語があります（よみ「」単語「空」）");

  writeMaster(words(10));
  Words edited = words(10);
  edited.push_back({"ちょくせつ", "直接", 1, ""});
  edited[0].comment = "メモ";
  writeDictionary(edited);
  apply();
  apply();
  ASSERT_TRUE(notice().has_value());
  EXPECT_TRUE(notice()->starts_with("local:"));

  EXPECT_EQ(bodies(), (std::vector<std::string>{
                          "大きな変更なので反映を停止しました（語が 10 から 4 に減ります）。"
                          "アプリを開いて確認してください",
                          "マスターに問題があるので、反映を停止しています。"
                          "アプリを開いて確認してください",
                          "このパソコンで直接変更した語が 2語あります。"
                          "アプリを開いて、取り込むか破棄するかを選択してください"}));
  EXPECT_EQ(server->notices().at(0).summary, "Wordloom");
}

TEST_F(ApplyRun, FirstRunDifferencesAreDirectEdits) {
  startServer();
  writeMaster(words(2));
  writeDictionary(words(3));
  apply();
  EXPECT_EQ(bodies(),
            std::vector<std::string>{"このパソコンで直接変更した語が 1語あります。"
                                     "アプリを開いて、取り込むか破棄するかを選択してください"});
  EXPECT_EQ(dictionaryWords(), words(3));
}

TEST_F(ApplyRun, AnOpenDictionaryToolStopsQuietly) {
  startServer();
  settle(10);
  writeMaster(words(4));
  apply();
  // Mozc's dictionary tool holds this lock while its window is open.
  const int fd = ::open((dictionary.parent_path() / ".user_dictionary.db.lock").c_str(),
                        O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  ASSERT_EQ(::fcntl(fd, F_SETLK, &lock), 0);
  writeMaster(words(3));
  apply();
  EXPECT_EQ(notice(), "big:語が 10 から 4 に減ります");
  EXPECT_EQ(dictionaryWords(), words(10));
  ::close(fd);
  EXPECT_EQ(bodies().size(), 1u);
}

TEST_F(ApplyRun, ErrorsAreNotifiedWithTheirDescription) {
  startServer();
  // Mozc is installed here, so a missing file is a dictionary not yet made.
  bool mozcInstalled = false;
  for (const auto& location : ImePlatform::mozc().installLocations) {
    mozcInstalled = mozcInstalled || fs::exists(location);
  }
  writeMaster(words(2));
  apply();

  writeDictionary(words(2));
  platform::writeAtomically(master / u8("途中.txt"), "");
  apply();

  fs::remove(master / u8("途中.txt"));
  platform::writeAtomically(master / u8("仕事.txt"), "よみ\t語\n");
  apply();

  writeMaster(words(2));
  platform::writeAtomically(dictionary, "\x0A\x05");
  apply();

  ::setenv("LUMI_STATE", (dir / "other-state").c_str(), 1);
  ::unsetenv("LUMI_MASTER");
  apply();
  apply();

  EXPECT_EQ(bodies(),
            (std::vector<std::string>{
                failed + (mozcInstalled ? "Mozc のユーザー辞書がまだありません。"
                                          "辞書ツールで語を1つ登録してから、もう一度お試しください"
                                        : "Mozc が見つかりません。"
                                          "インストールしてから、もう一度お試しください"),
                failed + "マスターに 0 バイトのファイルがあります"
                         "（クラウドとの同期が終わっていない可能性があります）: 途中.txt",
                failed + MasterError(MasterError::BadLine{
                                         "仕事.txt", 1,
                                         "項目の数が 2 です（よみ・単語・品詞・コメントの 4つ）"})
                             .what(),
                failed + "辞書ファイルのデータが途中で終わっています",
                failed + "同期に使うフォルダが未設定です。アプリを開いて設定してください",
            }));
}

TEST_F(ApplyRun, AStateFolderThatCannotBeMadeIsNotifiedEveryRun) {
  startServer();
  settle(2);
  platform::writeAtomically(dir / "file", "");
  ::setenv("LUMI_STATE", (dir / "file/state").c_str(), 1);
  apply();
  apply();
  ASSERT_EQ(bodies().size(), 2u);
  // The system's own words for the failure, not the library's English.
  EXPECT_EQ(bodies()[0],
            failed + (dir / "file/state").string() + ": " + platform::systemMessage(ENOTDIR));
  EXPECT_EQ(bodies()[0], bodies()[1]);
}

// Under a file-size limit the kernel would end the run with SIGXFSZ, silently
// and with its temporary file left behind.
TEST_F(ApplyRun, AWriteOverTheFileSizeLimitFailsLikeAFullDisk) {
  if (std::system("command -v prlimit >/dev/null") != 0) GTEST_SKIP() << "prlimit is missing";
  startServer();
  settle(10);
  const std::string before = platform::readFile(dictionary);
  writeMaster(words(3000));
  EXPECT_EQ(run({"--fsize=8192", WORDLOOM_EXECUTABLE, "--apply"}, "prlimit"),
            (platform::ProcessResult{0, ""}));
  // The first file the reflect writes is the record of the write it is about to make.
  const fs::path pending = SyncPaths{master, dictionary, state}.pendingWrite();
  EXPECT_EQ(bodies(), std::vector<std::string>{failed + pending.string() + ": " +
                                               platform::systemMessage(EFBIG)});
  EXPECT_EQ(platform::readFile(dictionary), before);
  EXPECT_FALSE(fs::exists(dictionary.parent_path() / ".wordloom.tmp"));
  for (const fs::directory_entry& entry : fs::directory_iterator(state)) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == ".lock" || !name.starts_with(".")) << "a temporary file is left: " << name;
  }
  apply();
  EXPECT_EQ(dictionaryWords(), words(3000));
}

// A file name Mozc cannot hold as a dictionary name stops the run before it
// reaches the IME file, so removing the file is all it takes to go on.
TEST_F(ApplyRun, AFileNameMozcCannotHoldIsListedAndNothingWritten) {
  startServer();
  settle(2);
  const std::string before = platform::readFile(dictionary);
  platform::writeAtomically(master / fs::path(std::string("bad\xFF.txt")), Master::text(words(1)));
  const std::string line =
      "bad\\xFF: ファイル名が UTF-8 "
      "ではないので、辞書の名前にできません。ファイル名を変えてください";
  EXPECT_EQ(run({"--apply", "--dry-run"}),
            (platform::ProcessResult{0, "マスターに問題があります\n" + line + "\n"}));
  apply();
  EXPECT_EQ(notice(), "master:" + line);
  EXPECT_EQ(platform::readFile(dictionary), before);

  fs::remove(master / fs::path(std::string("bad\xFF.txt")));
  writeMaster(words(3));
  apply();
  EXPECT_EQ(dictionaryWords(), words(3));
  EXPECT_EQ(bodies(), std::vector<std::string>{"マスターに問題があるので、反映を停止しています。"
                                               "アプリを開いて確認してください"});
}

TEST_F(ApplyRun, WithoutAServerOrABusTheNoticeIsLogged) {
  settle(10);
  writeMaster(words(4));
  const std::string logged =
      "Wordloom: アプリの外から起こされたので通知を出せません: "
      "大きな変更なので反映を停止しました（語が 10 から 4 に減ります）。"
      "アプリを開いて確認してください\n";
  EXPECT_EQ(run(), (platform::ProcessResult{0, logged}));

  fs::remove(state / u8("最後の知らせ.txt"));
  ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (dir / "no-bus").string()).c_str(), 1);
  EXPECT_EQ(run(), (platform::ProcessResult{0, logged}));
}

TEST_F(ApplyRun, TheHeadlessRunIsChosenByApplyAnywhere) {
  startServer();
  ::unsetenv("LUMI_MASTER");
  EXPECT_EQ(run({"--help"}).status, 0);
  EXPECT_TRUE(bodies().empty());

  EXPECT_EQ(run({"--verbose", "--apply", "x"}).status, 0);
  // argv[0] itself: a program reached through PATH under the name "--apply".
  fs::create_directories(dir / "bin");
  ::setenv("PATH", ((dir / "bin").string() + ":" + std::getenv("PATH")).c_str(), 1);
  fs::create_symlink(WORDLOOM_EXECUTABLE, dir / "bin/--apply");
  fs::remove(state / u8("最後の知らせ.txt"));
  EXPECT_EQ(run({}, "--apply").status, 0);
  EXPECT_EQ(bodies(), std::vector<std::string>(2, failed + "同期に使うフォルダが未設定です。"
                                                           "アプリを開いて設定してください"));
}

TEST_F(ApplyRun, ADryRunPrintsAndLeavesEverythingAlone) {
  startServer();
  settle(2);
  writeMaster(words(3));
  const std::string before = platform::readFile(dictionary);
  const platform::ProcessResult result = run({"--apply", "--dry-run"});
  EXPECT_EQ(result, (platform::ProcessResult{0,
                                             "反映すると、次のように変わります（まだ書き込んでいま"
                                             "せん）\n＋ 仕事　よみ2 → 語2（名詞）\n"}));
  EXPECT_EQ(platform::readFile(dictionary), before);
  EXPECT_FALSE(fs::exists(state / u8("辞書ファイル控え")));

  writeMaster(words(3));
  writeDictionary(words(3));
  apply();
  writeMaster(words(1));
  EXPECT_EQ(run({"--apply", "--dry-run"}).output,
            "大きな変更で停止しています\n語が 3 から 1 に減ります\n"
            "− 仕事　よみ1 → 語1（名詞）\n− 仕事　よみ2 → 語2（名詞）\n");
  EXPECT_TRUE(bodies().empty());
  EXPECT_EQ(notice(), std::nullopt);
}

// Setting up this computer from the command line: the same files the window
// will write, and never while the run is pointed at copies.
class SetUpRun : public ApplyRun {
 protected:
  SetUpRun() {
    for (const char* name : {"LUMI_MASTER", "LUMI_DICT", "LUMI_STATE"}) ::unsetenv(name);
    fs::create_directories(dir / "bin");
    platform::writeAtomically(dir / "bin/systemctl", "#!/bin/sh\necho \"$*\" >> \"" +
                                                         (dir / "systemctl.log").string() + "\"\n");
    fs::permissions(dir / "bin/systemctl", fs::perms::owner_all);
    ::setenv("PATH", ((dir / "bin").string() + ":" + std::getenv("PATH")).c_str(), 1);
  }
  fs::path standardState() const { return home / ".local/share/Wordloom"; }
  fs::path units() const { return home / ".config/systemd/user"; }
};

TEST_F(SetUpRun, TheMasterFolderIsSavedAndUsedByTheNextReflect) {
  EXPECT_EQ(
      run({"--set-master", master.string() + "/"}),
      (platform::ProcessResult{0, "マスターのフォルダを設定しました: " + master.string() + "\n"}));
  EXPECT_EQ(platform::readFile(standardState() / u8("設定.json")),
            "{\n  \"master\": \"" + master.string() + "\"\n}\n");

  writeMaster(words(2));
  writeDictionary(words(2));
  ::setenv("LUMI_DICT", dictionary.c_str(), 1);
  EXPECT_EQ(run({"--apply", "--dry-run"}), (platform::ProcessResult{0, "マスターどおりです\n"}));
  ::unsetenv("LUMI_DICT");

  const fs::path missing = dir / "missing";
  EXPECT_EQ(run({"--set-master", missing.string()}),
            (platform::ProcessResult{
                1, "マスターのフォルダが見つかりません: " + missing.string() + "\n"}));
  EXPECT_EQ(platform::readFile(standardState() / u8("設定.json")),
            "{\n  \"master\": \"" + master.string() + "\"\n}\n");
}

TEST_F(SetUpRun, AutomaticReflectIsSwitchedThroughTheUserServiceManager) {
  EXPECT_EQ(run({"--auto-reflect", "on"}),
            (platform::ProcessResult{0, "自動反映をオンにしました\n"}));
  EXPECT_TRUE(fs::exists(units() / "jp.kumomori.wordloom.service"));
  EXPECT_TRUE(fs::exists(units() / "jp.kumomori.wordloom.timer"));
  EXPECT_EQ(run({"--auto-reflect", "off"}),
            (platform::ProcessResult{0, "自動反映をオフにしました\n"}));
  EXPECT_FALSE(fs::exists(units() / "jp.kumomori.wordloom.service"));
  EXPECT_NE(platform::readFile(dir / "systemctl.log").find("--user"), std::string::npos);
}

TEST_F(SetUpRun, NothingIsSetUpWhileTheRunIsPointedAtCopies) {
  ::setenv("LUMI_STATE", state.c_str(), 1);
  EXPECT_EQ(run({"--auto-reflect", "on"}),
            (platform::ProcessResult{
                1, "テスト用のフォルダで動かしているため、自動反映は切り替えられません\n"}));
  EXPECT_EQ(run({"--set-master", master.string()}).status, 1);
  EXPECT_FALSE(fs::exists(units()));
  EXPECT_FALSE(fs::exists(state / u8("設定.json")));
  EXPECT_FALSE(fs::exists(dir / "systemctl.log"));
}

TEST_F(SetUpRun, AnUnknownCommandShowsTheUsageAndFails) {
  const platform::ProcessResult result = run({"--auto-reflect", "maybe"});
  EXPECT_EQ(result.status, 2);
  EXPECT_TRUE(result.output.starts_with("使い方:\n")) << result.output;
  EXPECT_EQ(run({"--help"}).status, 0);
}

}  // namespace
