#pragma once

#include <QPoint>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/entry_row.h"
#include "app/word_change.h"
#include "ui/main/banner.h"
#include "ui/main/overlay.h"

class AppModel;
class QAction;
class QLabel;
class QLineEdit;
class QToolButton;
class QVBoxLayout;
class StyledButton;
class ThemedLabel;
class WordTable;

// The right of the main window: the banners, the header with its counts and "語を追加", the
// search field and the word table, with the table's menus and the deletion and big-change
// confirmations. Sheets and the action error belong to the root view; the panel asks for them.
class MainPanel : public QWidget {
  Q_OBJECT

 public:
  explicit MainPanel(AppModel& model, QWidget* parent = nullptr);

  WordTable* table() const { return table_; }
  QLineEdit* searchField() const { return search_; }

  // The message of the last failed action, shown first among the banners.
  void setActionError(std::optional<std::string> message);
  // While a sheet is up the panel's commands do nothing.
  void setSheetOpen(bool open);
  void focusTable();
  void focusSearch();

  // The banners shown now, in order.
  const std::vector<Banner>& banners() const { return banners_; }

 signals:
  void overlayRequested(const Overlay& overlay);
  void actionErrorRaised(const std::string& message);
  void actionErrorDismissed();
  void dictionaryDeletionRequested(const std::string& name);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  using Rows = std::shared_ptr<const std::vector<EntryRow>>;

  void refreshRows(bool keepScroll);
  void refreshHeader();
  void refreshSelectionCount(std::size_t count);
  void refreshBanners();
  void refreshCommands();
  void refreshIcons();
  void onBannerAction(Banner::Action action);
  void openAdd();
  void showRowMenu(const std::vector<EntryRow>& rows, const QPoint& globalPosition);
  void confirmRowDeletion(const std::vector<EntryRow>& rows);
  void confirmBigChange();
  // Deletes or moves `rows` and keeps the selection on the same words.
  void removeRows(const WordChange::Change& change, const std::vector<EntryRow>& rows);
  void report(const std::optional<std::string>& message);

  AppModel& model_;
  std::optional<std::string> actionError_;
  bool sheetOpen_ = false;
  std::vector<Banner> banners_;

  QVBoxLayout* bannerBox_;
  QLabel* title_;
  ThemedLabel* count_;
  ThemedLabel* selected_;
  QToolButton* more_;
  QAction* deleteDictionary_;
  StyledButton* addButton_;
  QAction* addAction_;
  QAction* findAction_;
  QLineEdit* search_;
  QAction* searchIcon_;
  QAction* clearSearch_;
  WordTable* table_;
};
