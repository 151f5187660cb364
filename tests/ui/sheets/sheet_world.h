#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QVBoxLayout>

#include "app/app_scene.h"
#include "ui/sheets/sheet.h"
#include "ui/style/appearance.h"
#include "ui/style/material_symbols.h"
#include "ui/widgets/card_overlay.h"

// The look every test of the windows starts from.
inline void prepareLook() {
  MaterialSymbols::registerFont();
  Appearance::shared();
}

// Text as the input method hands it over when the user commits what they typed.
inline void commitText(QWidget* field, const QString& text) {
  QInputMethodEvent event;
  event.setCommitString(text);
  QApplication::sendEvent(field, &event);
}

// Text pasted from the clipboard with Ctrl+V.
inline void paste(QWidget* field, const QString& text) {
  QGuiApplication::clipboard()->setText(text);
  QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
}

// The confirmation a widget opened with QMessageBox::open(), once it shows.
inline QMessageBox* openedConfirmation(const QWidget* parent) {
  QMessageBox* box = nullptr;
  const bool shown = QTest::qWaitFor(
      [&] {
        for (QMessageBox* candidate : parent->findChildren<QMessageBox*>()) {
          if (candidate->isVisible()) box = candidate;
        }
        return box != nullptr;
      },
      2000);
  return shown ? box : nullptr;
}

// Clicks the confirmation's button labelled `text`; false when it has none.
inline bool answer(QMessageBox* box, const QString& text) {
  for (QAbstractButton* button : box->buttons()) {
    if (button->text() == text) {
      button->click();
      return true;
    }
  }
  return false;
}

// The texts of the labels named `name` that show inside `root`.
inline QStringList labelTexts(const QWidget* root, const QString& name) {
  QStringList texts;
  for (const QLabel* label : root->findChildren<QLabel*>(name)) {
    if (label->isVisibleTo(root)) texts << label->text();
  }
  return texts;
}

// A window like the main one: a word list, the window's Delete (removes the list's current row)
// and Ctrl+N (counted), and the card overlay over them. Cards show and go without animation.
class SheetHost : public QWidget {
 public:
  SheetHost() {
    setObjectName(QStringLiteral("host"));
    resize(1120, 620);
    auto* layout = new QVBoxLayout(this);
    table = new QListWidget(this);
    table->setObjectName(QStringLiteral("table"));
    table->addItems(
        {QStringLiteral("あ → 亜"), QStringLiteral("い → 伊"), QStringLiteral("う → 宇")});
    table->setCurrentRow(0);
    layout->addWidget(table);
    auto* deleteRow = new QAction(this);
    deleteRow->setShortcut(QKeySequence::Delete);
    addAction(deleteRow);
    connect(deleteRow, &QAction::triggered, this, [this] { delete table->currentItem(); });
    auto* addWord = new QAction(this);
    addWord->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    addAction(addWord);
    connect(addWord, &QAction::triggered, this, [this] { ++addWordCount; });
    overlay = new CardOverlay(this);
    overlay->setMotion({std::chrono::milliseconds(0), {}});
  }

  // Shows the window and makes it the active one, as shortcuts need.
  bool showActive() {
    show();
    QApplication::setActiveWindow(this);
    return QTest::qWaitForWindowActive(this);
  }

  // Shows `sheet` as the main window does: in the overlay, dismissed when it asks to close.
  template <class S>
  S* open(S* sheet) {
    QObject::connect(sheet, &Sheet::closeRequested, overlay, &CardOverlay::dismiss);
    overlay->show(sheet);
    return sheet;
  }

  QListWidget* table;
  CardOverlay* overlay;
  int addWordCount = 0;
};
