// Any bytes as release notes: the parser keeps only sections between the two versions, newest
// first, and never an item with "**" or "`".
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "update/release_notes.h"
#include "update/version_rule.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString text =
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const auto notes = UpdateReleaseNotes::parse(text, QStringLiteral("1.4"), QStringLiteral("2.0"));
  for (qsizetype i = 0; i < notes.size(); ++i) {
    const std::string version = notes[i].version.toStdString();
    if (!UpdatePrompt::isNewer(version, "1.4") || UpdatePrompt::isNewer(version, "2.0")) {
      std::abort();
    }
    if (i > 0 && UpdatePrompt::isNewer(version, notes[i - 1].version.toStdString())) std::abort();
    for (const QString& item : notes[i].items) {
      if (item.contains(QLatin1String("**")) || item.contains(u'`')) std::abort();
    }
  }
  return 0;
}
