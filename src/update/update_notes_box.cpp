#include "update/update_notes_box.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "ui/widgets/themed_label.h"
#include "update/update_look.h"
#include "update/update_text.h"

namespace {

constexpr int boxHeight = 190;

ThemedLabel* text(const QString& value, const ThemeColor& color, const QFont& font,
                  QWidget* parent) {
  auto* label = new ThemedLabel(color, value, parent);
  label->setFont(font);
  label->setWordWrap(true);
  // Selected with the mouse and copied; Tab skips the texts for the buttons.
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

// The 1-pixel line between two sections.
class SectionLine : public QWidget {
 public:
  explicit SectionLine(QWidget* parent) : QWidget(parent) { setFixedHeight(1); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(rect(), UpdatePalette::current().line.in(this));
  }
};

}  // namespace

UpdateNotesBox::UpdateNotesBox(QWidget* parent) : QWidget(parent), area_(new QScrollArea(this)) {
  setObjectName(QStringLiteral("notes"));
  setFixedHeight(boxHeight);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(area_);
  area_->setFrameShape(QFrame::NoFrame);
  area_->setWidgetResizable(true);
  area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  // The box paints its own rounded surface; the area, its scroll bar and the text lie on it.
  area_->setAutoFillBackground(false);
  area_->viewport()->setAutoFillBackground(false);
  styleScrollBar();
  setNotes({}, false);
}

void UpdateNotesBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath surface;
  surface.addRoundedRect(QRectF(rect()), UpdateLook::cornerRadius, UpdateLook::cornerRadius);
  painter.fillPath(surface, UpdatePalette::current().surface.in(this));
}

void UpdateNotesBox::changeEvent(QEvent* event) {
  // A switch of the scheme arrives as a new palette.
  if (event->type() == QEvent::PaletteChange) styleScrollBar();
  QWidget::changeEvent(event);
}

void UpdateNotesBox::styleScrollBar() {
  // A slim handle on the box's own surface instead of a grey trough with arrows at its edge.
  QColor handle = UpdatePalette::current().sub.in(this);
  handle.setAlphaF(0.45f);
  area_->verticalScrollBar()->setStyleSheet(
      QStringLiteral(
          "QScrollBar:vertical { background: transparent; width: 12px; margin: 6px 4px 6px 0; }"
          "QScrollBar::handle:vertical { background: rgba(%1, %2, %3, %4); border-radius: 4px;"
          " min-height: 24px; }"
          "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
          "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
          .arg(handle.red())
          .arg(handle.green())
          .arg(handle.blue())
          .arg(handle.alpha()));
}

void UpdateNotesBox::setNotes(const QList<UpdateReleaseNote>& notes, bool loaded) {
  // Built whole and then put in: the scroll area shows it with everything in it at once.
  auto* content = new QWidget;
  auto* column = new QVBoxLayout(content);
  column->setContentsMargins(16, 12, 16, 12);
  column->setSpacing(6);
  const UpdatePalette palette = UpdatePalette::current();
  if (notes.isEmpty()) {
    const QString message =
        loaded ? UpdatePrompt::L(QStringLiteral("改定履歴は、ダウンロードページで見られます。"))
               : UpdatePrompt::L(QStringLiteral("改定履歴を読み込み中…"));
    auto* label = text(message, palette.ink, UpdateLook::font(13), content);
    label->setObjectName(QStringLiteral("notesMessage"));
    column->addWidget(label);
  }
  for (qsizetype i = 0; i < notes.size(); ++i) {
    if (i > 0) {
      column->addSpacing(10 - column->spacing());
      column->addWidget(new SectionLine(content));
      column->addSpacing(10 - column->spacing());
    }
    addSection(content, column, notes[i]);
  }
  column->addStretch(1);
  area_->setWidget(content);
  content->setAutoFillBackground(false);
}

void UpdateNotesBox::addSection(QWidget* content, QVBoxLayout* column,
                                const UpdateReleaseNote& note) {
  const UpdatePalette palette = UpdatePalette::current();
  auto* heading = new QHBoxLayout;
  heading->setSpacing(8);
  auto* version = text(note.version, palette.ink, UpdateLook::font(16, QFont::DemiBold), content);
  version->setObjectName(QStringLiteral("noteVersion"));
  version->setWordWrap(false);
  heading->addWidget(version, 0, Qt::AlignBottom);
  if (!note.date.isEmpty()) {
    auto* date = text(note.date, palette.sub, UpdateLook::font(13), content);
    date->setObjectName(QStringLiteral("noteDate"));
    heading->addWidget(date, 1, Qt::AlignBottom);
  } else {
    heading->addStretch(1);
  }
  column->addLayout(heading);
  for (const QString& item : note.items) {
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    row->addWidget(text(QStringLiteral("•"), palette.sub, UpdateLook::font(13), content), 0,
                   Qt::AlignTop);
    auto* label = text(item, palette.ink, UpdateLook::font(13), content);
    label->setObjectName(QStringLiteral("noteItem"));
    row->addWidget(label, 1);
    column->addLayout(row);
  }
}
