#include "ui/main/root_view.h"

#include <QMessageBox>
#include <QSplitter>
#include <QStackedLayout>

#include "app/app_model.h"
#include "ui/main/main_panel.h"
#include "ui/main/main_texts.h"
#include "ui/main/sidebar.h"
#include "ui/setup/setup_view.h"
#include "ui/sheets/add_dictionary_sheet.h"
#include "ui/sheets/edit_sheet.h"
#include "ui/sheets/local_edits_sheet.h"
#include "ui/widgets/card_overlay.h"
#include "ui/widgets/confirmation.h"

namespace {

constexpr int sidebarWidth = 240;

}  // namespace

RootView::RootView(AppModel& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      pages_(new QStackedLayout(this)),
      splitter_(new QSplitter(Qt::Horizontal)),
      sidebar_(new Sidebar(model)),
      panel_(new MainPanel(model)),
      cards_(new CardOverlay(this)) {
  setObjectName(QStringLiteral("rootView"));
  setAutoFillBackground(true);
  splitter_->setObjectName(QStringLiteral("splitter"));
  splitter_->setChildrenCollapsible(false);
  splitter_->setHandleWidth(1);
  sidebar_->setMinimumWidth(200);
  sidebar_->setMaximumWidth(360);
  panel_->setMinimumWidth(480);
  splitter_->addWidget(sidebar_);
  splitter_->addWidget(panel_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  splitter_->setSizes({sidebarWidth, 1120 - sidebarWidth});
  pages_->addWidget(splitter_);

  connect(sidebar_, &Sidebar::addDictionaryRequested, this,
          [this] { setOverlay(Overlay::addDictionary()); });
  connect(sidebar_, &Sidebar::dictionaryDeletionRequested, this,
          &RootView::confirmDictionaryDeletion);
  connect(panel_, &MainPanel::overlayRequested, this,
          [this](const Overlay& overlay) { setOverlay(overlay); });
  connect(panel_, &MainPanel::actionErrorRaised, this,
          [this](const std::string& message) { setActionError(message); });
  connect(panel_, &MainPanel::actionErrorDismissed, this, [this] { setActionError(std::nullopt); });
  connect(panel_, &MainPanel::dictionaryDeletionRequested, this,
          &RootView::confirmDictionaryDeletion);

  connect(&model_, &AppModel::pathsChanged, this, &RootView::updatePage);
  connect(&model_, &AppModel::isChoosingFolderChanged, this, &RootView::updatePage);
  updatePage();
  // The window opens with the keyboard on the words.
  panel_->focusTable();
}

void RootView::updatePage() {
  const bool setup = model_.showsSetup();
  if (setup && setup_ == nullptr) {
    // Made afresh each time setup is entered: it starts from what it finds then.
    setup_ = new SetupView(model_);
    pages_->addWidget(setup_);
    setOverlay(std::nullopt);
  } else if (!setup && setup_ != nullptr) {
    pages_->removeWidget(setup_);
    setup_->deleteLater();
    setup_ = nullptr;
  }
  pages_->setCurrentWidget(setup ? setup_ : static_cast<QWidget*>(splitter_));
}

void RootView::setOverlay(std::optional<Overlay> overlay) {
  const bool same =
      overlay_.has_value() == overlay.has_value() && (!overlay || overlay_->id() == overlay->id());
  if (same) return;
  overlay_ = std::move(overlay);
  panel_->setSheetOpen(overlay_.has_value());
  if (overlay_) {
    Sheet* sheet = makeSheet(*overlay_);
    connect(sheet, &Sheet::closeRequested, this, [this] { setOverlay(std::nullopt); });
    cards_->show(sheet);
  } else {
    cards_->dismiss();
    panel_->focusTable();
  }
  emit overlayChanged();
}

Sheet* RootView::makeSheet(const Overlay& overlay) {
  if (const auto* target = std::get_if<EditTarget>(&overlay.value)) {
    return new EditSheet(model_, *target);
  }
  if (std::holds_alternative<Overlay::LocalEdits>(overlay.value))
    return new LocalEditsSheet(model_);
  return new AddDictionarySheet(model_);
}

void RootView::setActionError(std::optional<std::string> message) {
  actionError_ = std::move(message);
  panel_->setActionError(actionError_);
}

void RootView::confirmDictionaryDeletion(const std::string& name) {
  if (overlay_) return;
  deletingDictionary_ = name;
  QMessageBox* box = openConfirmation(
      this,
      {MainTexts::dictionaryDeletionTitle(name),
       MainTexts::dictionaryDeletionMessage(model_.isPending(name), model_.count(name)),
       QStringLiteral("削除"), true},
      [this, name] {
        if (std::optional<std::string> message = model_.deleteDictionary(name)) {
          setActionError(std::move(message));
        }
      });
  box->setObjectName(QStringLiteral("dictionaryDeletionConfirmation"));
  connect(box, &QDialog::finished, this, [this] { deletingDictionary_.reset(); });
}
