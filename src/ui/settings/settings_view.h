#pragma once

#include <QString>
#include <QWidget>

#include "app/app_model.h"

class QStackedWidget;
class SettingsTabButton;

// The settings: a tab bar ("反映と通知", "場所とバックアップ"), a line, then the selected tab. The
// left and right arrow keys move between the tabs; the window reopens on the tab last shown
// (kept under "settingsTab").
class SettingsView : public QWidget {
  Q_OBJECT

 public:
  enum class Tab { sync, files };

  explicit SettingsView(AppModel& model, QWidget* parent = nullptr);

  Tab tab() const { return tab_; }
  void setTab(Tab tab);

  // The stored names of the tabs, "sync" and "files".
  static QString name(Tab tab);
  // The tab kept in the user's preferences; "sync" when none or an unknown one is kept.
  static Tab storedTab();

 signals:
  // Changing the synced folder was asked for: the main window should come up.
  void mainWindowWanted();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void step(int by);

  Tab tab_ = Tab::sync;
  SettingsTabButton* buttons_[2];
  QStackedWidget* pages_;
};
