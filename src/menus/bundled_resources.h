#pragma once

#include <QString>
#include <QStringList>

// Files the application ships beside its program (release notes, help pages, icons).
namespace StandardMenus {

// Where they are looked for, in order: beside an installed program
// (<prefix>/bin/wordloom → <prefix>/share/wordloom), then the source tree of this build.
QStringList resourceFolders();

// The path of the first resource called `name`; empty when there is none.
QString findResource(const QString& name, const QStringList& folders = resourceFolders());

}  // namespace StandardMenus
