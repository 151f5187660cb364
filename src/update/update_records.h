#pragma once

#include <QString>

// The user's update choices, kept in the per-user settings.
namespace UpdatePrompt {

inline constexpr const char* autoInstallKey = "updatePrompt.autoInstall";
inline constexpr const char* skippedVersionKey = "updatePrompt.skippedVersion";

// True when a skipped version is recorded and `version` is not newer than it.
bool isSkipped(const QString& version);
// Records `version` as skipped.
void skip(const QString& version);
// Forgets every choice, and the keys older versions kept.
void clearRecords();

// "Install updates automatically", false until the user turns it on.
bool autoInstall();
void setAutoInstall(bool on);

}  // namespace UpdatePrompt
