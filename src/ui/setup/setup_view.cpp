#include "ui/setup/setup_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

#include "app/qt_text.h"
#include "model/user_dictionary_file.h"
#include "sync/syncer.h"
#include "ui/setup/divider.h"
#include "ui/setup/folder_panel.h"
#include "ui/setup/setup_cards.h"
#include "ui/setup/setup_texts.h"
#include "ui/style/m_icon.h"
#include "ui/style/styled_button.h"
#include "ui/style/ui_type.h"
#include "ui/widgets/symbol_check_box.h"
#include "ui/widgets/themed_label.h"

namespace {

namespace fs = std::filesystem;

using SetupStart = AppModel::SetupStart;

fs::path pathOf(const QString& text) {
  return fs::path(text.toStdString());
}

bool samePath(const fs::path& a, const fs::path& b) {
  const auto plain = [](const fs::path& p) {
    fs::path normal = p.lexically_normal();
    if (!normal.has_filename() && normal.has_relative_path()) normal = normal.parent_path();
    return normal;
  };
  return plain(a) == plain(b);
}

// The step's number in an accent disc, before its heading.
class StepBadge : public QWidget {
 public:
  explicit StepBadge(int number) : number_(QString::number(number)) { setFixedSize(22, 22); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::accent.in(this));
    painter.drawEllipse(QRectF(rect()));
    painter.setPen(Theme::accentInk.in(this));
    painter.setFont(UIType::columnLabel());
    painter.drawText(rect(), Qt::AlignCenter, number_);
  }

 private:
  QString number_;
};

QWidget* stepHeading(int number, const QString& text, const char* name) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(10);
  layout->addWidget(new StepBadge(number));
  auto* label = new QLabel(text);
  label->setObjectName(QString::fromLatin1(name));
  label->setFont(UIType::heading());
  layout->addWidget(label, 1);
  return row;
}

ThemedLabel* wrapped(const QString& text, const QFont& font, const ThemeColor& color) {
  auto* label = new ThemedLabel(color, text);
  label->setFont(font);
  label->setWordWrap(true);
  return label;
}

}  // namespace

SetupView::SetupView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), places_(CloudPlace::detect(model.context().environment)) {
  setObjectName(QStringLiteral("setupView"));
  setFocusPolicy(Qt::ClickFocus);

  auto* column = new QWidget;
  auto* content = new QVBoxLayout(column);
  content->setContentsMargins(0, 24, 0, 16);
  content->setSpacing(0);
  content->addStretch(1);

  title_ = new QLabel;
  title_->setObjectName(QStringLiteral("setupTitle"));
  title_->setFont(UIType::title());
  content->addWidget(title_);
  content->addSpacing(6);
  lead_ = wrapped(SetupTexts::lead(), UIType::body(), Theme::sub);
  lead_->setObjectName(QStringLiteral("setupLead"));
  content->addWidget(lead_);
  content->addSpacing(20);
  content->addWidget(buildFolderStep());
  content->addSpacing(20);
  content->addWidget(buildStartStep());
  content->addStretch(1);

  // The steps keep a readable width in a wide window.
  auto* page = new QWidget;
  auto* centred = new QHBoxLayout(page);
  centred->setContentsMargins(32, 0, 32, 0);
  centred->addStretch(1);
  centred->addWidget(column, 100);
  centred->addStretch(1);
  column->setMaximumWidth(760);

  auto* scroll = new QScrollArea;
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setWidget(page);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(scroll, 1);
  layout->addWidget(new Divider);
  layout->addWidget(buildBottomBar());

  connect(&model_, &AppModel::pathsChanged, this, [this] {
    shown_ = model_.showsSetup();
    refresh();
  });
  connect(&model_, &AppModel::isChoosingFolderChanged, this, [this] {
    const bool shows = model_.showsSetup();
    if (shows && !shown_) {
      readThisComputer();
      preselect();
    }
    shown_ = shows;
    refresh();
  });

  shown_ = model_.showsSetup();
  readThisComputer();
  preselect();
  refresh();
}

QWidget* SetupView::buildFolderStep() {
  auto* step = new QWidget;
  auto* layout = new QVBoxLayout(step);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(8);
  layout->addWidget(stepHeading(1, SetupTexts::folderStep(), "folderStep"));
  auto* note = wrapped(SetupTexts::folderNote(), UIType::note(), Theme::sub);
  note->setObjectName(QStringLiteral("folderNote"));
  layout->addWidget(note);
  layout->addSpacing(4);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(10);
  int at = 0;
  for (const CloudPlace& place : places_) {
    auto* tile = new PlaceTile(qtText(place.icon), qtText(place.name));
    tile->setObjectName(qtText("place-" + place.id));
    connect(tile, &QAbstractButton::clicked, this, [this, place] { choosePlace(place); });
    grid->addWidget(tile, at / 2, at % 2);
    tiles_.push_back(tile);
    ++at;
  }
  otherTile_ = new PlaceTile(QStringLiteral("folder_open"), SetupTexts::otherPlace());
  otherTile_->setObjectName(QStringLiteral("place-other"));
  connect(otherTile_, &QAbstractButton::clicked, this, &SetupView::openFolderPanel);
  grid->addWidget(otherTile_, at / 2, at % 2);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid);
  return step;
}

