#include "desktop/desktop_app.h"

#include <sys/resource.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <string>

#include "platform/files.h"

class DesktopAppTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { DesktopApp::prepare(); }

  void namesTieSettingsAndNotificationsToTheEntry() {
    QVERIFY2(QSettings().fileName().endsWith(QStringLiteral("/kumomori/Wordloom.conf")),
             qPrintable(QSettings().fileName()));
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("jp.kumomori.wordloom"));
  }

  // Qt's standard buttons (confirmations, file dialogs) in the language of the windows.
  void qtsOwnTextsAreJapanese() {
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
  }

  // Without it the kernel would end the application in the middle of a save.
  void aWriteOverTheSizeLimitFailsAndTheApplicationGoesOn() {
    QTemporaryDir folder;
    const std::filesystem::path target =
        folder.filePath(QStringLiteral("master.txt")).toStdString();
    rlimit before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    rlimit small = before;
    small.rlim_cur = 16;
    ::setrlimit(RLIMIT_FSIZE, &small);
    bool failed = false;
    try {
      platform::writeAtomically(target, std::string(4096, 'x'));
    } catch (const std::filesystem::filesystem_error&) {
      failed = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &before);
    QVERIFY(failed);
    QVERIFY(!std::filesystem::exists(target));
  }
};

QTEST_MAIN(DesktopAppTest)
#include "desktop_app_test.moc"
