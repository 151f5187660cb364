#pragma once

#include <QWidget>
#include <filesystem>
#include <optional>

#include "app/app_model.h"

class QLabel;
class StyledButton;

// Where the master, the dictionary backups and the master's history are, each with a button
// that opens the folder; how many of each are kept; changing the synced folder; the version.
class FileSettings : public QWidget {
  Q_OBJECT

 public:
  explicit FileSettings(AppModel& model, QWidget* parent = nullptr);

 signals:
  // "同期に使うフォルダを変更…": the model now shows the setup; the main window should come up.
  void mainWindowWanted();

 protected:
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  struct Row {
    QLabel* path = nullptr;
    StyledButton* open = nullptr;
    std::optional<std::filesystem::path> folder;
  };
  enum Which { master, backups, history };

  void addRow(class SectionBox* box, Which which, const QString& label, const char* name,
              const QString& note);
  // Shows the folders as they are now.
  void refresh();

  AppModel& model_;
  Row rows_[3];
};
