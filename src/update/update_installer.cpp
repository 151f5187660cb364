#include "update/update_installer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThreadPool>
#include <QUuid>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/executable.h"
#include "platform/process.h"
#include "update/finish_update.h"
#include "update/install_location.h"
#include "update/update_log.h"

namespace UpdateInstaller {

namespace fs = std::filesystem;

// A folder next to the install folder, for one download: the archive, its signature and the
// unpacked tree. Private to this user (0700), and locked while this process may still use it,
// so that another start of the application does not clear it away.
class WorkFolder {
 public:
  static std::shared_ptr<WorkFolder> make(const fs::path& installRoot, std::string& error) {
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const fs::path path =
        installRoot.parent_path() / (std::string(FinishUpdate::workPrefix) + uuid.toStdString());
    if (::mkdir(path.c_str(), 0700) != 0) {
      error = path.string() + ": " + std::strerror(errno);
      return nullptr;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      error = path.string() + ": " + std::strerror(errno);
      if (fd >= 0) ::close(fd);
      ::rmdir(path.c_str());
      return nullptr;
    }
    return std::shared_ptr<WorkFolder>(new WorkFolder(path, fd));
  }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
  ~WorkFolder() { ::close(fd_); }

  const fs::path& path() const { return path_; }
  void remove() const {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }

