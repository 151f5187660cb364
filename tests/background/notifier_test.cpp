#include "background/notifier.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QThread>
#include <chrono>
#include <memory>

#include "background/background_run.h"
#include "notification_server.h"
#include "sync/reflect_fixture.h"

// These tests run on a private session bus (dbus-run-session) with the
// stand-in notification server; the application object lives for the whole run.

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class QtApplication : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "notifier_test";
    static char* argv[] = {name, nullptr};
    application_ = std::make_unique<QCoreApplication>(argc, argv);
  }
  void TearDown() override { application_.reset(); }

 private:
  std::unique_ptr<QCoreApplication> application_;
};
[[maybe_unused]] const auto* const qtApplication =
    ::testing::AddGlobalTestEnvironment(new QtApplication);

template <class Done>
bool runEventsUntil(Done done, std::chrono::milliseconds limit = 5s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QCoreApplication::processEvents();
    QThread::msleep(5);
  }
  return true;
}

// A server that reads markup in bodies would drop "<b>" and cut at a lone "&".
TEST(Notifier, PostsTheBodyUnderTheApplicationsNameEscapedWhereMarkupIsRead) {
  const std::string body = "反映できませんでした: 1行目\n2行目 <b>&</b> (>_<) A&B \"x\"";
  const struct {
    std::vector<std::string> options;
    std::string sent;
  } servers[] = {
      {{}, "反映できませんでした: 1行目\n2行目 &lt;b&gt;&amp;&lt;/b&gt; (&gt;_&lt;) A&amp;B \"x\""},
      {{"--plain"}, body},
  };
  for (const auto& s : servers) {
    TempDir dir;
    NotificationServer server(dir / "record", s.options);
    Notifier notifier;
    notifier.sendAndWait(body);
    EXPECT_EQ(
        server.notices(),
        (std::vector<ReceivedNotice>{{"Wordloom", "Wordloom", s.sent, {"default", "Wordloom"}}}));
  }
}

TEST(Notifier, EveryNotificationNamesTheDesktopEntry) {
  TempDir dir;
  NotificationServer server(dir / "record");
  Notifier notifier;
  notifier.sendAndWait("一つ目");
  notifier.sendAndWait("二つ目");
  EXPECT_EQ(server.desktopEntries(), std::vector<std::string>(2, "jp.kumomori.wordloom"));
}

TEST(Notifier, StatusFollowsTheServer) {
  TempDir dir;
  Notifier notifier;
  EXPECT_EQ(notifier.status(), Notifier::Status::unknown);
  notifier.prepare();
  EXPECT_TRUE(runEventsUntil([&] { return notifier.status() != Notifier::Status::unknown; }));
  EXPECT_EQ(notifier.status(), Notifier::Status::off);
  {
    NotificationServer server(dir / "record");
    notifier.refresh();
    EXPECT_TRUE(runEventsUntil([&] { return notifier.status() == Notifier::Status::allowed; }));
  }
  notifier.refresh();
  EXPECT_TRUE(runEventsUntil([&] { return notifier.status() == Notifier::Status::off; }));
}

TEST(Notifier, WithoutAServerTheNoticeBecomesALogLine) {
  Notifier notifier;
  ::testing::internal::CaptureStderr();
  notifier.sendAndWait("大きな変更なので");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Wordloom: アプリの外から起こされたので通知を出せません: 大きな変更なので\n");
}

TEST(Notifier, ARefusalIsLogged) {
  TempDir dir;
  NotificationServer server(dir / "record", {"--refuse"});
  Notifier notifier;
  ::testing::internal::CaptureStderr();
  notifier.sendAndWait("本文");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Wordloom: 通知を出せませんでした: refused by the test\n");
}

TEST(Notifier, ASlowServerDoesNotHoldTheCallerPastTheLimit) {
  TempDir dir;
  NotificationServer server(dir / "record", {"--delay-ms", "4000"});
  Notifier notifier;
  notifier.waitLimit = 200ms;
  ::testing::internal::CaptureStderr();
  const auto start = std::chrono::steady_clock::now();
  notifier.sendAndWait("本文");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(server.bodies(), std::vector<std::string>{"本文"});
}

