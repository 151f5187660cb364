#include "desktop/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

#include "platform/process.h"

using namespace std::chrono_literals;

class SingleInstanceTest : public QObject {
  Q_OBJECT

 private slots:
  void aSecondStartBringsTheFirstForward() {
    QTemporaryDir folder;
    SingleInstance first(folder.path());
    QCOMPARE(first.claim(), SingleInstance::Claim::owner);
    QSignalSpy asked(&first, &SingleInstance::activationRequested);
    for (int start = 1; start <= 2; ++start) {
      SingleInstance second(folder.path());
      QCOMPARE(second.claim(1s), SingleInstance::Claim::handedOver);
      QTRY_COMPARE(asked.count(), start);
    }
  }

  // What the last owner left behind never keeps the next start from running the windows.
  void theSessionIsFreeOnceItsOwnerEnded_data() {
    QTest::addColumn<bool>("crashed");
    QTest::addColumn<bool>("startedAProgram");
    QTest::newRow("quit") << false << false;
    QTest::newRow("crashed, its socket left behind") << true << false;
    QTest::newRow("a program it started outlives it") << false << true;
  }
  void theSessionIsFreeOnceItsOwnerEnded() {
    QFETCH(bool, crashed);
    QFETCH(bool, startedAProgram);
    QTemporaryDir folder;
    auto first = std::make_unique<SingleInstance>(folder.path());
    QCOMPARE(first->claim(), SingleInstance::Claim::owner);
    pid_t child = -1;
    if (startedAProgram) child = platform::startDetached("/bin/sleep", {"5"});
    first.reset();
    if (crashed) {
      QFile leftover(folder.filePath(QStringLiteral("wordloom-window.socket")));
      QVERIFY(leftover.open(QIODevice::WriteOnly));
    }
    SingleInstance next(folder.path());
    QCOMPARE(next.claim(300ms), SingleInstance::Claim::owner);
    SingleInstance later(folder.path());
    QCOMPARE(later.claim(1s), SingleInstance::Claim::handedOver);
    if (child > 0) ::kill(child, SIGKILL);
  }

  // A hung copy: the start gives up after its patience instead of opening a second window.
  void aHolderThatDoesNotAnswerIsReported() {
    QTemporaryDir folder;
    const int fd =
        ::open(QFile::encodeName(folder.filePath(QStringLiteral("wordloom-window.lock"))),
               O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    QVERIFY(fd >= 0 && ::flock(fd, LOCK_EX) == 0);
    SingleInstance start(folder.path());
    QCOMPARE(start.claim(300ms), SingleInstance::Claim::unreachable);
    ::close(fd);
  }

  // No place for the lock (a runtime folder that cannot exist): the windows still open.
  void withoutALockTheStartRuns() {
    QTemporaryDir folder;
    QFile blocker(folder.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    SingleInstance start(folder.filePath(QStringLiteral("file/runtime")));
    QCOMPARE(start.claim(300ms), SingleInstance::Claim::owner);
  }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
