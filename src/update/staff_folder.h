#pragma once

#include <QString>
#include <QUrl>
#include <optional>

#include "update/feed.h"

namespace UpdatePrompt {

// The folder `path` below the company's shared staff folder in Dropbox, when it exists: in
// ~/Dropbox, else in the first ~/Library/CloudStorage/Dropbox* that holds it.
QUrl staffFolder(const QString& path);

// The newest update archive (".tar.gz") in a folder by modification time; among equal times the
// first listed wins. Empty when there is none or the folder cannot be read.
QUrl newestZip(const QUrl& folder);

// Where to send the user when the feed names no page: the staff folder, or the folder of the
// feed's URL.
QUrl fallbackURL(const std::optional<Source>& source);

// Opens a web page in the browser, or shows a folder in the file manager with its newest archive
// selected where the file manager can do that.
void openPage(const QUrl& url);

}  // namespace UpdatePrompt
