#pragma once

#include <QPoint>
#include <QTableView>
#include <functional>
#include <vector>

#include "app/entry_row.h"
#include "app/word_rows.h"
#include "ui/main/word_table_model.h"

class QLabel;

// The table of words: rows that point into the snapshot, sorted by a click on a column's header,
// several selected at once. The selection is kept by the rows' ids (dictionary and position)
// across new rows, a new sort and a new snapshot. It never asks the selection model for its rows
// one by one, which costs the square of the ranges in a large selection.
class WordTable : public QTableView {
  Q_OBJECT

 public:
  explicit WordTable(QWidget* parent = nullptr);

  WordTableModel& tableModel() { return model_; }
  const WordRows& rows() const { return model_.rows(); }

  // Shows `rows` in the current sort order, with the rows of the same ids selected as before.
  // `keepScroll` false starts at the top (another dictionary or another search).
  void showRows(WordRows rows, bool keepScroll);
  // The "辞書" column is only of use while every dictionary is shown.
  void setShowsDictionary(bool shows);
  // The text in the middle of the table while it shows no row.
  void setEmptyText(const QString& text);
  QLabel* emptyLabel() const { return empty_; }

  // Sorts by a column as a click on its header does; -1 returns to the snapshot's order.
  void sortBy(int column, Qt::SortOrder order);

  // The selected rows' positions in table order.
  std::vector<std::size_t> selectedPositions() const;
  std::size_t selectedCount() const;
  std::vector<EntryRow> selectedEntryRows() const;
  std::vector<std::string> selectedIds() const;
  // Selects the rows at `positions` (any order) in one step, replacing the selection.
  void selectPositions(std::vector<std::size_t> positions);

  // The selection and current row by where they are in the snapshot.
  struct Kept {
    std::shared_ptr<const WordIndex> index;
    std::vector<RowRef> selected;
    std::optional<RowRef> current;
  };
  Kept keep() const;
  // Puts back a selection kept before `removed` left the master: the removed rows are no longer
  // selected, and the rows after them in their dictionaries, whose ids moved up, still are.
  void restoreAfterRemoving(const Kept& kept, const std::vector<EntryRow>& removed);

 signals:
  // Return on exactly one selected row, or a double click on a row.
  void openRequested(const EntryRow& row);
  // Delete or Backspace with rows selected.
  void deleteRequested(const std::vector<EntryRow>& rows);
  // A context menu for these rows (none: the empty part of the table).
  void menuRequested(const std::vector<EntryRow>& rows, const QPoint& globalPosition);
  void selectionCountChanged(std::size_t count);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void restore(const Kept& kept, const std::vector<EntryRow>& removed = {});
  void onHeaderClicked(int section);
  void fitColumns();
  void placeEmptyLabel();
  void updateEmptyLabel();

  WordTableModel model_;
  QLabel* empty_;
  int fittedWidth_ = -1;
};
