#include "ui/main/main_panel.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/app_model.h"
#include "platform/text.h"
#include "ui/main/banner_view.h"
#include "ui/main/main_texts.h"
#include "ui/main/word_table.h"
#include "ui/style/styled_button.h"
#include "ui/style/symbol_icon.h"
#include "ui/style/ui_type.h"
#include "ui/widgets/confirmation.h"
#include "ui/widgets/themed_label.h"

using MainTexts::text;

MainPanel::MainPanel(AppModel& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      bannerBox_(new QVBoxLayout),
      title_(new QLabel),
      count_(new ThemedLabel(Theme::sub)),
      selected_(new ThemedLabel(Theme::accent)),
      more_(new QToolButton),
      addButton_(new StyledButton(PrimaryButtonStyle, QStringLiteral("語を追加"))),
      addAction_(new QAction(QStringLiteral("語を追加"), this)),
      findAction_(new QAction(QStringLiteral("検索"), this)),
      search_(new QLineEdit),
      clearSearch_(new QAction(this)),
      table_(new WordTable) {
  setObjectName(QStringLiteral("mainPanel"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 16, 20, 0);
  layout->setSpacing(12);

  bannerBox_->setSpacing(8);
  layout->addLayout(bannerBox_);

  // Header.
  auto* header = new QHBoxLayout;
  header->setSpacing(10);
  title_->setObjectName(QStringLiteral("headerTitle"));
  title_->setTextFormat(Qt::PlainText);
  title_->setFont(UIType::title());
  header->addWidget(title_, 0, Qt::AlignBaseline);
  count_->setObjectName(QStringLiteral("headerCount"));
  count_->setFont(UIType::body());
  header->addWidget(count_, 0, Qt::AlignBaseline);
  selected_->setObjectName(QStringLiteral("headerSelection"));
  selected_->setFont(UIType::bodyBold());
  header->addWidget(selected_, 0, Qt::AlignBaseline);
  header->addStretch(1);

  more_->setObjectName(QStringLiteral("moreButton"));
  more_->setIconSize(QSize(20, 20));
  more_->setAutoRaise(true);
  more_->setToolTip(QStringLiteral("その他"));
  auto* moreMenu = new QMenu(this);
  moreMenu->setObjectName(QStringLiteral("moreMenu"));
  deleteDictionary_ = moreMenu->addAction(QStringLiteral("辞書を削除…"));
  deleteDictionary_->setObjectName(QStringLiteral("deleteDictionaryAction"));
  connect(deleteDictionary_, &QAction::triggered, this, [this] {
    if (const auto& selection = model_.selection()) emit dictionaryDeletionRequested(*selection);
  });
  // Opened by hand: a tool button's own menu draws an arrow beside the icon.
  connect(more_, &QToolButton::clicked, this,
          [this, moreMenu] { moreMenu->popup(more_->mapToGlobal(QPoint(0, more_->height()))); });
  header->addWidget(more_, 0, Qt::AlignVCenter);

  addButton_->setObjectName(QStringLiteral("addWordButton"));
  addButton_->setSymbol(QStringLiteral("add_circle"), 18);
  addButton_->setFont(UIType::bodyBold());
  addButton_->setToolTip(QStringLiteral("語を追加（Ctrl+N）"));
  connect(addButton_, &QPushButton::clicked, this, &MainPanel::openAdd);
  header->addWidget(addButton_, 0, Qt::AlignVCenter);
  layout->addLayout(header);

  addAction_->setObjectName(QStringLiteral("addWordAction"));
  addAction_->setShortcut(QKeySequence::New);
  addAction_->setShortcutContext(Qt::WindowShortcut);
  connect(addAction_, &QAction::triggered, this, &MainPanel::openAdd);
  addAction(addAction_);
  findAction_->setObjectName(QStringLiteral("findAction"));
  findAction_->setShortcut(QKeySequence::Find);
  findAction_->setShortcutContext(Qt::WindowShortcut);
  connect(findAction_, &QAction::triggered, this, &MainPanel::focusSearch);
  addAction(findAction_);

  // Search field.
  search_->setObjectName(QStringLiteral("searchField"));
  search_->setPlaceholderText(QStringLiteral("よみ・単語・コメントで探す（Ctrl+F）"));
  search_->setFont(UIType::body());
  search_->setMinimumHeight(32);
  searchIcon_ = search_->addAction(QIcon(), QLineEdit::LeadingPosition);
  clearSearch_->setObjectName(QStringLiteral("clearSearch"));
  clearSearch_->setToolTip(QStringLiteral("検索をクリア"));
  search_->addAction(clearSearch_, QLineEdit::TrailingPosition);
  clearSearch_->setVisible(false);
  connect(clearSearch_, &QAction::triggered, this, [this] {
    model_.setQuery({});
    search_->setFocus(Qt::OtherFocusReason);
  });
  connect(search_, &QLineEdit::textEdited, this,
          [this](const QString& typed) { model_.setQuery(typed.toStdString()); });
  layout->addWidget(search_);

  // Table.
  layout->addWidget(table_, 1);
  connect(table_, &WordTable::openRequested, this, [this](const EntryRow& row) {
    if (!sheetOpen_) emit overlayRequested(Overlay::edit(EditTarget::editing(row)));
  });
  connect(table_, &WordTable::deleteRequested, this, [this](const std::vector<EntryRow>& rows) {
    if (!sheetOpen_) confirmRowDeletion(rows);
  });
  connect(table_, &WordTable::menuRequested, this, &MainPanel::showRowMenu);
  connect(table_, &WordTable::selectionCountChanged, this, &MainPanel::refreshSelectionCount);

  connect(&model_, &AppModel::masterChanged, this, [this] {
    refreshRows(true);
    refreshBanners();
    refreshCommands();
  });
  connect(&model_, &AppModel::selectionChanged, this, [this] {
    refreshRows(false);
    refreshCommands();
  });
  connect(&model_, &AppModel::queryChanged, this, [this] {
    const QString query = text(model_.query());
    if (search_->text() != query) search_->setText(query);
    clearSearch_->setVisible(!query.isEmpty());
    refreshRows(false);
  });
  connect(&model_, &AppModel::pendingDictionariesChanged, this, [this] {
    refreshHeader();
    refreshCommands();
  });
  connect(&model_, &AppModel::stateChanged, this, &MainPanel::refreshBanners);
  connect(&model_, &AppModel::loadErrorChanged, this, &MainPanel::refreshBanners);

  search_->setText(text(model_.query()));
  clearSearch_->setVisible(!model_.query().empty());
  refreshIcons();
  refreshRows(false);
  refreshBanners();
  refreshCommands();
}

void MainPanel::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) refreshIcons();
}

