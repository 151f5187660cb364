#include "ui/main/word_table.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

#include "ui/main/column_widths.h"
#include "ui/main/hint.h"
#include "ui/style/material_symbols.h"
#include "ui/style/theme.h"
#include "ui/style/ui_type.h"
#include "ui/widgets/themed_label.h"

namespace {

// Widths of よみ, 単語, 品詞, コメント and 辞書. The chevron's column is 14 wide and takes what
// the others leave, so that it sits at the end of the row.
const std::vector<ColumnSpan> spans = {{80, 130}, {120, 220}, {70, 90}, {60, 110}, {80, 110}};
constexpr int chevronWidth = 14;
constexpr int rowPixels = 28;

// Draws the chevron at the end of its column, where the default margins would clip it.
class ChevronDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    if (index.column() != WordTableModel::chevron) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : nullptr;
    if (style != nullptr) style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);
    // Drawn in the colours of the scheme the table is shown in, which an icon cannot see.
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QRectF square(option.rect.right() + 1 - chevronWidth,
                        option.rect.center().y() + 1 - chevronWidth / 2.0, chevronWidth,
                        chevronWidth);
    MaterialSymbols::draw(*painter, square, QStringLiteral("chevron_right"), chevronWidth,
                          (selected ? Theme::accentInk : Theme::sub).in(widget));
  }
};

}  // namespace

WordTable::WordTable(QWidget* parent) : QTableView(parent), empty_(Hint::text({}, viewport())) {
  setObjectName(QStringLiteral("wordTable"));
  setModel(&model_);
  setItemDelegate(new ChevronDelegate(this));
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(false);
  setAlternatingRowColors(true);
  setWordWrap(false);
  setTextElideMode(Qt::ElideRight);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setFont(UIType::body());

  // Every row the same height, fixed: the view then never measures a row.
  QHeaderView* rowsHeader = verticalHeader();
  rowsHeader->hide();
  rowsHeader->setSectionResizeMode(QHeaderView::Fixed);
  rowsHeader->setMinimumSectionSize(rowPixels);
  rowsHeader->setDefaultSectionSize(rowPixels);

  QHeaderView* header = horizontalHeader();
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(true);
  header->setSortIndicator(-1, Qt::AscendingOrder);
  header->setHighlightSections(false);
  header->setStretchLastSection(true);
  header->setMinimumSectionSize(chevronWidth);
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  connect(header, &QHeaderView::sectionClicked, this, &WordTable::onHeaderClicked);
  connect(header, &QHeaderView::sectionResized, this, [this](int section, int, int size) {
    if (section < 0 || section >= static_cast<int>(spans.size())) return;
    const int allowed = ColumnWidths::clamp(spans[section], size);
    if (allowed != size) horizontalHeader()->resizeSection(section, allowed);
  });

  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { emit selectionCountChanged(selectedCount()); });
  connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) emit openRequested(rows().row(static_cast<std::size_t>(index.row())));
  });

  empty_->setObjectName(QStringLiteral("emptyState"));
  empty_->setAlignment(Qt::AlignCenter);
  empty_->setWordWrap(true);
  empty_->setFont(UIType::body());
  empty_->hide();
}

void WordTable::showRows(WordRows rows, bool keepScroll) {
  const Kept kept = keep();
  const int scroll = verticalScrollBar()->value();
  model_.setRows(std::move(rows));
  restore(kept);
  if (keepScroll) {
    verticalScrollBar()->setValue(scroll);
  } else {
    scrollToTop();
  }
  updateEmptyLabel();
  emit selectionCountChanged(selectedCount());
}

void WordTable::setShowsDictionary(bool shows) {
  if (isColumnHidden(WordTableModel::dictionary) == !shows) return;
  setColumnHidden(WordTableModel::dictionary, !shows);
  fittedWidth_ = -1;
  fitColumns();
}

void WordTable::setEmptyText(const QString& text) {
  empty_->setText(text);
}

