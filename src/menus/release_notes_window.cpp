#include "menus/release_notes_window.h"

#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#include "menus/bundled_resources.h"
#include "menus/localization.h"
#include "platform/text.h"
#include "ui/style/ui_type.h"

namespace StandardMenus {

namespace {

QLabel* textLabel(const std::string& text, const QFont& font) {
  auto* label = new QLabel(QString::fromStdString(text));
  label->setFont(font);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setAlignment(Qt::AlignLeading | Qt::AlignTop);
  return label;
}

}  // namespace

std::vector<NoteLine> loadReleaseNotes(const QStringList& folders) {
  QFile file(findResource(QStringLiteral("改定履歴.md"), folders));
  if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly)) {
    return {Lead{L("改定履歴を読み込めませんでした。").toStdString()}};
  }
  const QByteArray bytes = file.readAll();
  const std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  if (file.error() != QFileDevice::NoError || !platform::isValidUtf8(text)) {
    return {Lead{L("改定履歴を読み込めませんでした。").toStdString()}};
  }
  return parseReleaseNotes(text);
}

std::vector<NoteLine> loadReleaseNotes() {
  return loadReleaseNotes(resourceFolders());
}

ReleaseNotesView::ReleaseNotesView(Palette palette, const std::vector<NoteLine>& lines,
                                   QWidget* parent)
    : QScrollArea(parent), palette_(palette) {
  setObjectName(QStringLiteral("releaseNotes"));
  setFrameShape(QFrame::NoFrame);
  setWidgetResizable(true);
  setMinimumSize(420, 320);
  auto* column = new QWidget;
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(24, 24, 24, 24);
  layout->setSpacing(8);
  for (const NoteLine& line : lines) {
    if (const auto* lead = std::get_if<Lead>(&line)) {
      QLabel* label = textLabel(lead->text, UIType::note());
      layout->addWidget(label);
      labels_.emplace_back(label, &Palette::sub);
    } else if (const auto* heading = std::get_if<Heading>(&line)) {
      layout->addSpacing(10);
      QLabel* label = textLabel(heading->text, UIType::heading());
      layout->addWidget(label);
      labels_.emplace_back(label, &Palette::ink);
    } else {
      auto* row = new QHBoxLayout;
      row->setSpacing(6);
      QLabel* bullet = textLabel("・", UIType::body());
      bullet->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
      QLabel* label = textLabel(std::get<Item>(line).text, UIType::body());
      // One font in both: their tops aligned puts the first baselines together.
      row->addWidget(bullet, 0, Qt::AlignTop);
      row->addWidget(label, 1);
      layout->addLayout(row);
      labels_.emplace_back(bullet, &Palette::sub);
      labels_.emplace_back(label, &Palette::ink);
    }
  }
  layout->addStretch(1);
  setWidget(column);
  recolor();
}

bool ReleaseNotesView::event(QEvent* event) {
  // A switch of the appearance, or a scheme forced on a window around the view.
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
    recolor();
  }
  return QScrollArea::event(event);
}

void ReleaseNotesView::recolor() {
  if (recoloring_) return;
  recoloring_ = true;
  const ColorScheme scheme = Theme::schemeOf(this);
  // From the view's own palette, which follows the application's and any forced scheme.
  QPalette ground = palette();
  ground.setColor(QPalette::Window, palette_.ground.resolved(scheme));
  viewport()->setAutoFillBackground(true);
  viewport()->setPalette(ground);
  widget()->setAutoFillBackground(true);
  widget()->setPalette(ground);
  for (const auto& [label, role] : labels_) {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, (palette_.*role).resolved(scheme));
    label->setPalette(colours);
  }
  recoloring_ = false;
}

ReleaseNotesWindow& ReleaseNotesWindow::shared(const Config& config) {
  // Lives until the process ends, like the application's other windows.
  static ReleaseNotesWindow* window = new ReleaseNotesWindow(config);
  return *window;
}

ReleaseNotesWindow::ReleaseNotesWindow(const Config& config) : QWidget(nullptr, Qt::Window) {
  setObjectName(QStringLiteral("releaseNotesWindow"));
  setWindowTitle(L("改定履歴"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(
      new ReleaseNotesView(config.palette.value_or(defaultPalette), loadReleaseNotes(), this));
  auto* close = new QShortcut(QKeySequence::Close, this);
  connect(close, &QShortcut::activated, this, &QWidget::close);
  resize(560, 520);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void showReleaseNotes(const Config& config) {
  ReleaseNotesWindow& window = ReleaseNotesWindow::shared(config);
  window.show();
  window.raise();
  window.activateWindow();
}

}  // namespace StandardMenus