void MainPanel::refreshIcons() {
  // Icons are asked for pixmaps without the widget; they are told the scheme this panel is in.
  const ColorScheme scheme = Theme::schemeOf(this);
  const auto icon = [scheme](const char* name, const ThemeColor& color) {
    return MaterialSymbols::icon({QString::fromLatin1(name), color, false, 400, scheme});
  };
  more_->setIcon(icon("more_horiz", Theme::ink));
  searchIcon_->setIcon(icon("search", Theme::sub));
  clearSearch_->setIcon(icon("close", Theme::sub));
}

void MainPanel::setActionError(std::optional<std::string> message) {
  actionError_ = std::move(message);
  refreshBanners();
}

void MainPanel::setSheetOpen(bool open) {
  sheetOpen_ = open;
  refreshCommands();
}

void MainPanel::focusTable() {
  table_->setFocus(Qt::OtherFocusReason);
}

void MainPanel::focusSearch() {
  search_->setFocus(Qt::ShortcutFocusReason);
  search_->selectAll();
}

void MainPanel::refreshRows(bool keepScroll) {
  const bool allDictionaries = !model_.selection().has_value();
  table_->setShowsDictionary(allDictionaries);
  table_->showRows(model_.rows(), keepScroll);
  refreshHeader();
}

void MainPanel::refreshHeader() {
  const auto& selection = model_.selection();
  title_->setText(selection ? text(*selection) : QStringLiteral("すべての辞書"));
  count_->setText(MainTexts::shownCount(table_->rows().size()));
  table_->setEmptyText(
      MainTexts::emptyState(model_.query(), selection && model_.isPending(*selection)));
  refreshSelectionCount(table_->selectedCount());
}

void MainPanel::refreshSelectionCount(std::size_t count) {
  selected_->setVisible(count >= 2);
  if (count >= 2) selected_->setText(MainTexts::selectedCount(count));
}

void MainPanel::refreshCommands() {
  const bool canAdd = model_.master() != nullptr && !sheetOpen_;
  addButton_->setEnabled(canAdd);
  addAction_->setEnabled(canAdd);
  findAction_->setEnabled(!sheetOpen_);
  more_->setVisible(model_.selection().has_value());
  deleteDictionary_->setEnabled(model_.dictionaryNames().size() >= 2);
}

void MainPanel::refreshBanners() {
  std::vector<Banner> banners =
      Banners::of({actionError_, model_.loadError(),
                   model_.master() ? model_.master()->conflictCopies : std::vector<std::string>{},
                   model_.state()});
  if (banners == banners_) return;
  banners_ = std::move(banners);
  // The old lines may be the sender of this change (their close button): out of the tree now,
  // deleted once their signal has returned.
  while (QLayoutItem* item = bannerBox_->takeAt(0)) {
    if (QWidget* old = item->widget()) {
      old->hide();
      old->setParent(nullptr);
      old->deleteLater();
    }
    delete item;
  }
  for (const Banner& banner : banners_) {
    auto* view = new BannerView(banner, this);
    connect(view, &BannerView::actionTriggered, this, &MainPanel::onBannerAction);
    bannerBox_->addWidget(view);
  }
}