 private:
  WorkFolder(fs::path path, int fd) : path_(std::move(path)), fd_(fd) {}
  fs::path path_;
  int fd_;
};

namespace {

constexpr const char* archiveName = "update.tar.gz";
constexpr const char* signatureName = "update.tar.gz.minisig";

// Work folders of verified installs stay locked until this process ends: the swap takes them
// over only then.
std::vector<std::shared_ptr<WorkFolder>>& heldUntilExit() {
  static std::vector<std::shared_ptr<WorkFolder>> folders;
  return folders;
}

bool swapStarted = false;
std::optional<StagedInstall> prepared;
bool preparing = false;

void onMainThread(std::function<void()> work) {
  QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
}

QUrl signatureUrl(const QUrl& archive) {
  QUrl url = archive;
  url.setPath(archive.path() + QStringLiteral(".minisig"));
  return url;
}

}  // namespace

Task::Task(Callbacks callbacks, QString currentVersion)
    : callbacks_(std::move(callbacks)), currentVersion_(std::move(currentVersion)) {}

void Task::cancel() {
  if (cancelled_) return;
  cancelled_ = true;
  if (get_) get_->cancel();
  // Background work still reads the folder; it is removed when that work reports back.
  if (!inBackground_) {
    work_->remove();
    deleteLater();
  }
}

void Task::complete(const VerifyResult& result) {
  inBackground_ = false;
  if (cancelled_) {
    work_->remove();
    deleteLater();
    return;
  }
  if (std::holds_alternative<Failure>(result)) {
    work_->remove();
  } else {
    heldUntilExit().push_back(work_);
  }
  if (callbacks_.completion) callbacks_.completion(result);
  deleteLater();
}

void Task::fetch(const QUrl& url, const fs::path& file, const GetOptions& options,
                 std::function<void()> next, bool reportProgress) {
  GetOptions toFile = options;
  toFile.saveTo = QString::fromStdString(file.string());
  NetworkGet::Progress progress;
  if (reportProgress && callbacks_.progress) {
    progress = [this](qint64 received, qint64 expected) {
      callbacks_.progress(expected > 0 ? double(received) / double(expected) : 0.0, received,
                          expected);
    };
  }
  get_ = NetworkGet::start(
      url, toFile,
      [this, next = std::move(next)](const GetResult& result) {
        get_.clear();
        if (!result.error.isEmpty()) {
          complete(Failure::download(result.error));
        } else if (result.status != 0 && result.status != 200) {
          complete(Failure::downloadStatus(result.status));
        } else {
          next();
        }
      },
      progress);
}

void Task::copyLocal(const QUrl& zip) {
  inBackground_ = true;
  const fs::path source = zip.toLocalFile().toStdString();
  const fs::path work = work_->path();
  QPointer<Task> self(this);
  QThreadPool::globalInstance()->start([self, source, work] {
    std::error_code error;
    const auto size = fs::file_size(source, error);
    std::optional<Failure> failure;
    if (error || size == 0 || !fs::is_regular_file(fs::path(source) += ".minisig", error)) {
      failure = Failure::localArchiveMissing();
    } else {
      fs::copy_file(source, work / archiveName, error);
      if (!error) fs::copy_file(fs::path(source) += ".minisig", work / signatureName, error);
      if (error) failure = Failure::localArchiveUnreadable(QString::fromStdString(error.message()));
    }
    onMainThread([self, failure, size] {
      if (!self) return;
      if (failure) {
        self->complete(*failure);
        return;
      }
      if (!self->cancelled_ && self->callbacks_.progress) {
        self->callbacks_.progress(1.0, qint64(size), qint64(size));
      }
      self->verify();
    });
  });
}

void Task::verify() {
  if (cancelled_) {
    complete(Failure{});
    return;
  }
  if (callbacks_.verifying) callbacks_.verifying();
  inBackground_ = true;
  QPointer<Task> self(this);
  const fs::path work = work_->path();
  const QString current = currentVersion_;
  const ArchiveUnpack::Limits limits = unpackLimits_;
  QThreadPool::globalInstance()->start([self, work, current, limits] {
    const VerifyResult result =
        unpackAndVerify(work / archiveName, work / signatureName, work, current, limits);
    onMainThread([self, result] {
      if (self) self->complete(result);
    });
  });
}

Task* download(const QUrl& zip, const QString& /*expectedVersion*/, const QString& currentVersion,
               Task::Callbacks callbacks, const DownloadOptions& options) {
  auto* task = new Task(std::move(callbacks), currentVersion);
  task->unpackLimits_ = options.unpackLimits;
  const auto root = options.installRoot ? options.installRoot : runningInstallRoot();
  std::string error = "No install folder to replace";
  if (root) {
    removeAbandonedWorkFolders(*root);
    task->work_ = WorkFolder::make(*root, error);
  }
  if (!task->work_) {
    const Failure failure = Failure::workFolder(QString::fromStdString(error));
    QPointer<Task> self(task);
    onMainThread([self, failure] {
      if (!self) return;
      if (!self->cancelled_ && self->callbacks_.completion) self->callbacks_.completion(failure);
      self->deleteLater();
    });
    // Nothing to remove on cancel.
    task->inBackground_ = true;
    return task;
  }
  if (zip.isLocalFile()) {
    task->copyLocal(zip);
    return task;
  }
  const fs::path work = task->work_->path();
  const GetOptions archive{options.inactivity, options.maxBytes, {}};
  const GetOptions signature{std::chrono::milliseconds(15000), 8192, {}};
  task->fetch(
      zip, work / archiveName, archive,
      [task, zip, work, signature] {
        task->fetch(
            signatureUrl(zip), work / signatureName, signature, [task] { task->verify(); }, false);
      },
      true);
  return task;
}

std::optional<Failure> replaceAfterQuit(const StagedInstall& staged, bool relaunch,
                                        const SwapOptions& options) {
  const fs::path work = staged.work.lexically_normal();
  if (!work.filename().string().starts_with(FinishUpdate::workPrefix) ||
      staged.tree.lexically_normal().parent_path().parent_path() != work) {
    return Failure::workFolderNotFound(QString::fromStdString(staged.tree.string()));
  }
  const auto target = options.target ? options.target : runningInstallRoot();
  if (!target) return Failure::cannotReplace(QStringLiteral("No install folder to replace"));
  if (swapStarted) return std::nullopt;
  const FinishUpdate::Request request{::getpid(), staged.tree, *target,
                                      work,       relaunch,    options.relaunchArguments};
  const fs::path program =
      options.program.empty() ? platform::runningExecutable() : options.program;
  try {
    platform::startDetached(program.string(), FinishUpdate::arguments(request));
  } catch (const std::system_error& e) {
    return Failure::cannotReplace(QString::fromLocal8Bit(e.what()));
  }
  swapStarted = true;
  return std::nullopt;
}

void prepareForQuit(const UpdatePrompt::Feed& feed, const QString& currentVersion,
                    const DownloadOptions& options) {
  if (prepared || preparing || feed.zip.isEmpty()) return;
  preparing = true;
  const QString version = feed.version;
  download(feed.zip, feed.version, currentVersion,
           {{},
            {},
            [version, options](const VerifyResult& result) {
              preparing = false;
              if (const auto* failure = std::get_if<Failure>(&result)) {
                UpdatePrompt::log(("UpdatePrompt: 自動インストールの用意ができませんでした: " +
                                   failure->headline + u' ' + failure->detail)
                                      .toStdString());
                return;
              }
              prepared = std::get<StagedInstall>(result);
              static QMetaObject::Connection atQuit;
              QObject::disconnect(atQuit);
              atQuit = QObject::connect(
                  QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [options] {
                    const auto failure =
                        replaceAfterQuit(*prepared, false, {.target = options.installRoot});
                    if (failure) {
                      UpdatePrompt::log(("UpdatePrompt: 終了時の差し替えを始められませんでした: " +
                                         failure->headline + u' ' + failure->detail)
                                            .toStdString());
                    }
                  });
              UpdatePrompt::log(
                  ("UpdatePrompt: " + version + " を用意しました。終了したときに差し替えます")
                      .toStdString());
            }},
           options);
}

void removeAbandonedWorkFolders(const fs::path& installRoot) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(installRoot.parent_path(), error)) {
    if (!entry.path().filename().string().starts_with(FinishUpdate::workPrefix)) continue;
    const int fd = ::open(entry.path().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      std::error_code ignored;
      fs::remove_all(entry.path(), ignored);
    }
    ::close(fd);
  }
}

}  // namespace UpdateInstaller
