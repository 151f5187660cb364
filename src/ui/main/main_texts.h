#pragma once

#include <QString>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/entry_row.h"
#include "master/diff.h"

// The main window's own texts, each made in one place with the platform's words put in.
namespace MainTexts {

// "最後に反映 " and the time in the Japanese form the desktop shows dates in: abbreviated month,
// day, 午前/午後 and the hour on the 0–11 clock that form uses ("3月4日 午後0:05").
QString lastApplied(std::chrono::system_clock::time_point when);

// A dictionary's label beside its name: its word count, or "未保存" while it has no file.
QString dictionaryCount(std::optional<std::size_t> count);

QString shownCount(std::size_t rows);     // "120語"
QString selectedCount(std::size_t rows);  // "3語を選択中"

// What the table says when it shows no row.
QString emptyState(std::string_view query, bool pendingSelected);

QString rowDeletionTitle(const std::vector<EntryRow>& rows);
// Up to eight rows listed, then how many more.
QString rowDeletionMessage(const std::vector<EntryRow>& rows);

QString dictionaryDeletionTitle(std::string_view name);
QString dictionaryDeletionMessage(bool pending, std::optional<std::size_t> count);

QString bigChangeTitle();
// The diff's lines. A change big enough to stop a reflect can run to thousands of lines, more
// than a confirmation can show and still keep its buttons on the screen: after `shownLines`
// the rest is counted.
QString bigChangeMessage(const std::vector<DictionaryDiff>& diff);
inline constexpr std::size_t shownLines = 20;

// The move submenu's title and the delete item for `rows` rows.
QString moveMenuTitle(std::size_t rows);
QString deleteMenuTitle(std::size_t rows);

inline QString text(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace MainTexts
