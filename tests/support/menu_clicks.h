#pragma once

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QTest>

// Menus as the tests read and use them: through the real menu bar, as a user does.
namespace MenuClicks {

// Titles of a menu's items with their shortcuts, "---" for a separator.
inline QStringList layout(const QMenu* menu) {
  QStringList items;
  for (const QAction* action : menu->actions()) {
    if (action->isSeparator()) {
      items << QStringLiteral("---");
    } else if (action->shortcut().isEmpty()) {
      items << action->text();
    } else {
      items << action->text() + u' ' + action->shortcut().toString();
    }
  }
  return items;
}

inline QAction* titled(const QMenu* menu, const QString& title) {
  for (QAction* action : menu->actions()) {
    if (action->text() == title) return action;
  }
  return nullptr;
}

// Clicks the item `title` of `menu`, which the menu bar opens first.
inline void choose(QMenuBar* bar, QMenu* menu, const QString& title) {
  QVERIFY(menu != nullptr);
  QAction* item = titled(menu, title);
  QVERIFY2(item != nullptr, qPrintable(title));
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
  QTRY_VERIFY(menu->isVisible());
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
  QTRY_VERIFY(!menu->isVisible());
}

}  // namespace MenuClicks
