#include "update/update_model.h"

#include <QCoreApplication>
#include <QFile>
#include <QThreadPool>

#include "platform/text.h"
#include "update/install_location.h"
#include "update/network_get.h"
#include "update/staff_folder.h"
#include "update/update_hooks.h"
#include "update/update_log.h"
#include "update/update_records.h"
#include "update/update_text.h"

using UpdatePrompt::format;
using UpdatePrompt::L;

namespace {

constexpr qint64 maxNotesBytes = 1 << 20;

void log(const QString& line) {
  UpdatePrompt::log(line.toStdString());
}

std::optional<QString> utf8(const QByteArray& bytes) {
  if (!platform::isValidUtf8(std::string_view(bytes.constData(), bytes.size())))
    return std::nullopt;
  return QString::fromUtf8(bytes);
}

}  // namespace

UpdateModel::UpdateModel(const UpdatePrompt::WindowRequest& request, QObject* parent)
    : QObject(parent),
      request_(request),
      phase_(request.phase),
      autoInstall_(UpdatePrompt::autoInstall()),
      installRoot_(UpdateInstaller::runningInstallRoot()),
      quit_([] { QCoreApplication::quit(); }) {}

UpdateModel::~UpdateModel() {
  if (task_) task_->cancel();
}

void UpdateModel::setPhase(const UpdatePhase& phase) {
  if (phase == phase_) return;
  phase_ = phase;
  emit phaseChanged();
}

void UpdateModel::setAutoInstall(bool on) {
  if (on == autoInstall_) return;
  autoInstall_ = on;
  UpdatePrompt::setAutoInstall(on);
  emit autoInstallChanged();
}

bool UpdateModel::canInstall() const {
  return !request_.feed.zip.isEmpty() && installRoot_ && UpdateInstaller::canReplace(*installRoot_);
}

QUrl UpdateModel::pageURL() const {
  if (!request_.feed.page.isEmpty()) return request_.feed.page;
  return UpdatePrompt::fallbackURL(request_.source);
}

QString UpdateModel::title() const {
  switch (phase_.kind) {
    case UpdatePhase::Kind::offer:
      return format(L(QStringLiteral("新しいバージョンの%@があります")), {appName()});
    case UpdatePhase::Kind::downloading:
      return L(QStringLiteral("ダウンロード中…"));
    case UpdatePhase::Kind::installing:
      return L(QStringLiteral("インストール中…"));
    case UpdatePhase::Kind::upToDate:
      return format(L(QStringLiteral("%@は最新です")), {appName()});
    case UpdatePhase::Kind::checkFailed:
      return L(QStringLiteral("アップデートを確認できませんでした"));
    case UpdatePhase::Kind::failed:
      return L(QStringLiteral("アップデートをインストールできませんでした"));
  }
  return {};
}

QString UpdateModel::subtitle() const {
  switch (phase_.kind) {
    case UpdatePhase::Kind::offer: {
      const QString offered =
          format(L(QStringLiteral("%@ %@ があります（お使いのバージョンは %@ です）。")),
                 {appName(), feed().version, currentVersion()});
      if (!canInstall()) {
        return UpdatePrompt::join(
            offered, L(QStringLiteral("ダウンロードページからインストールしてください。")));
      }
      if (notes_.size() >= 2) {
        return UpdatePrompt::join(offered,
                                  format(L(QStringLiteral("%@ からの変更もまとめて入ります。")),
                                         {notes_.back().version}));
      }
      return offered;
    }
    case UpdatePhase::Kind::downloading:
      return format(L(QStringLiteral("%@ %@ をダウンロードしています。")),
                    {appName(), feed().version});
    case UpdatePhase::Kind::installing:
      return L(QStringLiteral("署名を確認して、インストールしています。"));
    case UpdatePhase::Kind::upToDate:
      return format(L(QStringLiteral("お使いのバージョンは %@ です。")), {currentVersion()});
    case UpdatePhase::Kind::checkFailed:
      return L(QStringLiteral(
          "インターネットに接続できるかを確認して、しばらくしてから、もう一度お試しください。"));
    case UpdatePhase::Kind::failed:
      return format(L(QStringLiteral("お使いの%@ %@ は、そのまま使えます。")),
                    {appName(), currentVersion()});
  }
  return {};
}

