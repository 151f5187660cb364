#include "ui/main/sidebar.h"

#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "app/app_model.h"
#include "background/notifier.h"
#include "ui/main/hint.h"
#include "ui/main/main_texts.h"
#include "ui/settings/settings_window.h"
#include "ui/style/m_icon.h"
#include "ui/style/styled_button.h"
#include "ui/style/ui_type.h"
#include "ui/widgets/themed_label.h"

using MainTexts::text;

namespace {

// Item data: the dictionary's name (none for "すべての辞書") and the label beside it.
constexpr int nameRole = Qt::UserRole;
constexpr int countRole = Qt::UserRole + 1;
constexpr int itemHeight = 30;

// A dictionary item: the name, its count at the right edge, the chosen one on a tinted rounded
// background, a hovered one on `hover`.
class DictionaryDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    return {option.rect.width(), itemHeight};
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const QWidget* view = option.widget;
    const bool chosen = option.state.testFlag(QStyle::State_Selected);
    const bool hovered = option.state.testFlag(QStyle::State_MouseOver);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(option.rect).adjusted(0, 1, 0, -1);
    if (chosen || hovered) {
      QPainterPath path;
      path.addRoundedRect(box, Theme::radius, Theme::radius);
      painter->fillPath(path, chosen ? Theme::accentSoft.in(view) : Theme::hover.in(view));
    }
    const QRect inner = option.rect.adjusted(10, 0, -10, 0);
    const QString count = index.data(countRole).toString();
    painter->setFont(UIType::note());
    const int countWidth = count.isEmpty() ? 0 : painter->fontMetrics().horizontalAdvance(count);
    if (!count.isEmpty()) {
      painter->setPen(Theme::sub.in(view));
      painter->drawText(inner, Qt::AlignRight | Qt::AlignVCenter, count);
    }
    painter->setFont(chosen ? UIType::bodyBold() : UIType::body());
    painter->setPen(chosen ? Theme::accent.in(view) : Theme::ink.in(view));
    const QRect nameRect = inner.adjusted(0, 0, -(countWidth + (countWidth > 0 ? 8 : 0)), 0);
    const QString name = painter->fontMetrics().elidedText(index.data(Qt::DisplayRole).toString(),
                                                           Qt::ElideRight, nameRect.width());
    painter->drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter, name);
    painter->restore();
  }
};

QFrame* divider() {
  auto* line = new QFrame;
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Plain);
  line->setForegroundRole(QPalette::Mid);
  return line;
}

}  // namespace

Sidebar::Sidebar(AppModel& model, QWidget* parent) : Sidebar(model, Notifier::shared(), parent) {}

Sidebar::Sidebar(AppModel& model, Notifier& notifier, QWidget* parent)
    : QWidget(parent),
      model_(model),
      notifier_(notifier),
      stateIcon_(new MIcon(QStringLiteral("check_circle"), 20)),
      summary_(new QLabel),
      lastApplied_(new ThemedLabel(Theme::sub)),
      syncButton_(new StyledButton(SubtleButtonStyle)),
      list_(new QListWidget),
      autoSyncOff_(new ThemedLabel(Theme::sub, QStringLiteral("自動で反映がオフです"))),
      autoSyncError_(new ThemedLabel(Theme::danger)),
      notificationsOff_(new ThemedLabel(
          Theme::sub, QStringLiteral("通知がオフです。反映が停止しても通知されません"))) {
  setObjectName(QStringLiteral("sidebar"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(14, 16, 14, 16);
  layout->setSpacing(8);

  // This computer.
  auto* stateRow = new QHBoxLayout;
  stateRow->setSpacing(8);
  stateIcon_->setObjectName(QStringLiteral("stateIcon"));
  stateRow->addWidget(stateIcon_, 0, Qt::AlignTop);
  summary_->setObjectName(QStringLiteral("stateSummary"));
  summary_->setTextFormat(Qt::PlainText);
  summary_->setWordWrap(true);
  summary_->setFont(UIType::bodyBold());
  stateRow->addWidget(summary_, 1);
  layout->addLayout(stateRow);
  lastApplied_->setObjectName(QStringLiteral("lastApplied"));
  lastApplied_->setFont(UIType::note());
  lastApplied_->setContentsMargins(28, 0, 0, 0);
  layout->addWidget(lastApplied_);
  syncButton_->setObjectName(QStringLiteral("syncButton"));
  syncButton_->setSymbol(QStringLiteral("sync"), 16);
  syncButton_->setFont(UIType::body());
  layout->addWidget(syncButton_, 0, Qt::AlignLeft);
  connect(syncButton_, &QPushButton::clicked, this, [this] {
    model_.reload();
    model_.sync(false, false);
  });
  layout->addSpacing(6);
  layout->addWidget(divider());

  // The dictionaries.
  list_->setObjectName(QStringLiteral("dictionaryList"));
  list_->setItemDelegate(new DictionaryDelegate(list_));
  list_->setFrameShape(QFrame::NoFrame);
  list_->viewport()->setAutoFillBackground(false);
  list_->setAutoFillBackground(false);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setUniformItemSizes(true);
  list_->setMouseTracking(true);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  list_->setFocusPolicy(Qt::StrongFocus);
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0) return;
    const QVariant name = list_->item(row)->data(nameRole);
    model_.setSelection(name.isNull() ? std::nullopt
                                      : std::optional<std::string>(name.toString().toStdString()));
  });
  connect(list_, &QWidget::customContextMenuRequested, this, &Sidebar::showDictionaryMenu);
  layout->addWidget(list_, 1);

  auto* addDictionary = new StyledButton(SubtleButtonStyle, QStringLiteral("辞書を追加"));
  addDictionary->setObjectName(QStringLiteral("addDictionaryButton"));
  addDictionary->setSymbol(QStringLiteral("library_add"), 16);
  addDictionary->setFont(UIType::body());
  connect(addDictionary, &QPushButton::clicked, this, &Sidebar::addDictionaryRequested);
  layout->addWidget(addDictionary, 0, Qt::AlignLeft);
  layout->addSpacing(6);
  layout->addWidget(divider());

  // What the settings say.
  for (ThemedLabel* note : {autoSyncOff_, autoSyncError_, notificationsOff_}) {
    note->setFont(UIType::note());
    note->setWordWrap(true);
    layout->addWidget(note);
  }
  autoSyncOff_->setObjectName(QStringLiteral("autoSyncOffNote"));
  autoSyncError_->setObjectName(QStringLiteral("autoSyncErrorNote"));
  notificationsOff_->setObjectName(QStringLiteral("notificationsOffNote"));
  auto* settings = new StyledButton(SubtleButtonStyle, QStringLiteral("設定を開く"));
  settings->setObjectName(QStringLiteral("openSettingsButton"));
  settings->setSymbol(QStringLiteral("settings"), 16);
  settings->setFont(UIType::body());
  connect(settings, &QPushButton::clicked, this, [] { SettingsWindow::shared().show(); });
  layout->addWidget(settings, 0, Qt::AlignLeft);
  ThemedLabel* shortcut = Hint::text(QStringLiteral("Ctrl+, でも開きます"));
  shortcut->setObjectName(QStringLiteral("settingsShortcutNote"));
  shortcut->setFont(UIType::note());
  layout->addWidget(shortcut);

  connect(&model_, &AppModel::stateChanged, this, &Sidebar::updateState);
  connect(&model_, &AppModel::lastAppliedAtChanged, this, &Sidebar::updateState);
  connect(&model_, &AppModel::isSyncingChanged, this, &Sidebar::updateState);
  connect(&model_, &AppModel::masterChanged, this, &Sidebar::updateDictionaries);
  connect(&model_, &AppModel::pendingDictionariesChanged, this, &Sidebar::updateDictionaries);
  connect(&model_, &AppModel::selectionChanged, this, &Sidebar::updateChosen);
  connect(&model_, &AppModel::autoSyncChanged, this, &Sidebar::updateNotes);
  connect(&model_, &AppModel::autoSyncErrorChanged, this, &Sidebar::updateNotes);
  connect(&notifier_, &Notifier::statusChanged, this, &Sidebar::updateNotes);
  updateState();
  updateDictionaries();
  updateNotes();
}

