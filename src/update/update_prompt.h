#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>

#include "update/feed.h"
#include "update/update_phase.h"

// The updater's front: reads the feed, decides whether to tell the user of a new version, honours
// the skipped version and automatic installation, and asks the update window to show itself.
namespace UpdatePrompt {

// How long after launch the automatic check starts.
inline constexpr std::chrono::milliseconds firstDelay{10000};

// What the update window is asked to show.
struct WindowRequest {
  QString appName;
  QString currentVersion;
  Feed feed;
  std::optional<Source> source;
  UpdatePhase phase;
  bool operator==(const WindowRequest&) const = default;
};

// The update window registers how it shows itself (closing any window it showed before). Until
// one is registered, requests are only logged.
using Presenter = std::function<void(const WindowRequest&)>;
void setPresenter(Presenter presenter);

// This application's feed: the remote "version.json" on the vendor's web site.
Source defaultSource();

// Reads the feed (UPDATE_PROMPT_TEST_FEED replaces the source in test builds); `completion` runs
// on the main thread, with no feed on any failure (logged).
void fetch(const Source& source, std::function<void(std::optional<Feed>)> completion);

// What the launch check does with a feed it read.
enum class OfferAction { nothing, prepareForQuit, showWindow };
OfferAction offerAction(const QString& currentVersion, const Feed& feed, bool skipped,
                        bool autoInstall, bool canReplace);

// Applies that to `feed`: prepares a silent install or shows the window. True when it did
// either.
bool offer(const QString& appName, const QString& currentVersion, const Feed& feed,
           const std::optional<Source>& source);

// The check after start-up: waits `delay`, reads the feed and offers it; silent on failure. In
// snapshot mode it reads at once and always shows the offer. A wait still running when `context`
// goes ends with it.
void checkAtLaunch(const QString& appName, const QString& currentVersion, const Source& source,
                   std::chrono::milliseconds delay = firstDelay, QObject* context = nullptr);

// "アップデートを確認…": reads at once and always shows the window: the offer, "up to date", or the
// failed check with the feed's folder as the page.
void checkNow(const QString& appName, const QString& currentVersion, const Source& source);

}  // namespace UpdatePrompt