QWidget* SetupView::buildStartStep() {
  auto* step = new QWidget;
  auto* layout = new QVBoxLayout(step);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(8);
  layout->addWidget(stepHeading(2, SetupTexts::startStep(), "startStep"));
  layout->addSpacing(4);

  fromThisComputer_ = new ChoiceRow(SetupTexts::fromThisComputer());
  fromThisComputer_->setObjectName(QStringLiteral("start-fromThisMac"));
  fromThisComputer_->setNote(SetupTexts::folderAlreadyHolds());
  connect(fromThisComputer_, &QAbstractButton::clicked, this, [this] {
    start_ = SetupStart::fromThisMac;
    refresh();
  });

  fromFolder_ = new ChoiceRow(SetupTexts::fromFolder());
  fromFolder_->setObjectName(QStringLiteral("start-fromFolder"));
  fromFolder_->setNote(SetupTexts::folderHoldsNone());
  connect(fromFolder_, &QAbstractButton::clicked, this, [this] {
    start_ = SetupStart::fromFolder;
    refresh();
  });
  // Side by side, like the places: both fit the window without scrolling.
  auto* choices = new QHBoxLayout;
  choices->setSpacing(10);
  choices->addWidget(fromThisComputer_, 1);
  choices->addWidget(fromFolder_, 1);
  layout->addLayout(choices);
  layout->addSpacing(6);

  autoSyncBox_ = new SymbolCheckBox(SetupTexts::autoSync());
  autoSyncBox_->setObjectName(QStringLiteral("autoSync"));
  autoSyncBox_->setFont(UIType::body());
  connect(autoSyncBox_, &QCheckBox::toggled, this, [this](bool on) { autoSync_ = on; });
  layout->addWidget(autoSyncBox_);

  auto* safety = new QHBoxLayout;
  safety->setSpacing(8);
  auto* mark = new MIcon(QStringLiteral("check_circle"), 18);
  mark->setColor(Theme::ok);
  safety->addWidget(mark, 0, Qt::AlignTop);
  auto* note = wrapped(SetupTexts::safety(), UIType::note(), Theme::sub);
  note->setObjectName(QStringLiteral("safetyNote"));
  safety->addWidget(note, 1);
  layout->addLayout(safety);
  return step;
}

QWidget* SetupView::buildBottomBar() {
  auto* bar = new QWidget;
  auto* layout = new QHBoxLayout(bar);
  layout->setContentsMargins(32, 12, 32, 12);
  layout->setSpacing(10);
  errorLabel_ = wrapped(QStringLiteral(" "), UIType::note(), Theme::danger);
  errorLabel_->setObjectName(QStringLiteral("setupError"));
  errorLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(errorLabel_, 1);
  cancel_ = new StyledButton(SubtleButtonStyle, SetupTexts::cancel());
  cancel_->setObjectName(QStringLiteral("setupCancel"));
  connect(cancel_, &QPushButton::clicked, this, &SetupView::cancel);
  layout->addWidget(cancel_);
  primary_ = new StyledButton(PrimaryButtonStyle, SetupTexts::begin());
  primary_->setObjectName(QStringLiteral("setupStart"));
  connect(primary_, &QPushButton::clicked, this, &SetupView::start);
  layout->addWidget(primary_);
  return bar;
}

void SetupView::readThisComputer() {
  thisComputer_ = {};
  try {
    Syncer{.paths = model_.paths(), .ime = model_.context().ime}.checkDictionary();
    const UserDictionaryFile file = UserDictionaryFile::read(model_.paths().dictionary);
    for (const UserDictionary& dictionary : file.dictionaries) {
      thisComputer_.words += dictionary.entries.size();
    }
    thisComputer_.dictionaries = file.dictionaries.size();
  } catch (const std::exception& error) {
    thisComputer_.error = error.what();
  }
}

bool SetupView::isChangingFolder() const {
  return model_.paths().isConfigured();
}

void SetupView::preselect() {
  if (isChangingFolder()) {
    const fs::path current = model_.paths().master;
    const auto place = std::find_if(places_.begin(), places_.end(), [&](const CloudPlace& p) {
      return p.master() && samePath(*p.master(), current);
    });
    setMaster(current, place != places_.end() ? place->id : "other");
    autoSync_ = model_.autoSync();
  } else {
    const auto place = std::find_if(places_.begin(), places_.end(),
                                    [](const CloudPlace& p) { return p.root.has_value(); });
    if (place != places_.end()) {
      setMaster(place->master(), place->id);
    } else {
      setMaster(std::nullopt, std::nullopt);
    }
  }
}

void SetupView::setMaster(std::optional<fs::path> master, std::optional<std::string> placeID) {
  master_ = std::move(master);
  placeID_ = std::move(placeID);
  error_.reset();
  existingCount_ = master_ ? SetupFolder::dictionaryCount(*master_) : 0;
  start_ = existingCount_ > 0 ? SetupStart::fromFolder : SetupStart::fromThisMac;
}

