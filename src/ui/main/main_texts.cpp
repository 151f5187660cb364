#include "ui/main/main_texts.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>
#include <algorithm>

#include "platform/ime_platform.h"

namespace MainTexts {

namespace {

constexpr std::size_t listedRows = 8;

QString number(std::size_t value) {
  return QString::number(static_cast<qulonglong>(value));
}

QString arrow(const EntryRow& row) {
  return text(row.entry.reading) + QStringLiteral(" → ") + text(row.entry.word);
}

}  // namespace

QString lastApplied(std::chrono::system_clock::time_point when) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch());
  const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms.count());
  const QLocale japanese(QLocale::Japanese, QLocale::Japan);
  const int hour = local.time().hour();
  return QStringLiteral("最後に反映 %1月%2日 %3%4:%5")
      .arg(local.date().month())
      .arg(local.date().day())
      .arg(hour < 12 ? japanese.amText() : japanese.pmText())
      .arg(hour % 12)
      .arg(local.time().minute(), 2, 10, QLatin1Char('0'));
}

QString dictionaryCount(std::optional<std::size_t> count) {
  return count ? number(*count) : QStringLiteral("未保存");
}

QString shownCount(std::size_t rows) {
  return number(rows) + QStringLiteral("語");
}

QString selectedCount(std::size_t rows) {
  return number(rows) + QStringLiteral("語を選択中");
}

QString emptyState(std::string_view query, bool pendingSelected) {
  if (!query.empty())
    return QStringLiteral("「") + text(query) + QStringLiteral("」に一致する語はありません");
  if (pendingSelected) {
    return QStringLiteral("まだ語がありません。「語を追加」で最初の語を保存すると、辞書ができます");
  }
  return QStringLiteral("語がありません");
}

QString rowDeletionTitle(const std::vector<EntryRow>& rows) {
  if (rows.size() == 1)
    return QStringLiteral("「") + arrow(rows.front()) + QStringLiteral("」を削除しますか？");
  return number(rows.size()) + QStringLiteral("語を削除しますか？");
}

QString rowDeletionMessage(const std::vector<EntryRow>& rows) {
  const QString everywhere = text(platformWords().otherComputers("の辞書からも削除されます"));
  if (rows.size() == 1) return everywhere;
  QStringList lines;
  for (std::size_t i = 0; i < std::min(rows.size(), listedRows); ++i) lines << arrow(rows[i]);
  QString message = lines.join(QLatin1Char('\n'));
  if (rows.size() > listedRows) {
    message += QStringLiteral("\nほか ") + shownCount(rows.size() - listedRows);
  }
  return message + QStringLiteral("\n\n") + everywhere;
}

QString dictionaryDeletionTitle(std::string_view name) {
  return QStringLiteral("辞書「") + text(name) + QStringLiteral("」を削除しますか？");
}

QString dictionaryDeletionMessage(bool pending, std::optional<std::size_t> count) {
  if (pending) return QStringLiteral("まだ語のない辞書です");
  return QStringLiteral("中の ") + number(count.value_or(0)) +
         QStringLiteral(" 語も削除されます。") +
         text(platformWords().otherComputers("の辞書からも削除されます。")) +
         QStringLiteral("マスターの履歴にバックアップを残します");
}

QString bigChangeTitle() {
  return text(platformWords().thisComputer("の辞書に反映しますか？"));
}

QString bigChangeMessage(const std::vector<DictionaryDiff>& diff) {
  const std::vector<std::string> all = Diff::lines(diff);
  QStringList lines;
  for (std::size_t i = 0; i < std::min(all.size(), shownLines); ++i) lines << text(all[i]);
  if (all.size() > shownLines) {
    lines << QStringLiteral("ほか ") + number(all.size() - shownLines) + QStringLiteral("件");
  }
  return lines.join(QLatin1Char('\n'));
}

QString moveMenuTitle(std::size_t rows) {
  if (rows == 1) return QStringLiteral("辞書へ移動");
  return number(rows) + QStringLiteral("語を辞書へ移動");
}

QString deleteMenuTitle(std::size_t rows) {
  if (rows == 1) return QStringLiteral("削除…");
  return number(rows) + QStringLiteral("語を削除…");
}

}  // namespace MainTexts