void WordTable::sortBy(int column, Qt::SortOrder order) {
  const Kept kept = keep();
  model_.sort(column, order);
  horizontalHeader()->setSortIndicator(model_.sortColumn(), model_.sortOrder());
  restore(kept);
  emit selectionCountChanged(selectedCount());
}

void WordTable::onHeaderClicked(int section) {
  if (!WordTableModel::wordColumn(section)) return;
  const Qt::SortOrder order =
      section == model_.sortColumn() && model_.sortOrder() == Qt::AscendingOrder
          ? Qt::DescendingOrder
          : Qt::AscendingOrder;
  sortBy(section, order);
}

std::vector<std::size_t> WordTable::selectedPositions() const {
  // Ranges may be split by columns or touch each other: merge the row spans, then list them.
  std::vector<std::pair<int, int>> spans;
  for (const QItemSelectionRange& range : selectionModel()->selection()) {
    if (range.isValid()) spans.emplace_back(range.top(), range.bottom());
  }
  std::sort(spans.begin(), spans.end());
  std::vector<std::size_t> positions;
  int next = 0;
  for (const auto& [top, bottom] : spans) {
    for (int row = std::max(top, next); row <= bottom; ++row) {
      positions.push_back(static_cast<std::size_t>(row));
    }
    next = std::max(next, bottom + 1);
  }
  return positions;
}

std::size_t WordTable::selectedCount() const {
  std::vector<std::pair<int, int>> spans;
  for (const QItemSelectionRange& range : selectionModel()->selection()) {
    if (range.isValid()) spans.emplace_back(range.top(), range.bottom());
  }
  std::sort(spans.begin(), spans.end());
  std::size_t count = 0;
  int next = 0;
  for (const auto& [top, bottom] : spans) {
    const int from = std::max(top, next);
    if (bottom >= from) count += static_cast<std::size_t>(bottom - from + 1);
    next = std::max(next, bottom + 1);
  }
  return count;
}

std::vector<EntryRow> WordTable::selectedEntryRows() const {
  std::vector<EntryRow> selected;
  for (const std::size_t position : selectedPositions()) selected.push_back(rows().row(position));
  return selected;
}

std::vector<std::string> WordTable::selectedIds() const {
  std::vector<std::string> ids;
  for (const EntryRow& row : selectedEntryRows()) ids.push_back(row.id());
  return ids;
}

