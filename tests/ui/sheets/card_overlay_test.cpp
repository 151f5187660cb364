#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalSpy>

#include "sheet_world.h"

namespace {

// A card with a field, two buttons and a shortcut of its own.
class Card : public QWidget {
 public:
  Card() {
    auto* layout = new QVBoxLayout(this);
    field = new QLineEdit(this);
    first = new QPushButton(QStringLiteral("一"), this);
    second = new QPushButton(QStringLiteral("二"), this);
    for (QWidget* w : {static_cast<QWidget*>(field), static_cast<QWidget*>(first),
                       static_cast<QWidget*>(second)}) {
      layout->addWidget(w);
    }
    auto* own = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    connect(own, &QShortcut::activated, this, [this] { ++ownShortcuts; });
  }
  QSize sizeHint() const override { return {400, 300}; }

  QLineEdit* field;
  QPushButton* first;
  QPushButton* second;
  int ownShortcuts = 0;
};

}  // namespace

class CardOverlayTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { prepareLook(); }

  void coversTheWindowAndCentresTheCard() {
    SheetHost host;
    QVERIFY(host.showActive());
    auto* card = new Card;
    host.overlay->show(card);
    QCOMPARE(host.overlay->geometry(), host.rect());
    QCOMPARE(host.overlay->cardGeometry(), QRect(360, 160, 400, 300));

    // A window smaller than the card keeps a margin around a smaller card.
    host.resize(300, 200);
    QCOMPARE(host.overlay->geometry(), QRect(0, 0, 300, 200));
    QCOMPARE(host.overlay->cardGeometry(), QRect(24, 24, 252, 152));

    // A widget added to the window later stays under the card.
    auto* late = new QLabel(QStringLiteral("後から"), &host);
    late->setGeometry(host.rect());
    late->show();
    QCOMPARE(host.childAt(150, 10), host.overlay);
  }

  // With a card up, nothing reaches the window behind it: its keys, its shortcuts, its clicks,
  // nor the focus. Once the card is gone the window answers again.
  void theWindowBehindTakesNoInput() {
    SheetHost host;
    QVERIFY(host.showActive());
    host.table->setFocus();
    auto* card = new Card;
    host.overlay->show(card);
    QCOMPARE(QApplication::focusWidget(), card);

    for (QWidget* focus : {static_cast<QWidget*>(card), static_cast<QWidget*>(card->first)}) {
      focus->setFocus();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::ControlModifier);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    }
    QCOMPARE(host.table->count(), 3);
    QCOMPARE(host.table->currentRow(), 0);
    QCOMPARE(host.addWordCount, 0);
    // The card's own shortcut still works.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(card->ownShortcuts, 1);

    // A click on the list lands on the scrim.
    const QPoint onTheList = host.table->mapTo(&host, QPoint(30, 30));
    QCOMPARE(host.childAt(onTheList), host.overlay);
    QTest::mouseClick(host.overlay, Qt::LeftButton, {}, onTheList);
    QCOMPARE(host.table->currentRow(), 0);

    // Tab goes round the card only, both ways; focus given to the list comes back to the card.
    card->field->setFocus();
    QList<QWidget*> visited;
    for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Backtab}) {
      QTest::keyClick(QApplication::focusWidget(), key);
      visited << QApplication::focusWidget();
    }
    QCOMPARE(visited, (QList<QWidget*>{card->first, card->second, card->field, card->second}));
    host.table->setFocus();
    QVERIFY(card->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == card);

    host.overlay->dismiss();
    QVERIFY(!host.overlay->isVisible());
    host.table->setFocus();
    QTest::keyClick(host.table, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(host.table, Qt::Key_Delete);
    QCOMPARE(host.addWordCount, 1);
    QCOMPARE(host.table->count(), 2);
  }

  void dismissingWaitsForTheAnimation() {
    SheetHost host;
    QVERIFY(host.showActive());
    host.overlay->setMotion({std::chrono::milliseconds(60), QEasingCurve()});
    QSignalSpy dismissed(host.overlay, &CardOverlay::dismissed);
    QPointer<Card> card = new Card;
    host.overlay->show(card);
    QCOMPARE(host.overlay->card(), card.data());

    host.overlay->dismiss();
    // Gone for input at once, gone from the screen after the animation.
    QCOMPARE(host.overlay->card(), nullptr);
    QVERIFY(!card->isEnabled());
    QVERIFY(host.overlay->isVisible());
    QCOMPARE(dismissed.count(), 0);
    QVERIFY(dismissed.wait(2000));
    QVERIFY(!host.overlay->isVisible());
    QTRY_VERIFY(card.isNull());
    QTest::keyClick(&host, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(host.addWordCount, 1);
  }

  // One card at a time: showing another replaces the first without a dismissal; a dismissal
  // that was under way is reported before the new card shows.
  void aNewCardReplacesTheOldOne() {
    SheetHost host;
    QVERIFY(host.showActive());
    QSignalSpy dismissed(host.overlay, &CardOverlay::dismissed);
    QPointer<Card> first = new Card, second = new Card, third = new Card;
    host.overlay->show(first);
    host.overlay->show(second);
    QCOMPARE(dismissed.count(), 0);
    QTRY_VERIFY(first.isNull());
    QCOMPARE(host.overlay->card(), second.data());

    host.overlay->setMotion({std::chrono::milliseconds(500), QEasingCurve()});
    host.overlay->dismiss();
    host.overlay->show(third);
    QCOMPARE(dismissed.count(), 1);
    QCOMPARE(host.overlay->card(), third.data());
    QVERIFY(third->isEnabled());
    QTRY_VERIFY(second.isNull());
  }
};

QTEST_MAIN(CardOverlayTest)
#include "card_overlay_test.moc"
