#include "desktop/desktop_app.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <iostream>
#include <optional>

#include "background/app_info.h"
#include "desktop/app_delegate.h"
#include "desktop/single_instance.h"
#include "desktop/snapshot.h"
#include "platform/files.h"
#include "ui/style/appearance.h"
#include "ui/style/material_symbols.h"

namespace {

// The theme's icon once installed; from a build, the sizes rendered beside the program.
QIcon applicationIcon() {
  const QString name = QString::fromStdString(std::string(AppInfo::desktopEntry));
  QIcon icon = QIcon::fromTheme(name);
  if (!icon.isNull()) return icon;
  const QDir hicolor(QCoreApplication::applicationDirPath() +
                     QStringLiteral("/../share/icons/hicolor"));
  for (const QString& size : hicolor.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    const QString file =
        hicolor.filePath(size + QStringLiteral("/apps/") + name + QStringLiteral(".png"));
    if (QFileInfo::exists(file)) icon.addFile(file);
  }
  return icon;
}

// Nothing when this copy is the one to run the windows.
std::optional<int> statusWhenAnotherCopyRuns(SingleInstance& instance) {
  switch (instance.claim()) {
    case SingleInstance::Claim::owner:
      return std::nullopt;
    case SingleInstance::Claim::handedOver:
      return 0;
    case SingleInstance::Claim::unreachable:
      break;
  }
  // Started from the launcher there is no terminal to read the reason in.
  const QString name = QString::fromStdString(AppInfo::name());
  const QString text = name + QStringLiteral(
                                  " はすでに起動していますが、応答しません。そのウインドウを閉じる"
                                  "か、パソコンからログアウトしてから起動し直してください。");
  std::cerr << text.toStdString() << '\n';
  QMessageBox::warning(nullptr, name, text);
  return 1;
}

}  // namespace

void DesktopApp::prepare() {
  // Per-user settings (window frames, preferences) live in ~/.config/kumomori/Wordloom.conf.
  QCoreApplication::setOrganizationName(QStringLiteral("kumomori"));
  QCoreApplication::setOrganizationDomain(QStringLiteral("kumomori.jp"));
  QCoreApplication::setApplicationName(QStringLiteral("Wordloom"));
  QCoreApplication::setApplicationVersion(QString::fromStdString(AppInfo::version()));
  QGuiApplication::setApplicationDisplayName(QString::fromStdString(AppInfo::name()));
  // Ties the windows to the launcher's entry, and the notifications to both.
  QGuiApplication::setDesktopFileName(QString::fromStdString(std::string(AppInfo::desktopEntry)));
  QApplication::setWindowIcon(applicationIcon());
  // The windows speak Japanese whatever the locale, so Qt's own buttons and menus do too.
  auto* qtTexts = new QTranslator(qApp);
  if (qtTexts->load(QStringLiteral("qtbase_ja"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(qtTexts);
  }
  MaterialSymbols::registerFont();
  Appearance::shared();
  // A save that crosses `ulimit -f` reports an error instead of ending the application.
  platform::failWritesOverTheSizeLimit();
}

int DesktopApp::run(int argc, char** argv) {
  QApplication application(argc, argv);
  prepare();

  // Snapshots run on prepared copies beside whatever copy the user has open.
  SingleInstance instance;
  if (!Snapshot::isRequested()) {
    if (const auto status = statusWhenAnotherCopyRuns(instance)) return *status;
  }
  AppDelegate delegate;
  QObject::connect(&instance, &SingleInstance::activationRequested, &delegate,
                   &AppDelegate::bringForward);
  delegate.start();
  return QApplication::exec();
}
