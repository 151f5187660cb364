#include "ui/main/word_table_model.h"

#include <algorithm>

#include "ui/main/main_texts.h"
#include "ui/style/ui_type.h"

WordTableModel::WordTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void WordTableModel::setRows(WordRows rows) {
  beginResetModel();
  rows_ = std::move(rows);
  applySort();
  endResetModel();
}

std::optional<WordColumn> WordTableModel::wordColumn(int column) {
  switch (column) {
    case reading:
      return WordColumn::reading;
    case word:
      return WordColumn::word;
    case partOfSpeech:
      return WordColumn::partOfSpeech;
    case comment:
      return WordColumn::comment;
    case dictionary:
      return WordColumn::dictionary;
    default:
      return std::nullopt;
  }
}

void WordTableModel::sort(int column, Qt::SortOrder order) {
  if (column != -1 && !wordColumn(column)) return;
  beginResetModel();
  const bool wasSorted = sortColumn_ != -1;
  sortColumn_ = column;
  sortOrder_ = order;
  if (column == -1 && wasSorted) {
    // Back to the snapshot's order, which is the order of the positions themselves.
    std::vector<RowRef> refs = rows_.refs();
    std::sort(refs.begin(), refs.end(), [](RowRef a, RowRef b) {
      return a.file != b.file ? a.file < b.file : a.index < b.index;
    });
    rows_ = WordRows(rows_.index(), std::move(refs));
  }
  applySort();
  endResetModel();
}

void WordTableModel::applySort() {
  if (const std::optional<WordColumn> column = wordColumn(sortColumn_)) {
    rows_.sort(*column, sortOrder_);
  }
}

int WordTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int WordTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : columnCount_;
}

QString WordTableModel::text(int row, int column) const {
  const auto position = static_cast<std::size_t>(row);
  switch (column) {
    case reading:
      return MainTexts::text(rows_.entry(position).reading);
    case word:
      return MainTexts::text(rows_.entry(position).word);
    case partOfSpeech:
      return MainTexts::text(rows_.posName(position));
    case comment:
      return MainTexts::text(rows_.entry(position).comment);
    case dictionary:
      return MainTexts::text(rows_.dictionary(position));
    default:
      return {};
  }
}

QVariant WordTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      if (index.column() == chevron) return {};
      return text(index.row(), index.column());
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant WordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::FontRole) return UIType::columnLabel();
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  if (role != Qt::DisplayRole) return {};
  switch (section) {
    case reading:
      return QStringLiteral("よみ");
    case word:
      return QStringLiteral("単語");
    case partOfSpeech:
      return QStringLiteral("品詞");
    case comment:
      return QStringLiteral("コメント");
    case dictionary:
      return QStringLiteral("辞書");
    default:
      return {};
  }
}

Qt::ItemFlags WordTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
