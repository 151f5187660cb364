#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The fixed texts of the standard menus are keyed by their Japanese wording.
namespace StandardMenus {

// Consulted for a text the "StandardMenus" translations lack, when the user does not read
// Japanese first. The identity unless the host replaces it.
extern std::function<QString(const QString&)> localize;

// The text to show for `key`: the key itself when the user's first language is Japanese (or
// none is known), else its translation in the context "StandardMenus", else `localize(key)`.
QString L(const char* key);

// Puts `values` in place of the "%@" placeholders of `format`, in order.
QString fill(QString format, const QStringList& values);

}  // namespace StandardMenus
