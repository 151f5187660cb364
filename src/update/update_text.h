#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace UpdatePrompt {

// The display text for a fixed text of the updater. The keys are the Japanese texts themselves;
// a translation ("UpdatePrompt" context) is consulted only when the user's first language is
// not Japanese, and `localize` (the identity unless the host replaced it) answers otherwise.
QString L(const QString& key);

// Replaces `localize`; an empty function restores the identity.
void setLocalize(std::function<QString(const QString&)> localize);

// `pattern` with its "%@" placeholders filled by `arguments` in order. It does not translate:
// callers pass L(pattern).
QString format(const QString& pattern, const QStringList& arguments);

// Two sentences as one text: nothing between them after a Japanese full stop, "！" or "？",
// one space otherwise.
QString join(const QString& a, const QString& b);

}  // namespace UpdatePrompt
