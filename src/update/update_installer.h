#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "update/archive_unpack.h"
#include "update/feed.h"
#include "update/network_get.h"
#include "update/unpack_verify.h"

namespace UpdateInstaller {

class WorkFolder;

struct DownloadOptions {
  // The install folder the result will replace; its work folder is made next to it.
  std::optional<std::filesystem::path> installRoot = std::nullopt;
  // Inactivity limit and size cap of the archive.
  std::chrono::milliseconds inactivity{60000};
  qint64 maxBytes = 256ll << 20;
  // What unpacking the archive may write.
  ArchiveUnpack::Limits unpackLimits = {};
};

// A running download and check. Every callback runs on the main thread; after `cancel` none
// runs, and the work folder goes once the background work has stopped.
class Task : public QObject {
 public:
  struct Callbacks {
    std::function<void(double fraction, qint64 received, qint64 expected)> progress;
    std::function<void()> verifying;
    std::function<void(const VerifyResult&)> completion;
  };

  void cancel();
  bool cancelled() const { return cancelled_; }

 private:
  friend Task* download(const QUrl&, const QString&, const QString&, Callbacks,
                        const DownloadOptions&);
  Task(Callbacks callbacks, QString currentVersion);

  void fetch(const QUrl& url, const std::filesystem::path& file, const GetOptions& options,
             std::function<void()> next, bool reportProgress);
  void copyLocal(const QUrl& zip);
  void verify();
  void complete(const VerifyResult& result);

  Callbacks callbacks_;
  QString currentVersion_;
  ArchiveUnpack::Limits unpackLimits_;
  std::shared_ptr<WorkFolder> work_;
  QPointer<NetworkGet> get_;
  bool cancelled_ = false;
  bool inBackground_ = false;
};

// Fetches the archive `zip` (a network address, or a file as in a staff folder) and its ".minisig"
// beside it, then checks and stages it (unpackAndVerify). `expectedVersion` is the feed's, carried
// for the caller; what is checked is the version the signature names. Returns at once.
Task* download(const QUrl& zip, const QString& expectedVersion, const QString& currentVersion,
               Task::Callbacks callbacks, const DownloadOptions& options = {});

struct SwapOptions {
  // The program that runs the swap: this one, the old version.
  std::filesystem::path program = {};
  // The install folder to replace; the running one by default.
  std::optional<std::filesystem::path> target = std::nullopt;
  // Given to the new version when it is started again.
  std::vector<std::string> relaunchArguments = {};
};

// Starts `program --finish-update`, which waits for this process to end and then swaps `staged`
// in. Returns the failure when it cannot start it.
std::optional<Failure> replaceAfterQuit(const StagedInstall& staged, bool relaunch,
                                        const SwapOptions& options = {});

// Downloads and checks the feed's archive silently and, once that has passed, swaps it in when
// the application quits. Once per run; nothing without an archive.
void prepareForQuit(const UpdatePrompt::Feed& feed, const QString& currentVersion,
                    const DownloadOptions& options = {});

// Removes work folders next to `installRoot` that no running updater holds: what a killed
// download or swap left behind.
void removeAbandonedWorkFolders(const std::filesystem::path& installRoot);

}  // namespace UpdateInstaller
