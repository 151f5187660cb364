#include "menus/standard_menus.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <iostream>

#include "menus/bug_report.h"
#include "menus/bundled_resources.h"
#include "menus/localization.h"
#include "menus/release_notes_window.h"

namespace StandardMenus {

namespace {

QPointer<QAction> lastUpdateItem;

void log(const QString& line) {
  std::cerr << "StandardMenus: " << line.toStdString() << std::endl;
}

void showAbout(const Config& config, QWidget* parent) {
  auto* box = new QMessageBox(parent != nullptr ? parent->window() : nullptr);
  box->setObjectName(QStringLiteral("aboutBox"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowTitle(fill(L("%@について"), {config.appName}));
  box->setTextFormat(Qt::RichText);
  box->setText(QStringLiteral("<b>%1</b>").arg(config.appName.toHtmlEscaped()));
  box->setInformativeText(fill(L("バージョン %@"), {config.version}));
  const QIcon icon = QApplication::windowIcon();
  if (!icon.isNull()) box->setIconPixmap(icon.pixmap(64, 64));
  box->setStandardButtons(QMessageBox::Ok);
  box->open();
}

}  // namespace

QColor ColorPair::resolved(ColorScheme scheme) const {
  return QColor::fromRgb(scheme == ColorScheme::dark ? dark : light);
}

QAction* item(const QString& title, const QKeySequence& key, std::function<void()> run,
              QObject* parent) {
  auto* action = new QAction(title, parent);
  action->setShortcut(key);
  action->setShortcutContext(Qt::ApplicationShortcut);
  QObject::connect(action, &QAction::triggered, action, [run = std::move(run)] { run(); });
  return action;
}

QMenu* appMenu(const Config& config, const QList<QAction*>& extraAfterSettings, QWidget* parent) {
  auto* menu = new QMenu(config.appName, parent);
  menu->setObjectName(QStringLiteral("appMenu"));
  menu->addAction(item(
      fill(L("%@について"), {config.appName}), {}, [config, menu] { showAbout(config, menu); },
      menu));
  lastUpdateItem = nullptr;
  if (config.checkForUpdates) {
    lastUpdateItem = item(L("アップデートを確認…"), {}, config.checkForUpdates, menu);
    menu->addAction(lastUpdateItem);
  }
  if (config.showSettings) {
    menu->addSeparator();
    menu->addAction(
        item(L("設定…"), QKeySequence(Qt::CTRL | Qt::Key_Comma), config.showSettings, menu));
  } else if (!extraAfterSettings.isEmpty()) {
    menu->addSeparator();
  }
  menu->addActions(extraAfterSettings);
  menu->addSeparator();
  menu->addAction(item(
      fill(L("%@を終了"), {config.appName}), QKeySequence(Qt::CTRL | Qt::Key_Q),
      [] { QCoreApplication::quit(); }, menu));
  return menu;
}

QMenu* helpMenu(const Config& config, const QList<QAction*>& extra, QWidget* parent) {
  auto* menu = new QMenu(L("ヘルプ"), parent);
  menu->setObjectName(QStringLiteral("helpMenu"));
  if (config.help) {
    menu->addAction(item(
        fill(L("%@ヘルプ"), {config.appName}), QKeySequence(Qt::Key_F1),
        [help = config.help] { openHelp(help); }, menu));
  }
  menu->addAction(item(
      L("改定履歴"), {}, [config] { showReleaseNotes(config); }, menu));
  if (config.report || config.website) menu->addSeparator();
  if (config.report) {
    menu->addAction(item(
        L("不具合を報告"), {}, [config] { report(*config.report, config); }, menu));
  }
  if (config.website) {
    menu->addAction(item(
        fill(L("%@のウェブサイト"), {config.appName}), {},
        [url = *config.website] { openUrl(url); }, menu));
  }
  if (!extra.isEmpty()) {
    menu->addSeparator();
    menu->addActions(extra);
  }
  return menu;
}

QPointer<QAction> updateItem() {
  return lastUpdateItem;
}

void openUrl(const QUrl& url) {
  if (!QDesktopServices::openUrl(url)) log(url.toDisplayString() + QStringLiteral(" を開けません"));
}

void openHelp(const std::optional<Help>& help) {
  openHelp(help, resourceFolders());
}

void openHelp(const std::optional<Help>& help, const QStringList& folders) {
  if (!help) return;
  if (const auto* web = std::get_if<Help::Web>(&help->value)) {
    openUrl(web->url);
    return;
  }
  const QString name = std::get<Help::Bundled>(help->value).name;
  const QString page = findResource(name + QStringLiteral(".html"), folders);
  if (page.isEmpty()) {
    QApplication::beep();
    log(fill(QStringLiteral("%@.html が Resources にありません"), {name}));
    return;
  }
  openUrl(QUrl::fromLocalFile(page));
}

}  // namespace StandardMenus