void WordTable::selectPositions(std::vector<std::size_t> positions) {
  std::sort(positions.begin(), positions.end());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  QItemSelection selection;
  const int last = model_.columnCount() - 1;
  for (std::size_t i = 0; i < positions.size();) {
    std::size_t end = i;
    while (end + 1 < positions.size() && positions[end + 1] == positions[end] + 1) ++end;
    selection.append(QItemSelectionRange(model_.index(static_cast<int>(positions[i]), 0),
                                         model_.index(static_cast<int>(positions[end]), last)));
    i = end + 1;
  }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

WordTable::Kept WordTable::keep() const {
  Kept kept{rows().index(), {}, std::nullopt};
  if (!kept.index) return kept;
  for (const std::size_t position : selectedPositions()) {
    kept.selected.push_back(rows().refs()[position]);
  }
  const QModelIndex current = currentIndex();
  if (current.isValid()) kept.current = rows().refs()[static_cast<std::size_t>(current.row())];
  return kept;
}

void WordTable::restoreAfterRemoving(const Kept& kept, const std::vector<EntryRow>& removed) {
  restore(kept, removed);
  emit selectionCountChanged(selectedCount());
}

void WordTable::restore(const Kept& kept, const std::vector<EntryRow>& removed) {
  const std::shared_ptr<const WordIndex>& index = rows().index();
  if (!index || !kept.index || (kept.selected.empty() && !kept.current)) return;
  // A row's id is its dictionary's name and its position there: each old file is found again
  // by name, and a position moves up by the removed rows before it.
  const auto& before = kept.index->snapshot()->files;
  const auto& after = index->snapshot()->files;
  struct FileNow {
    std::optional<std::uint32_t> file;
    std::vector<std::size_t> removed;  // sorted
  };
  std::vector<FileNow> now(before.size());
  for (std::size_t f = 0; f < before.size(); ++f) {
    for (std::size_t g = 0; g < after.size(); ++g) {
      if (after[g].name == before[f].name) {
        now[f].file = static_cast<std::uint32_t>(g);
        break;
      }
    }
    for (const EntryRow& row : removed) {
      if (row.dictionary == before[f].name) now[f].removed.push_back(row.index);
    }
    std::sort(now[f].removed.begin(), now[f].removed.end());
  }
  const auto translate = [&](RowRef ref) -> RowRef {
    constexpr RowRef nowhere{UINT32_MAX, UINT32_MAX};
    const FileNow& file = now[ref.file];
    if (!file.file) return nowhere;
    const auto below = std::lower_bound(file.removed.begin(), file.removed.end(), ref.index);
    if (below != file.removed.end() && *below == ref.index) return nowhere;
    return {*file.file, ref.index - static_cast<std::uint32_t>(below - file.removed.begin())};
  };
  std::vector<RowRef> refs;
  refs.reserve(kept.selected.size() + 1);
  for (const RowRef ref : kept.selected) refs.push_back(translate(ref));
  refs.push_back(kept.current ? translate(*kept.current) : RowRef{UINT32_MAX, UINT32_MAX});

  const std::vector<std::optional<std::size_t>> found = rows().positions(refs);
  std::vector<std::size_t> positions;
  positions.reserve(kept.selected.size());
  for (std::size_t i = 0; i < kept.selected.size(); ++i) {
    if (found[i]) positions.push_back(*found[i]);
  }
  selectPositions(std::move(positions));
  if (found.back()) {
    selectionModel()->setCurrentIndex(model_.index(static_cast<int>(*found.back()), 0),
                                      QItemSelectionModel::NoUpdate);
  }
}

void WordTable::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (selectedCount() == 1) {
          emit openRequested(rows().row(selectedPositions().front()));
          event->accept();
        } else {
          event->ignore();
        }
        return;
      }
      break;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
      if (event->modifiers() == Qt::NoModifier && selectionModel()->hasSelection()) {
        emit deleteRequested(selectedEntryRows());
        event->accept();
        return;
      }
      break;
    default:
      break;
  }
  QTableView::keyPressEvent(event);
}

void WordTable::contextMenuEvent(QContextMenuEvent* event) {
  std::vector<EntryRow> forRows;
  if (event->reason() == QContextMenuEvent::Keyboard) {
    forRows = selectedEntryRows();
  } else {
    const QModelIndex clicked = indexAt(event->pos());
    if (clicked.isValid()) {
      // A click inside the selection means the selection; outside it, just that row.
      forRows = selectionModel()->isSelected(clicked)
                    ? selectedEntryRows()
                    : std::vector<EntryRow>{rows().row(static_cast<std::size_t>(clicked.row()))};
    }
  }
  emit menuRequested(forRows, event->globalPos());
  event->accept();
}

void WordTable::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  fitColumns();
  placeEmptyLabel();
}

void WordTable::fitColumns() {
  const int available = viewport()->width();
  if (available == fittedWidth_) return;
  fittedWidth_ = available;
  std::vector<ColumnSpan> shown;
  std::vector<int> columns;
  for (int c = 0; c < WordTableModel::chevron; ++c) {
    if (isColumnHidden(c)) continue;
    shown.push_back(spans[c]);
    columns.push_back(c);
  }
  const std::vector<int> widths = ColumnWidths::fit(shown, available - chevronWidth);
  for (std::size_t i = 0; i < columns.size(); ++i) setColumnWidth(columns[i], widths[i]);
}

void WordTable::placeEmptyLabel() {
  empty_->setGeometry(viewport()->rect().adjusted(24, 0, -24, 0));
}

void WordTable::updateEmptyLabel() {
  empty_->setVisible(model_.rowCount() == 0);
  placeEmptyLabel();
}
