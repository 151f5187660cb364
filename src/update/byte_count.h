#pragma once

#include <QString>
#include <QtGlobal>

namespace UpdatePrompt {

// A size as a file manager shows it: decimal units (1 KB = 1000 bytes), whole kilobytes, one
// decimal for megabytes and two from gigabytes on, without trailing zeros ("3.1 MB", "5 MB").
QString byteCount(qint64 bytes);

}  // namespace UpdatePrompt
