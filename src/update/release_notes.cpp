#include "update/release_notes.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "update/version_rule.h"

namespace UpdateReleaseNotes {
namespace {

bool isNewline(QChar c) {
  const char16_t u = c.unicode();
  return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

bool isSpace(QChar c) {
  return c == u'\t' || c.category() == QChar::Separator_Space;
}

QString trimmed(QStringView line) {
  qsizetype begin = 0;
  qsizetype end = line.size();
  while (begin < end && isSpace(line[begin])) ++begin;
  while (end > begin && isSpace(line[end - 1])) --end;
  return line.mid(begin, end - begin).toString();
}

std::optional<UpdateReleaseNote> heading(const QString& rest) {
  qsizetype length = 0;
  while (length < rest.size() &&
         ((rest[length] >= u'0' && rest[length] <= u'9') || rest[length] == u'.')) {
    ++length;
  }
  if (length == 0) return std::nullopt;
  UpdateReleaseNote note;
  note.version = rest.left(length);
  qsizetype open = -1;
  for (qsizetype i = 0; i < rest.size(); ++i) {
    if (rest[i] == u'（' || rest[i] == u'(') {
      open = i;
      break;
    }
  }
  if (open >= 0) {
    qsizetype close = open + 1;
    while (close < rest.size() && rest[close] != u'）' && rest[close] != u')') ++close;
    note.date = rest.mid(open + 1, close - open - 1);
  }
  return note;
}

}  // namespace

QList<UpdateReleaseNote> parse(const QString& text, const QString& after, const QString& upTo) {
  // Each version in the form the rule reads, converted once rather than at every comparison.
  const std::string afterVersion = after.toStdString();
  const std::string upToVersion = upTo.toStdString();
  std::vector<std::pair<std::string, UpdateReleaseNote>> kept;
  std::optional<UpdateReleaseNote> current;
  const auto close = [&] {
    if (!current) return;
    std::string version = current->version.toStdString();
    if (UpdatePrompt::isNewer(version, afterVersion) &&
        !UpdatePrompt::isNewer(version, upToVersion)) {
      kept.emplace_back(std::move(version), std::move(*current));
    }
    current.reset();
  };
  qsizetype start = 0;
  while (start <= text.size()) {
    qsizetype end = start;
    while (end < text.size() && !isNewline(text[end])) ++end;
    const QString line = trimmed(QStringView(text).mid(start, end - start));
    start = end + 1;
    if (line.startsWith(QLatin1String("## "))) {
      close();
      current = heading(line.mid(3));
    } else if (current &&
               (line.startsWith(QLatin1String("- ")) || line.startsWith(QLatin1String("* ")))) {
      QString item = line.mid(2);
      // Backticks first: "*`*" would otherwise leave a "**" behind.
      item.remove(u'`');
      item.remove(QLatin1String("**"));
      current->items << item;
    }
  }
  close();
  std::stable_sort(kept.begin(), kept.end(), [](const auto& a, const auto& b) {
    return UpdatePrompt::isNewer(a.first, b.first);
  });
  QList<UpdateReleaseNote> newestFirst;
  newestFirst.reserve(static_cast<qsizetype>(kept.size()));
  for (auto& [version, note] : kept) newestFirst.push_back(std::move(note));
  return newestFirst;
}

}  // namespace UpdateReleaseNotes