void Sidebar::updateState() {
  const MacState& state = model_.state();
  const bool ok = state.isOK();
  stateIcon_->setName(ok ? QStringLiteral("check_circle") : QStringLiteral("warning"));
  stateIcon_->setColor(ok ? Theme::ok : Theme::warn);
  summary_->setText(text(state.summary()));
  const auto& when = model_.lastAppliedAt();
  lastApplied_->setVisible(when.has_value());
  if (when) lastApplied_->setText(MainTexts::lastApplied(*when));
  syncButton_->setText(model_.isSyncing() ? QStringLiteral("反映しています…")
                                          : QStringLiteral("今すぐ反映"));
  // A request while a reflect runs is dropped anyway.
  syncButton_->setEnabled(!model_.isSyncing());
}

void Sidebar::updateDictionaries() {
  const QSignalBlocker quiet(list_);
  list_->clear();
  auto* all = new QListWidgetItem(QStringLiteral("すべての辞書"), list_);
  all->setData(nameRole, QVariant());
  for (const std::string& name : model_.dictionaryNames()) {
    auto* item = new QListWidgetItem(text(name), list_);
    item->setData(nameRole, text(name));
    item->setData(countRole, MainTexts::dictionaryCount(model_.count(name)));
  }
  updateChosen();
}

void Sidebar::updateChosen() {
  int chosen = 0;
  if (const auto& selection = model_.selection()) {
    for (int row = 1; row < list_->count(); ++row) {
      if (list_->item(row)->data(nameRole).toString() == text(*selection)) {
        chosen = row;
        break;
      }
    }
  }
  if (list_->currentRow() == chosen) return;
  const QSignalBlocker quiet(list_);
  list_->setCurrentRow(chosen);
}

void Sidebar::updateNotes() {
  autoSyncOff_->setVisible(!model_.autoSync());
  const auto& error = model_.autoSyncError();
  autoSyncError_->setVisible(error.has_value());
  autoSyncError_->setText(error ? text(*error) : QString());
  notificationsOff_->setVisible(notifier_.status() == Notifier::Status::off);
}

void Sidebar::showDictionaryMenu(const QPoint& position) {
  QListWidgetItem* item = list_->itemAt(position);
  if (item == nullptr || item->data(nameRole).isNull()) return;
  const std::string name = item->data(nameRole).toString().toStdString();
  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("dictionaryMenu"));
  menu->setAttribute(Qt::WA_DeleteOnClose);
  QAction* remove = menu->addAction(QStringLiteral("辞書を削除…"));
  remove->setObjectName(QStringLiteral("deleteDictionaryAction"));
  remove->setEnabled(model_.dictionaryNames().size() >= 2);
  connect(remove, &QAction::triggered, this,
          [this, name] { emit dictionaryDeletionRequested(name); });
  menu->popup(list_->viewport()->mapToGlobal(position));
}

void Sidebar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Theme::surface.in(this));
}
