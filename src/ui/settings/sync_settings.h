#pragma once

#include <QWidget>

#include "app/app_model.h"
#include "background/notifier.h"

class MIcon;
class QLabel;
class ThemedLabel;
class ToggleSwitch;

// Automatic reflect and notifications. The switch shows what is really installed: after a flip
// that the service manager refused, or that a trial run against copies does not allow, it
// returns to the state the model reports, with the model's message under it.
class SyncSettings : public QWidget {
  Q_OBJECT

 public:
  explicit SyncSettings(AppModel& model, QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void showAutoSync();
  void showNotifications(Notifier::Status status);

  AppModel& model_;
  ToggleSwitch* toggle_;
  ThemedLabel* autoSyncNote_;
  ThemedLabel* autoSyncError_;
  MIcon* notificationMark_;
  QLabel* notificationStatus_;
};
