#pragma once

#include <QWidget>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/app_model.h"
#include "app/cloud_place.h"

class ChoiceRow;
class PlaceTile;
class QCheckBox;
class QLabel;
class StyledButton;
class ThemedLabel;

// The first setup, and changing the synced folder later: which folder visible to the other
// computers holds the master, whether the master starts from this computer's dictionary or from
// the folder's, and whether the automatic reflect is on. It only calls the model; the window
// leaves it when the model no longer shows the setup.
//
// Return starts, Escape cancels a folder change.
class SetupView : public QWidget {
  Q_OBJECT

 public:
  explicit SetupView(AppModel& model, QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // What this computer's dictionary holds, or why it cannot be read.
  struct ThisComputer {
    std::optional<std::string> error;
    std::size_t words = 0;
    std::size_t dictionaries = 0;
  };

  QWidget* buildFolderStep();
  QWidget* buildStartStep();
  QWidget* buildBottomBar();

  // Reads this computer's dictionary again.
  void readThisComputer();
  // The choices the setup opens with.
  void preselect();
  void setMaster(std::optional<std::filesystem::path> master, std::optional<std::string> placeID);
  void choosePlace(const CloudPlace& place);
  void openFolderPanel();
  void chooseFolder(const std::filesystem::path& picked);
  void start();
  void cancel();
  bool isChangingFolder() const;
  bool canStart() const;
  // Shows the state.
  void refresh();

  AppModel& model_;
  std::vector<CloudPlace> places_;
  std::optional<std::filesystem::path> master_;
  std::optional<std::string> placeID_;
  AppModel::SetupStart start_ = AppModel::SetupStart::fromThisMac;
  bool autoSync_ = true;
  std::optional<std::string> error_;
  bool busy_ = false;
  ThisComputer thisComputer_;
  std::size_t existingCount_ = 0;
  // Whether the model showed the setup when last heard: entering it again starts afresh.
  bool shown_ = false;

  QLabel* title_ = nullptr;
  QLabel* lead_ = nullptr;
  std::vector<PlaceTile*> tiles_;
  PlaceTile* otherTile_ = nullptr;
  ChoiceRow* fromThisComputer_ = nullptr;
  ChoiceRow* fromFolder_ = nullptr;
  QCheckBox* autoSyncBox_ = nullptr;
  ThemedLabel* errorLabel_ = nullptr;
  StyledButton* cancel_ = nullptr;
  StyledButton* primary_ = nullptr;
};
