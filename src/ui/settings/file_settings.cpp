#include "ui/settings/file_settings.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

#include "app/cloud_place.h"
#include "app/qt_text.h"
#include "master/master_store.h"
#include "sync/syncer.h"
#include "ui/settings/section_box.h"
#include "ui/settings/settings_texts.h"
#include "ui/style/styled_button.h"
#include "ui/style/ui_type.h"
#include "ui/widgets/themed_label.h"

namespace {

namespace fs = std::filesystem;

// A path on one line, shortened in the middle when the window is too narrow for it; the whole
// path is the tooltip.
class PathLabel : public QLabel {
 public:
  PathLabel() {
    setFont(UIType::body());
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  }

  void setPath(const QString& shown, const QString& full) {
    shown_ = shown;
    setToolTip(full);
    elide();
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    elide();
  }

 private:
  void elide() { setText(QFontMetrics(font()).elidedText(shown_, Qt::ElideMiddle, width())); }

  QString shown_;
};

}  // namespace

FileSettings::FileSettings(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName(QStringLiteral("fileSettings"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(16);

  auto* folders = new SectionBox;
  addRow(folders, master, SettingsTexts::master(), "master", {});
  addRow(folders, backups, SettingsTexts::backups(), "backups",
         SettingsTexts::keepBackups(Syncer{.paths = model_.paths()}.keepBackups));
  addRow(folders, history, SettingsTexts::history(), "history",
         SettingsTexts::keepHistory(MasterStore::keepHistory));
  layout->addWidget(folders);

  auto* change = new StyledButton(SubtleButtonStyle, SettingsTexts::changeFolder());
  change->setObjectName(QStringLiteral("changeFolder"));
  connect(change, &QPushButton::clicked, this, [this] {
    model_.setChoosingFolder(true);
    emit mainWindowWanted();
  });
  layout->addWidget(change, 0, Qt::AlignLeft);
  layout->addStretch(1);

  auto* footer = new ThemedLabel(Theme::sub, SettingsTexts::footer());
  footer->setFont(UIType::note());
  footer->setObjectName(QStringLiteral("versionFooter"));
  footer->setAlignment(Qt::AlignHCenter);
  layout->addWidget(footer);

  connect(&model_, &AppModel::pathsChanged, this, &FileSettings::refresh);
  // A reflect or a save may have made the backups or the history folder.
  connect(&model_, &AppModel::syncFinished, this, &FileSettings::refresh);
  connect(&model_, &AppModel::masterChanged, this, &FileSettings::refresh);
  refresh();
}

void FileSettings::addRow(SectionBox* box, Which which, const QString& label, const char* name,
                          const QString& note) {
  auto* row = new QWidget;
  auto* grid = new QGridLayout(row);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(12);
  grid->setVerticalSpacing(2);
  auto* title = new QLabel(label);
  title->setFont(UIType::bodyBold());
  title->setFixedWidth(140);
  grid->addWidget(title, 0, 0, Qt::AlignVCenter);
  auto* path = new PathLabel;
  path->setObjectName(QStringLiteral("%1Path").arg(QLatin1String(name)));
  grid->addWidget(path, 0, 1);
  if (!note.isEmpty()) {
    auto* kept = new ThemedLabel(Theme::sub, note);
    kept->setFont(UIType::note());
    kept->setObjectName(QStringLiteral("%1Kept").arg(QLatin1String(name)));
    grid->addWidget(kept, 1, 1);
  }
  auto* open = new StyledButton(SubtleButtonStyle, SettingsTexts::open());
  open->setObjectName(QStringLiteral("%1Open").arg(QLatin1String(name)));
  connect(open, &QPushButton::clicked, this, [this, which] {
    if (const auto& folder = rows_[which].folder) {
      QDesktopServices::openUrl(QUrl::fromLocalFile(qtText(folder->string())));
    }
  });
  grid->addWidget(open, 0, 2, note.isEmpty() ? 1 : 2, 1, Qt::AlignVCenter);
  grid->setColumnStretch(1, 1);
  box->addRow(row);
  rows_[which].path = path;
  rows_[which].open = open;
}

void FileSettings::refresh() {
  const SyncPaths& paths = model_.paths();
  const fs::path& home = model_.context().environment.home;
  std::optional<fs::path> masterFolder;
  std::optional<fs::path> historyFolder;
  if (paths.isConfigured()) {
    masterFolder = paths.master;
    historyFolder = MasterStore::historyDir(paths.master);
  }
  const auto show = [&](Row& row, const std::optional<fs::path>& folder) {
    row.folder = folder;
    static_cast<PathLabel*>(row.path)->setPath(qtText(SetupFolder::shortPath(folder, home)),
                                               folder ? qtText(folder->string()) : QString());
    // A folder not made yet (no reflect, no save so far) has nothing to open.
    std::error_code error;
    row.open->setEnabled(folder && fs::is_directory(*folder, error));
  };
  show(rows_[master], masterFolder);
  show(rows_[backups], paths.backups());
  show(rows_[history], historyFolder);
}

void FileSettings::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) refresh();
  QWidget::changeEvent(event);
}

void FileSettings::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  refresh();
}