TEST(Notifier, AClickOnOurNotificationBringsTheApplicationForward) {
  TempDir dir;
  NotificationServer server(dir / "record", {"--click"});
  Notifier notifier;
  notifier.prepare();
  int activations = 0;
  QObject::connect(&notifier, &Notifier::activated, [&] { ++activations; });

  // Someone else's notification, clicked: not ours to answer.
  QDBusMessage foreign = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                        "/org/freedesktop/Notifications",
                                                        "org.freedesktop.Notifications", "Notify");
  foreign << QString("other") << 0u << QString() << QString("t") << QString("b")
          << QStringList{"default", "x"} << QVariantMap() << -1;
  QDBusConnection::sessionBus().call(foreign);
  runEventsUntil([] { return false; }, 400ms);
  EXPECT_EQ(activations, 0);

  notifier.sendAndWait("本文");
  EXPECT_TRUE(runEventsUntil([&] { return activations == 1; }));
}

TEST(Notifier, OpensTheDesktopsNotificationSettings) {
  TempDir dir;
  fs::create_directories(dir / "bin");
  for (const char* program : {"gnome-control-center", "systemsettings"}) {
    platform::writeAtomically(dir / "bin" / program, "#!/bin/sh\necho \"$0 $*\" > \"$0.opened\"\n");
    fs::permissions(dir / "bin" / program, fs::perms::owner_all);
  }
  ::setenv("PATH", ((dir / "bin").string() + ":" + std::getenv("PATH")).c_str(), 1);
  const auto opened = [&](const char* program) {
    const fs::path file = dir / "bin" / (std::string(program) + ".opened");
    runEventsUntil([&] { return fs::exists(file) && fs::file_size(file) > 0; });
    return fs::exists(file) ? platform::readFile(file) : std::string();
  };

  ::unsetenv("XDG_CURRENT_DESKTOP");
  Notifier().openSettings();
  EXPECT_EQ(opened("gnome-control-center"),
            (dir / "bin/gnome-control-center").string() + " notifications\n");
  ::setenv("XDG_CURRENT_DESKTOP", "KDE", 1);
  Notifier().openSettings();
  EXPECT_EQ(opened("systemsettings"),
            (dir / "bin/systemsettings").string() + " kcm_notifications\n");
}

// The notice logic end to end over the bus: what the user actually sees.
class NoticesOverTheBus : public ReflectFixture {
 protected:
  void settle() {
    writeMaster("仕事", words("語", 10));
    writeDictionary(file({{"仕事", words("語", 10)}}));
    reflect();
  }
  void keepFirst(int count) const {
    Words all = words("語", 10);
    all.resize(static_cast<std::size_t>(count));
    writeMaster("仕事", all);
  }
  void reflect() { BackgroundRun::reflect(syncer(), notifier); }

  std::vector<ReceivedNotice> seen(const std::vector<std::string>& bodies) const {
    std::vector<ReceivedNotice> notices;
    for (const auto& body : bodies) {
      notices.push_back({"Wordloom", "Wordloom", body, {"default", "Wordloom"}});
    }
    return notices;
  }

  static std::string big(int to) {
    return "大きな変更なので反映を停止しました（語が 10 から " + std::to_string(to) +
           " に減ります）。アプリを開いて確認してください";
  }

  NotificationServer server{dir / "record"};
  Notifier notifier;
};

TEST_F(NoticesOverTheBus, TheSameStopTwiceIsShownOnce) {
  settle();
  keepFirst(4);
  reflect();
  reflect();
  EXPECT_EQ(server.notices(), seen({big(4)}));
  EXPECT_EQ(platform::readFile(BackgroundRun::noticeFile(syncer().paths)),
            "big:語が 10 から 4 に減ります");
}

TEST_F(NoticesOverTheBus, ADifferentStopIsShownAgain) {
  settle();
  keepFirst(4);
  reflect();
  keepFirst(3);
  reflect();
  EXPECT_EQ(server.notices(), seen({big(4), big(3)}));
}

TEST_F(NoticesOverTheBus, AStopAfterASuccessIsShownAgain) {
  settle();
  keepFirst(4);
  reflect();
  keepFirst(10);
  reflect();
  keepFirst(4);
  reflect();
  EXPECT_EQ(server.notices(), seen({big(4), big(4)}));
}

void failNoticeWrites(std::string_view step, const fs::path& target) {
  if (step != "read" && target.filename() == BackgroundRun::noticeFileName) {
    throw fs::filesystem_error("write", target,
                               std::make_error_code(std::errc::read_only_file_system));
  }
}

TEST_F(NoticesOverTheBus, WithoutAPlaceForTheKeyEveryRunIsShown) {
  settle();
  keepFirst(4);
  platform::setFileStepHook(failNoticeWrites);
  reflect();
  reflect();
  reflect();
  EXPECT_EQ(server.notices(), seen({big(4), big(4), big(4)}));
}

}  // namespace
