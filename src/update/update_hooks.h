#pragma once

#include <QString>
#include <QUrl>
#include <optional>

#include "update/update_phase.h"

// The environment variables the updater honours. The UPDATE_PROMPT_TEST_* ones exist only in
// builds with test hooks: elsewhere they answer as if unset. The documentation snapshot ones exist
// in every build.
namespace UpdatePrompt {

// UPDATE_PROMPT_SNAPSHOT set and not empty: the window is drawn into a PNG instead of shown.
bool isSnapshotting();
// Where the snapshot goes: UPDATE_PROMPT_SNAPSHOT, "/dev/null" when unset.
QString snapshotPath();
// UPDATE_PROMPT_APPEARANCE: "dark" draws dark, any other value light; unset follows the desktop.
std::optional<bool> snapshotIsDark();
// The phase UPDATE_PROMPT_SNAPSHOT_PHASE asks for, or `opened` for none or an unknown one.
UpdatePhase snapshotPhase(const UpdatePhase& opened);

// UPDATE_PROMPT_TEST_FEED when it parses as a URL.
std::optional<QUrl> testFeed();
// UPDATE_PROMPT_TEST_RESET is "1": the launch check forgets the user's choices first.
bool testReset();
// UPDATE_PROMPT_TEST_ALLOW_ANYWHERE is "1": an install folder anywhere may be replaced.
bool testAllowAnywhere();
// UPDATE_PROMPT_TEST_ACTION is "install": the window installs half a second after it opens.
bool testActionIsInstall();
// UPDATE_PROMPT_TEST_NO_RELAUNCH is "1": a manual install does not start the new version.
bool testNoRelaunch();
// UPDATE_PROMPT_TEST_TEAM: a public key (minisign's text) that replaces the built-in ones.
std::optional<QString> testTeam();

}  // namespace UpdatePrompt
