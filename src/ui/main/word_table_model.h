#pragma once

#include <QAbstractTableModel>
#include <optional>

#include "app/word_rows.h"

// The word table's rows over the snapshot they point into: nothing is copied, a cell's text is
// made when the view paints it (the chevron column has none: the view draws it). The rows keep the
// order they are sorted by across new rows.
class WordTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { reading, word, partOfSpeech, comment, dictionary, chevron, columnCount_ };

  explicit WordTableModel(QObject* parent = nullptr);

  const WordRows& rows() const { return rows_; }
  // Shows `rows`, in the current sort order.
  void setRows(WordRows rows);

  // The column a table column sorts by; none for the chevron.
  static std::optional<WordColumn> wordColumn(int column);
  // -1 restores the snapshot's order; the chevron column sorts nothing.
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
  int sortColumn() const { return sortColumn_; }
  Qt::SortOrder sortOrder() const { return sortOrder_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  void applySort();
  QString text(int row, int column) const;

  WordRows rows_;
  int sortColumn_ = -1;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};
