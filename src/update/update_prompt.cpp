#include "update/update_prompt.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>
#include <QTimer>

#include "update/install_location.h"
#include "update/network_get.h"
#include "update/staff_folder.h"
#include "update/update_hooks.h"
#include "update/update_installer.h"
#include "update/update_log.h"
#include "update/update_records.h"
#include "update/version_rule.h"

namespace UpdatePrompt {
namespace {

// A feed is a few hundred bytes; anything near this is not one.
constexpr qint64 maxFeedBytes = 64 << 10;

Presenter& presenter() {
  static Presenter value;
  return value;
}

void show(const WindowRequest& request) {
  if (presenter()) {
    presenter()(request);
  } else {
    log(("UpdatePrompt: " + request.feed.version + " を知らせる画面がありません").toStdString());
  }
}

void onMainThread(std::function<void()> work) {
  QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
}

void readRemote(const QUrl& url, std::function<void(std::optional<Feed>)> completion) {
  NetworkGet::start(url, {std::chrono::milliseconds(15000), maxFeedBytes, {}},
                    [url, completion](const GetResult& result) {
                      if (!result.error.isEmpty()) {
                        log(("UpdatePrompt: 接続できませんでした: " + result.error).toStdString());
                        completion(std::nullopt);
                      } else if (result.status != 0 && result.status != 200) {
                        log("UpdatePrompt: 応答 " + std::to_string(result.status));
                        completion(std::nullopt);
                      } else {
                        completion(decodeFeed(result.body, url));
                      }
                    });
}

void readLocal(const QUrl& url, bool staffFolder,
               std::function<void(std::optional<Feed>)> completion) {
  QThreadPool::globalInstance()->start([url, staffFolder, completion] {
    QFile file(url.toLocalFile());
    std::optional<Feed> feed;
    if (file.open(QIODevice::ReadOnly)) {
      const QByteArray bytes = file.read(maxFeedBytes + 1);
      if (!bytes.isEmpty()) {
        feed = bytes.size() <= maxFeedBytes ? decodeFeed(bytes, url) : std::nullopt;
        if (!feed) {
          log(("UpdatePrompt: version.json の形が正しくありません: " + file.fileName())
                  .toStdString());
        }
      }
    }
    if (feed && staffFolder) {
      const QUrl folder = url.resolved(QUrl(QStringLiteral(".")));
      if (feed->page.isEmpty()) feed->page = folder;
      if (feed->zip.isEmpty()) feed->zip = newestZip(folder);
      const QString notes = folder.toLocalFile() + QStringLiteral("改定履歴.md");
      if (feed->notes.isEmpty() && QFileInfo::exists(notes))
        feed->notes = QUrl::fromLocalFile(notes);
    }
    onMainThread([completion, feed] { completion(feed); });
  });
}

}  // namespace

void setPresenter(Presenter value) {
  presenter() = std::move(value);
}

Source defaultSource() {
  return RemoteSource{feedUrl()};
}

void fetch(const Source& source, std::function<void(std::optional<Feed>)> completion) {
  if (const auto test = testFeed()) {
    if (test->isLocalFile()) {
      readLocal(*test, false, std::move(completion));
    } else {
      readRemote(*test, std::move(completion));
    }
    return;
  }
  if (const auto* remote = std::get_if<RemoteSource>(&source)) {
    readRemote(remote->url, std::move(completion));
    return;
  }
  const QUrl folder = staffFolder(std::get<StaffFolderSource>(source).path);
  if (folder.isEmpty()) {
    onMainThread([completion] { completion(std::nullopt); });
    return;
  }
  readLocal(QUrl::fromLocalFile(folder.toLocalFile() + QStringLiteral("/version.json")), true,
            std::move(completion));
}

OfferAction offerAction(const QString& currentVersion, const Feed& feed, bool skipped,
                        bool autoInstall, bool canReplace) {
  if (!isNewer(feed.version.toStdString(), currentVersion.toStdString()) || skipped) {
    return OfferAction::nothing;
  }
  if (autoInstall && !feed.zip.isEmpty() && canReplace) return OfferAction::prepareForQuit;
  return OfferAction::showWindow;
}

bool offer(const QString& appName, const QString& currentVersion, const Feed& feed,
           const std::optional<Source>& source) {
  const bool automatic = autoInstall() && !feed.zip.isEmpty();
  switch (offerAction(currentVersion, feed, isSkipped(feed.version), automatic,
                      automatic && UpdateInstaller::canReplaceRunningApp())) {
    case OfferAction::nothing:
      return false;
    case OfferAction::prepareForQuit:
      UpdateInstaller::prepareForQuit(feed, currentVersion);
      return true;
    case OfferAction::showWindow:
      show({appName, currentVersion, feed, source, UpdatePhase::offer()});
      return true;
  }
  return false;
}

void checkAtLaunch(const QString& appName, const QString& currentVersion, const Source& source,
                   std::chrono::milliseconds delay, QObject* context) {
  if (testReset()) clearRecords();
  if (isSnapshotting()) {
    fetch(source, [=](const std::optional<Feed>& feed) {
      show({appName, currentVersion, feed.value_or(Feed{currentVersion, {}, {}, {}}), source,
            UpdatePhase::offer()});
    });
    return;
  }
  // A coarse timer, Qt's choice for long delays, may fire up to 5 % early.
  QTimer::singleShot(delay, Qt::PreciseTimer,
                     context != nullptr ? context : QCoreApplication::instance(), [=] {
                       fetch(source, [=](const std::optional<Feed>& feed) {
                         if (feed) offer(appName, currentVersion, *feed, source);
                       });
                     });
}

void checkNow(const QString& appName, const QString& currentVersion, const Source& source) {
  fetch(source, [=](const std::optional<Feed>& feed) {
    if (!feed) {
      show({appName, currentVersion, Feed{currentVersion, fallbackURL(source), {}, {}}, source,
            UpdatePhase::checkFailed()});
      return;
    }
    const bool newer = isNewer(feed->version.toStdString(), currentVersion.toStdString());
    show({appName, currentVersion, *feed, source,
          newer ? UpdatePhase::offer() : UpdatePhase::upToDate()});
  });
}

}  // namespace UpdatePrompt