void SetupView::choosePlace(const CloudPlace& place) {
  if (!place.root || busy_) return;
  setMaster(place.master(), place.id);
  refresh();
}

void SetupView::openFolderPanel() {
  if (busy_) return;
  const fs::path home = model_.context().environment.home;
  std::error_code error;
  fs::path from = master_ ? master_->parent_path() : home;
  if (!fs::is_directory(from, error)) from = home;
  auto* panel = new FolderPanel(SetupTexts::panelMessage(), SetupTexts::panelPrompt(),
                                QString::fromStdString(from.string()), this);
  panel->setAttribute(Qt::WA_DeleteOnClose);
  connect(panel, &FolderPanel::chosen, this,
          [this](const QString& folder) { chooseFolder(pathOf(folder)); });
  panel->open();
}

void SetupView::chooseFolder(const fs::path& picked) {
  setMaster(SetupFolder::masterFor(picked), "other");
  refresh();
}

bool SetupView::canStart() const {
  if (!master_ || busy_ || thisComputer_.error) return false;
  return start_ == SetupStart::fromThisMac ? existingCount_ == 0 : existingCount_ > 0;
}

void SetupView::start() {
  if (!canStart()) return;
  busy_ = true;
  refresh();
  // The setup runs on this thread: show that it runs before it blocks.
  primary_->repaint();
  // On success the window may drop this view while the model tells it the setup is done.
  const QPointer<SetupView> alive(this);
  std::optional<std::string> message = model_.completeSetup(*master_, start_, autoSync_);
  if (!alive) return;
  busy_ = false;
  error_ = std::move(message);
  refresh();
}

void SetupView::cancel() {
  if (!isChangingFolder() || busy_) return;
  model_.setChoosingFolder(false);
}

void SetupView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      start();
      return;
    case Qt::Key_Escape:
      if (isChangingFolder()) {
        cancel();
        return;
      }
      break;
    default:
      break;
  }
  QWidget::keyPressEvent(event);
}

void SetupView::changeEvent(QEvent* event) {
  // Back from the IME's dictionary tool or the cloud client: what was missing may be there now.
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && shown_ && !busy_) {
    readThisComputer();
    const std::size_t before = existingCount_;
    existingCount_ = master_ ? SetupFolder::dictionaryCount(*master_) : 0;
    if (existingCount_ != before) {
      start_ = existingCount_ > 0 ? SetupStart::fromFolder : SetupStart::fromThisMac;
    }
    refresh();
  }
  QWidget::changeEvent(event);
}

void SetupView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Return and Escape reach the view from wherever the focus is inside it.
  if (!isAncestorOf(QApplication::focusWidget())) setFocus();
}

void SetupView::refresh() {
  const bool changing = isChangingFolder();
  const fs::path& home = model_.context().environment.home;
  title_->setText(changing ? SetupTexts::changingTitle() : SetupTexts::welcome());

  for (std::size_t i = 0; i < places_.size(); ++i) {
    const CloudPlace& place = places_[i];
    PlaceTile* tile = tiles_[i];
    const bool here = place.root.has_value();
    tile->setEnabled(here && !busy_);
    tile->setIconName(here ? qtText(place.icon) : QStringLiteral("cloud_off"));
    tile->setSubtitle(here ? SetupTexts::found() : SetupTexts::notHere());
    const QString help = here ? qtText(SetupFolder::shortPath(place.master(), home))
                              : SetupTexts::notHereHelp(qtText(place.name));
    tile->setToolTip(help);
    tile->setAccessibleDescription(help);
    tile->setSelected(placeID_ == place.id);
  }
  const bool other = placeID_ == "other";
  otherTile_->setEnabled(!busy_);
  otherTile_->setSubtitle(qtText(SetupFolder::shortPath(other ? master_ : std::nullopt, home)));
  otherTile_->setToolTip(other && master_ ? QString::fromStdString(master_->string()) : QString());
  otherTile_->setSelected(other);

  fromThisComputer_->setSubtitle(
      thisComputer_.error
          ? qtText(*thisComputer_.error)
          : SetupTexts::thisComputerHolds(thisComputer_.words, thisComputer_.dictionaries));
  fromThisComputer_->setEnabled(existingCount_ == 0 && !busy_);
  fromThisComputer_->setSelected(start_ == SetupStart::fromThisMac);
  fromFolder_->setSubtitle(existingCount_ == 0 ? SetupTexts::fromFolderNone()
                                               : SetupTexts::fromFolderHolds(existingCount_));
  fromFolder_->setEnabled(existingCount_ > 0 && !busy_);
  fromFolder_->setSelected(start_ == SetupStart::fromFolder);

  autoSyncBox_->setChecked(autoSync_);
  autoSyncBox_->setEnabled(!busy_);

  // A space keeps the bar's height while there is nothing to say.
  errorLabel_->setText(error_ ? qtText(*error_) : QStringLiteral(" "));
  cancel_->setVisible(changing);
  primary_->setText(busy_      ? SetupTexts::preparing()
                    : changing ? SetupTexts::change()
                               : SetupTexts::begin());
  primary_->setEnabled(canStart());
}