void MainPanel::onBannerAction(Banner::Action action) {
  switch (action) {
    case Banner::Action::closeError:
      emit actionErrorDismissed();
      break;
    case Banner::Action::reviewLocalEdits:
      if (!sheetOpen_) emit overlayRequested(Overlay::localEdits());
      break;
    case Banner::Action::confirmBigChange:
      confirmBigChange();
      break;
  }
}

void MainPanel::openAdd() {
  if (sheetOpen_ || model_.master() == nullptr) return;
  emit overlayRequested(Overlay::edit(EditTarget::adding(model_.selection().value_or(""))));
}

void MainPanel::showRowMenu(const std::vector<EntryRow>& rows, const QPoint& globalPosition) {
  if (sheetOpen_) return;
  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("rowMenu"));
  menu->setAttribute(Qt::WA_DeleteOnClose);
  if (rows.empty()) {
    QAction* add = menu->addAction(QStringLiteral("語を追加…"));
    add->setObjectName(QStringLiteral("addWordMenuAction"));
    add->setEnabled(model_.master() != nullptr);
    connect(add, &QAction::triggered, this, &MainPanel::openAdd);
    menu->popup(globalPosition);
    return;
  }
  // Shared by every entry of the menu: a selection can hold the whole table.
  const Rows shared = std::make_shared<const std::vector<EntryRow>>(rows);
  if (rows.size() == 1) {
    QAction* edit = menu->addAction(QStringLiteral("編集…"));
    edit->setObjectName(QStringLiteral("editAction"));
    connect(edit, &QAction::triggered, this, [this, shared] {
      emit overlayRequested(Overlay::edit(EditTarget::editing(shared->front())));
    });
  }
  QMenu* move = menu->addMenu(MainTexts::moveMenuTitle(rows.size()));
  move->setObjectName(QStringLiteral("moveMenu"));
  for (const std::string& name : model_.dictionaryNames()) {
    QAction* to = move->addAction(text(name));
    to->setObjectName(QStringLiteral("moveTo"));
    const bool allThere = std::all_of(rows.begin(), rows.end(), [&](const EntryRow& row) {
      return platform::canonicallyEqual(row.dictionary, name);
    });
    to->setEnabled(!allThere);
    connect(to, &QAction::triggered, this, [this, shared, name] {
      removeRows(AppModel::Move{*shared, name}, *shared);
    });
  }
  menu->addSeparator();
  QAction* remove = menu->addAction(MainTexts::deleteMenuTitle(rows.size()));
  remove->setObjectName(QStringLiteral("deleteRowsAction"));
  connect(remove, &QAction::triggered, this, [this, shared] { confirmRowDeletion(*shared); });
  menu->popup(globalPosition);
}

void MainPanel::confirmRowDeletion(const std::vector<EntryRow>& rows) {
  if (rows.empty()) return;
  const Rows shared = std::make_shared<const std::vector<EntryRow>>(rows);
  QMessageBox* box =
      openConfirmation(this,
                       {MainTexts::rowDeletionTitle(rows), MainTexts::rowDeletionMessage(rows),
                        QStringLiteral("削除"), true},
                       [this, shared] { removeRows(AppModel::Delete{*shared}, *shared); });
  box->setObjectName(QStringLiteral("rowDeletionConfirmation"));
}

void MainPanel::confirmBigChange() {
  const auto* big = std::get_if<MacState::BigChange>(&model_.state().value);
  if (big == nullptr) return;
  QMessageBox* box =
      openConfirmation(this,
                       {MainTexts::bigChangeTitle(), MainTexts::bigChangeMessage(big->diff),
                        QStringLiteral("反映"), false},
                       [this] { model_.sync(false, true); });
  box->setObjectName(QStringLiteral("bigChangeConfirmation"));
}

void MainPanel::removeRows(const AppModel::Change& change, const std::vector<EntryRow>& rows) {
  // The selection is kept by position, so the rows that took the removed ones' places would
  // look selected (and a second Delete would remove them): it follows the words instead.
  const WordTable::Kept kept = table_->keep();
  const std::optional<std::string> message = model_.commit(change);
  if (!message) {
    std::vector<EntryRow> removed = rows;
    if (const auto* move = std::get_if<AppModel::Move>(&change)) {
      std::erase_if(removed, [&](const EntryRow& row) {
        return platform::canonicallyEqual(row.dictionary, move->to);
      });
    }
    table_->restoreAfterRemoving(kept, removed);
  }
  report(message);
}

void MainPanel::report(const std::optional<std::string>& message) {
  if (message) emit actionErrorRaised(*message);
}
