#pragma once

#include <QWidget>
#include <string>

class AppModel;
class MIcon;
class Notifier;
class QLabel;
class QListWidget;
class StyledButton;
class ThemedLabel;

// The left of the main window: this computer's reflect state with "今すぐ反映", the
// dictionaries ("すべての辞書" first), "辞書を追加", what the settings say is off and the way to
// them.
class Sidebar : public QWidget {
  Q_OBJECT

 public:
  explicit Sidebar(AppModel& model, QWidget* parent = nullptr);
  // With the notifier whose permission it reports (tests give their own).
  Sidebar(AppModel& model, Notifier& notifier, QWidget* parent = nullptr);

  QListWidget* dictionaryList() const { return list_; }

 signals:
  void addDictionaryRequested();
  void dictionaryDeletionRequested(const std::string& name);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void updateState();
  void updateDictionaries();
  void updateChosen();
  void updateNotes();
  void showDictionaryMenu(const QPoint& position);

  AppModel& model_;
  Notifier& notifier_;
  MIcon* stateIcon_;
  QLabel* summary_;
  ThemedLabel* lastApplied_;
  StyledButton* syncButton_;
  QListWidget* list_;
  ThemedLabel* autoSyncOff_;
  ThemedLabel* autoSyncError_;
  ThemedLabel* notificationsOff_;
};