void UpdateModel::install() {
  if (!canInstall()) {
    openPage();
    return;
  }
  setPhase(UpdatePhase::downloading(0, 0, 0));
  QPointer<UpdateModel> self(this);
  task_ = UpdateInstaller::download(
      feed().zip, feed().version, currentVersion(),
      {[self](double fraction, qint64 received, qint64 expected) {
         if (self) self->setPhase(UpdatePhase::downloading(fraction, received, expected));
       },
       [self] {
         if (self) self->setPhase(UpdatePhase::installing());
       },
       [self](const UpdateInstaller::VerifyResult& result) {
         if (self) self->finishInstall(result);
       }},
      {.installRoot = installRoot_});
}

void UpdateModel::finishInstall(const UpdateInstaller::VerifyResult& result) {
  task_.clear();
  if (const auto* failure = std::get_if<UpdateInstaller::Failure>(&result)) {
    log(QStringLiteral("UpdatePrompt: インストールできませんでした: ") + failure->headline + u' ' +
        failure->detail);
    setPhase(UpdatePhase::failed(failure->headline, failure->detail));
    return;
  }
  const auto& staged = std::get<UpdateInstaller::StagedInstall>(result);
  const auto failure = UpdateInstaller::replaceAfterQuit(
      staged, !UpdatePrompt::testNoRelaunch(), {.program = swapProgram_, .target = installRoot_});
  if (failure) {
    log(QStringLiteral("UpdatePrompt: 差し替えを始められませんでした: ") + failure->headline +
        u' ' + failure->detail);
    setPhase(UpdatePhase::failed(failure->headline, failure->detail));
    return;
  }
  log(QStringLiteral("UpdatePrompt: 確認が通りました。終了して差し替えます: ") +
      QString::fromStdString(staged.tree.string()));
  quit_();
}

void UpdateModel::skip() {
  UpdatePrompt::skip(feed().version);
  close();
}

void UpdateModel::later() {
  close();
}

void UpdateModel::openPage() {
  UpdatePrompt::openPage(pageURL());
  close();
}

void UpdateModel::cancelDownload() {
  if (task_) task_->cancel();
  task_.clear();
  setPhase(UpdatePhase::offer());
}

void UpdateModel::close() {
  if (task_) task_->cancel();
  task_.clear();
  emit closeRequested();
}

void UpdateModel::loadNotes(std::function<void()> then) {
  QPointer<UpdateModel> self(this);
  const auto done = [self, then](const std::optional<QString>& text) {
    if (!self) return;
    self->notes_ =
        text ? UpdateReleaseNotes::parse(*text, self->currentVersion(), self->feed().version)
             : QList<UpdateReleaseNote>();
    self->notesLoaded_ = true;
    emit self->notesChanged();
    if (then) then();
  };
  const QUrl url = feed().notes;
  if (url.isEmpty()) {
    done(std::nullopt);
    return;
  }
  if (url.isLocalFile()) {
    QThreadPool::globalInstance()->start([url, done] {
      QFile file(url.toLocalFile());
      std::optional<QString> text;
      if (file.open(QIODevice::ReadOnly)) text = utf8(file.read(maxNotesBytes));
      QMetaObject::invokeMethod(
          QCoreApplication::instance(), [done, text] { done(text); }, Qt::QueuedConnection);
    });
    return;
  }
  NetworkGet::start(url, {std::chrono::milliseconds(15000), maxNotesBytes, {}},
                    [done](const GetResult& result) {
                      if (result.error.isEmpty() && result.status == 200) {
                        done(utf8(result.body));
                      } else {
                        done(std::nullopt);
                      }
                    });
}

void UpdateModel::setInstallTarget(std::optional<std::filesystem::path> root,
                                   std::filesystem::path swapProgram) {
  installRoot_ = std::move(root);
  swapProgram_ = std::move(swapProgram);
}

void UpdateModel::setQuit(std::function<void()> quit) {
  quit_ = std::move(quit);
}
