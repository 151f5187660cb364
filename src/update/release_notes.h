#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One version's section of the release notes.
struct UpdateReleaseNote {
  QString version;
  QString date;  // may be empty
  QStringList items;
  bool operator==(const UpdateReleaseNote&) const = default;
};

namespace UpdateReleaseNotes {

// Reads Markdown-like release notes: "## <version>（<date>）" starts a section, "- " or "* "
// lines are its items (without "**" and "`"), everything else is ignored. Keeps the sections
// newer than `after` and not newer than `upTo`, newest first.
QList<UpdateReleaseNote> parse(const QString& text, const QString& after, const QString& upTo);

}  // namespace UpdateReleaseNotes
