#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>
#include <variant>

namespace UpdatePrompt {

// The feed as a URL of its "version.json".
struct RemoteSource {
  QUrl url;
  bool operator==(const RemoteSource&) const = default;
};

// A folder below the staff folder root that holds "version.json" and the archives of internal
// builds; the path has no leading "/".
struct StaffFolderSource {
  QString path;
  bool operator==(const StaffFolderSource&) const = default;
};

using Source = std::variant<RemoteSource, StaffFolderSource>;

// What a feed offers. An empty URL is an absent one.
struct Feed {
  QString version;  // dotted decimal numbers, such as 1.4.2
  QUrl page;        // download page or folder
  QUrl zip;         // the update archive; without it only the page can be offered
  QUrl notes;       // release notes text

  bool operator==(const Feed&) const = default;
};

// This application's feed on the vendor's web site.
QUrl feedUrl();

// Reads "version.json": an object with the string "version" and the optional strings "url",
// "zip" and "notes", each a URL relative to `base` (the feed's own URL). Anything else gives no
// feed; a URL field that does not parse, or that a feed from `base` may not point to, stays
// empty.
std::optional<Feed> decodeFeed(const QByteArray& json, const QUrl& base);

// True for the addresses the updater reads over the network: HTTPS, and plain HTTP to this
// computer only in builds with test hooks.
bool isAllowedNetworkUrl(const QUrl& url);

}  // namespace UpdatePrompt
