#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <optional>

#include "update/release_notes.h"
#include "update/update_installer.h"
#include "update/update_phase.h"
#include "update/update_prompt.h"

// What the update window shows and does, without widgets: the window observes the change
// signals and calls the actions. One model per window; callbacks that arrive after it is gone
// change nothing.
class UpdateModel : public QObject {
  Q_OBJECT

 public:
  explicit UpdateModel(const UpdatePrompt::WindowRequest& request, QObject* parent = nullptr);
  ~UpdateModel() override;

  const QString& appName() const { return request_.appName; }
  const QString& currentVersion() const { return request_.currentVersion; }
  const UpdatePrompt::Feed& feed() const { return request_.feed; }
  const std::optional<UpdatePrompt::Source>& source() const { return request_.source; }

  const UpdatePhase& phase() const { return phase_; }
  void setPhase(const UpdatePhase& phase);

  const QList<UpdateReleaseNote>& notes() const { return notes_; }
  bool notesLoaded() const { return notesLoaded_; }

  // "今後はアップデートを自動でインストールする"; every change is saved at once.
  bool autoInstall() const { return autoInstall_; }
  void setAutoInstall(bool on);

  // The feed has an archive and this copy may be replaced in place.
  bool canInstall() const;
  // The feed's page, else the folder of the feed or the staff folder.
  QUrl pageURL() const;

  // The header texts of the current phase.
  QString title() const;
  QString subtitle() const;

  // Downloads, checks and swaps at quit; or opens the page when this copy cannot be replaced.
  void install();
  void skip();
  void later();
  void openPage();
  void cancelDownload();
  // Cancels a running download, then asks the window to close.
  void close();
  // Loads the release notes (a file, or one GET), then runs `then`.
  void loadNotes(std::function<void()> then = {});

  // Where this copy is installed and what runs the swap; the running program's by default.
  void setInstallTarget(std::optional<std::filesystem::path> root,
                        std::filesystem::path swapProgram = {});
  // What happens once the swap has been arranged; quitting the application by default.
  void setQuit(std::function<void()> quit);

 signals:
  void phaseChanged();
  void notesChanged();
  void autoInstallChanged();
  void closeRequested();

 private:
  void finishInstall(const UpdateInstaller::VerifyResult& result);

  UpdatePrompt::WindowRequest request_;
  UpdatePhase phase_;
  QList<UpdateReleaseNote> notes_;
  bool notesLoaded_ = false;
  bool autoInstall_ = false;
  QPointer<UpdateInstaller::Task> task_;
  std::optional<std::filesystem::path> installRoot_;
  std::filesystem::path swapProgram_;
  std::function<void()> quit_;
};
