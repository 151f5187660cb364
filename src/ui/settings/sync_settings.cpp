#include "ui/settings/sync_settings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/settings/section_box.h"
#include "ui/settings/settings_texts.h"
#include "ui/settings/toggle_switch.h"
#include "ui/style/m_icon.h"
#include "ui/style/styled_button.h"
#include "ui/style/ui_type.h"
#include "ui/widgets/themed_label.h"

namespace {

ThemedLabel* wrapped(const QString& text, const QFont& font, const ThemeColor& color,
                     const char* name) {
  auto* label = new ThemedLabel(color, text);
  label->setFont(font);
  label->setWordWrap(true);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

}  // namespace

SyncSettings::SyncSettings(AppModel& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      toggle_(new ToggleSwitch),
      autoSyncNote_(wrapped({}, UIType::note(), Theme::sub, "autoSyncNote")),
      autoSyncError_(wrapped({}, UIType::note(), Theme::danger, "autoSyncError")),
      notificationMark_(new MIcon(QStringLiteral("check_circle"), 20)),
      notificationStatus_(new QLabel) {
  setObjectName(QStringLiteral("syncSettings"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(16);

  // Automatic reflect.
  auto* autoSync = new QWidget;
  auto* autoSyncLayout = new QVBoxLayout(autoSync);
  autoSyncLayout->setContentsMargins(0, 0, 0, 0);
  autoSyncLayout->setSpacing(4);
  auto* switchRow = new QHBoxLayout;
  auto* switchLabel = new QLabel(SettingsTexts::autoSync());
  switchLabel->setObjectName(QStringLiteral("autoSyncLabel"));
  switchLabel->setFont(UIType::bodyBold());
  switchRow->addWidget(switchLabel, 1);
  toggle_->setObjectName(QStringLiteral("autoSyncSwitch"));
  toggle_->setAccessibleName(SettingsTexts::autoSync());
  switchLabel->setBuddy(toggle_);
  switchRow->addWidget(toggle_);
  autoSyncLayout->addLayout(switchRow);
  autoSyncLayout->addWidget(autoSyncNote_);
  autoSyncError_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  autoSyncLayout->addWidget(autoSyncError_);
  auto* autoSyncBox = new SectionBox;
  autoSyncBox->addRow(autoSync);
  layout->addWidget(autoSyncBox);

  // Notifications.
  auto* notifications = new QWidget;
  auto* notificationRow = new QHBoxLayout(notifications);
  notificationRow->setContentsMargins(0, 0, 0, 0);
  notificationRow->setSpacing(8);
  notificationMark_->setObjectName(QStringLiteral("notificationMark"));
  notificationRow->addWidget(notificationMark_);
  notificationStatus_->setObjectName(QStringLiteral("notificationStatus"));
  notificationStatus_->setFont(UIType::body());
  notificationStatus_->setWordWrap(true);
  notificationRow->addWidget(notificationStatus_, 1);
  auto* openSettings =
      new StyledButton(SubtleButtonStyle, SettingsTexts::openNotificationSettings());
  openSettings->setObjectName(QStringLiteral("openNotificationSettings"));
  connect(openSettings, &QPushButton::clicked, this, [] { Notifier::shared().openSettings(); });
  notificationRow->addWidget(openSettings);
  auto* notificationBox = new SectionBox;
  notificationBox->addRow(notifications);
  layout->addWidget(notificationBox);

  // The stop rules, shown for what they are: fixed.
  auto* checks = new QWidget;
  auto* checksLayout = new QVBoxLayout(checks);
  checksLayout->setContentsMargins(0, 0, 0, 0);
  checksLayout->setSpacing(4);
  auto* heading = new QLabel(SettingsTexts::checksHeading());
  heading->setObjectName(QStringLiteral("checksHeading"));
  heading->setFont(UIType::bodyBold());
  checksLayout->addWidget(heading);
  checksLayout->addWidget(wrapped(SettingsTexts::checks(), UIType::body(), Theme::ink, "checks"));
  checksLayout->addWidget(
      wrapped(SettingsTexts::checksFixed(), UIType::note(), Theme::sub, "checksFixed"));
  auto* checksBox = new SectionBox;
  checksBox->addRow(checks);
  layout->addWidget(checksBox);
  layout->addStretch(1);

  // Only the user's flips reach the model; its answer decides what the switch shows.
  connect(toggle_, &QAbstractButton::clicked, this, [this](bool on) { model_.setAutoSync(on); });
  connect(&model_, &AppModel::autoSyncChanged, this, &SyncSettings::showAutoSync);
  connect(&model_, &AppModel::autoSyncErrorChanged, this, &SyncSettings::showAutoSync);
  connect(&Notifier::shared(), &Notifier::statusChanged, this, &SyncSettings::showNotifications);
  showAutoSync();
  showNotifications(Notifier::shared().status());
}

void SyncSettings::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The user may have changed the desktop's notification settings meanwhile.
  Notifier::shared().refresh();
}

void SyncSettings::showAutoSync() {
  const bool on = model_.autoSync();
  toggle_->setChecked(on);
  autoSyncNote_->setText(on ? SettingsTexts::autoSyncOn() : SettingsTexts::autoSyncOff());
  const std::optional<std::string>& error = model_.autoSyncError();
  autoSyncError_->setText(error ? QString::fromStdString(*error) : QString());
  autoSyncError_->setVisible(error.has_value());
}

void SyncSettings::showNotifications(Notifier::Status status) {
  const bool off = status == Notifier::Status::off;
  notificationMark_->setName(off ? QStringLiteral("warning") : QStringLiteral("check_circle"));
  notificationMark_->setColor(off ? Theme::warn : Theme::ok);
  notificationStatus_->setText(off ? SettingsTexts::notificationsOff()
                                   : SettingsTexts::notificationsOn());
}
