#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include "menus/standard_menus.h"

namespace StandardMenus {

// Where the environment text reads the system's name and the computer's model.
struct EnvironmentSources {
  QStringList osRelease{QStringLiteral("/etc/os-release"), QStringLiteral("/usr/lib/os-release")};
  QString productName = QStringLiteral("/sys/class/dmi/id/product_name");
};

// The PRETTY_NAME of an os-release file's text, unquoted; empty when it has none.
QString prettyName(const QString& osRelease);

// Three lines for a bug report: the application and its version, the system, the computer's
// model ("?" for what cannot be read).
QString environmentText(const Config& config, const EnvironmentSources& sources = {});

// What a report starts with: a place for what happened, then the environment.
QString reportText(const Config& config, const EnvironmentSources& sources = {});

// `form` with the report text added as the query item "body".
QUrl webReportUrl(const QUrl& form, const QString& text);
// A mail to `address` with the report's subject and text.
QUrl mailReportUrl(const QString& address, const Config& config, const QString& text);

// Starts a bug report the way `report` says.
void report(const Report& report, const Config& config);

}  // namespace StandardMenus
