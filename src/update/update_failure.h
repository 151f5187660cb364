#pragma once

#include <QString>

namespace UpdateInstaller {

// A failure shown to the user: a headline and a detail (may be empty). Every text of the
// installer's failures is built here.
struct Failure {
  QString headline;
  QString detail;

  bool operator==(const Failure&) const = default;

  static Failure workFolder(const QString& error);
  static Failure localArchiveMissing();
  static Failure localArchiveUnreadable(const QString& error);
  static Failure download(const QString& error);
  static Failure downloadStatus(int status);
  static Failure unpack(const QString& output);
  static Failure notThisApplication();
  static Failure notNewer(const QString& version);
  static Failure signature();
  static Failure cannotStart();
  static Failure workFolderNotFound(const QString& path);
  static Failure cannotReplace(const QString& error);
};

}  // namespace UpdateInstaller
