// The main window driven through its real widgets over a real model on a temporary world.
#include "ui/main/main_window.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>

#include "background/app_info.h"
#include "background/notifier.h"
#include "main_scene.h"
#include "master/master_store_error.h"
#include "ui/main/main_panel.h"
#include "ui/main/root_view.h"
#include "ui/main/sidebar.h"
#include "ui/main/word_table.h"
#include "ui/settings/settings_window.h"
#include "ui/setup/setup_view.h"
#include "ui/sheets/edit_sheet.h"
#include "ui/style/m_icon.h"
#include "ui/style/styled_button.h"
#include "ui/widgets/card_overlay.h"

namespace {

QString q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QStringList bannerTexts(QWidget* window) {
  QStringList texts;
  for (QLabel* label : window->findChildren<QLabel*>(QStringLiteral("bannerText"))) {
    texts << label->text();
  }
  return texts;
}

// The readings shown, top to bottom.
QStringList readings(const WordTable* table) {
  QStringList shown;
  for (int row = 0; row < table->model()->rowCount(); ++row) {
    shown << table->model()->index(row, WordTableModel::reading).data().toString();
  }
  return shown;
}

// Opens the table's context menu on `row` (-1: below the rows) and returns it.
QMenu* rowMenu(WordTable* table, int row) {
  if (row >= 0) table->scrollTo(table->model()->index(row, 0));
  const QPoint at = row < 0 ? QPoint(10, table->viewport()->height() - 5)
                            : table->visualRect(table->model()->index(row, 0)).center();
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, table->viewport()->mapToGlobal(at));
  QCoreApplication::sendEvent(table->viewport(), &event);
  auto* menu = table->parentWidget()->findChild<QMenu*>(QStringLiteral("rowMenu"));
  if (menu != nullptr) menu->setObjectName(QStringLiteral("rowMenuSeen"));
  return menu;
}

// Types text as a keyboard whose input method committed it, one character at a time.
void type(QWidget* field, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(field, &press);
  }
}

QMessageBox* question(QWidget* window, const char* name) {
  return window->findChild<QMessageBox*>(QString::fromLatin1(name));
}

// Clicks the button titled `button`.
void answer(QMessageBox* box, const QString& button) {
  for (QAbstractButton* candidate : box->buttons()) {
    if (candidate->text() == button) candidate->click();
  }
  QCoreApplication::processEvents();
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

  std::optional<Scene> scene;
  std::unique_ptr<AppModel> model;
  std::unique_ptr<MainWindow> window;

  RootView* root() { return window->rootView(); }
  MainPanel* panel() { return root()->mainPanel(); }
  WordTable* table() { return panel()->table(); }
  QListWidget* dictionaries() { return root()->sidebar()->dictionaryList(); }
  template <typename T>
  T* find(const char* name) {
    return window->findChild<T*>(QString::fromLatin1(name));
  }

  // 人名 名0…名11, 地名 地0…地4, reflected; the window shown.
  void open(std::unique_ptr<AppModel> made) {
    QVERIFY(made);
    model = std::move(made);
    window = std::make_unique<MainWindow>(*model);
    root()->cardOverlay()->setMotion({std::chrono::milliseconds(0), {}});
    window->show();
    QApplication::setActiveWindow(window.get());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
  }
  void openUpToDate() { open(MainScene::upToDate(*scene)); }

  QMenu* dictionaryMenu(int row) {
    emit dictionaries()->customContextMenuRequested(
        dictionaries()->visualItemRect(dictionaries()->item(row)).center());
    auto* menu = root()->sidebar()->findChild<QMenu*>(QStringLiteral("dictionaryMenu"));
    if (menu != nullptr) menu->setObjectName(QStringLiteral("dictionaryMenuSeen"));
    return menu;
  }

 private slots:
  void initTestCase() { MainScene::prepareLook(); }
  void init() { scene.emplace(); }
  void cleanup() {
    window.reset();
    if (model) QVERIFY(Scene::settle(*model));
    model.reset();
    scene.reset();
  }

  void theStateOfThisComputerShowsInTheSidebarAndAsABanner_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("banner");
    QTest::newRow("up to date") << 0 << "マスターどおりです"
                                << "check_circle" << QString();
    QTest::newRow("local edits")
        << 1 << "直接変更した語があります"
        << "warning"
        << "このパソコンで直接変更した語が 1語あります。上書きせずに、反映を保留しています";
    QTest::newRow("big change")
        << 2 << "大きな変更で停止しています"
        << "warning"
        << "大きな変更なので反映を停止しました（語が 10 から 2 に減ります）";
    QTest::newRow("master problem")
        << 3 << "マスターに問題があります"
        << "warning"
        << "マスターに問題があるので反映を停止しています\n人名: よみ → 読み: 同じ語が 2つあります";
    QTest::newRow("failed") << 4 << "反映できませんでした"
                            << "warning"
                            << "反映できませんでした: Mozc "
                               "のユーザー辞書がまだありません。辞書ツールで語を1つ登録してから、"
                               "もう一度お試しください";
    QTest::newRow("tool open") << 5 << "辞書ツールを閉じると反映します"
                               << "warning"
                               << "辞書ツール（または環境設定）が開いています。閉じると反映します";
  }
  void theStateOfThisComputerShowsInTheSidebarAndAsABanner() {
    QFETCH(int, kind);
    QFETCH(QString, summary);
    QFETCH(QString, icon);
    QFETCH(QString, banner);
    using Maker = std::unique_ptr<AppModel> (*)(Scene&);
    const Maker makers[] = {MainScene::upToDate,      MainScene::localEdits, MainScene::bigChange,
                            MainScene::masterProblem, MainScene::failed,     MainScene::toolOpen};
    open(makers[kind](*scene));
    QCOMPARE(find<QLabel>("stateSummary")->text(), summary);
    QCOMPARE(find<MIcon>("stateIcon")->name(), icon);
    QCOMPARE(bannerTexts(window.get()), banner.isEmpty() ? QStringList() : QStringList{banner});
    // Only a reflect that wrote or found nothing to write dates the last reflect.
    QCOMPARE(find<QLabel>("lastApplied")->isVisible(), model->lastAppliedAt().has_value());
  }

  void conflictCopiesShareOneBanner() {
    scene->writeMaster("人名", words("名", 2));
    platform::writeAtomically(scene->master / u8("人名 (競合コピー).txt"), "よみ\t読み\t名詞\n");
    platform::writeAtomically(scene->master / u8("人名 のコンフリクト.txt"), "よみ\t読み\t名詞\n");
    open(scene->model());
    QCOMPARE(bannerTexts(window.get()),
             QStringList{"マスターに競合コピーがあります（人名 (競合コピー).txt、人名 "
                         "のコンフリクト.txt）。内容を確認して、不要なら削除してください"});
  }

  void aFailedMoveIsAClosableErrorAboveTheState() {
    scene->writeMaster("地名", words("地", 2));
    open(MainScene::localEdits(*scene));
    const QString state = bannerTexts(window.get()).value(0);
    // Another computer changes 人名 after this window read it.
    scene->writeMaster("人名", words("他", 3));
    table()->selectPositions({0});
    QMenu* menu = rowMenu(table(), 0);
    QVERIFY(menu);
    QAction* toPlaces = menu->findChild<QMenu*>(QStringLiteral("moveMenu"))->actions().at(1);
    QCOMPARE(toPlaces->text(), QStringLiteral("地名"));
    toPlaces->trigger();

    const QString changed =
        q(MasterStoreError(MasterStoreError::ChangedElsewhere{{"人名"}}).what());
    QCOMPARE(bannerTexts(window.get()), (QStringList{changed, state}));
    QCOMPARE(root()->actionError(), std::optional<std::string>(changed.toStdString()));
    // The model reloaded: the table shows the other computer's words.
    QCOMPARE(readings(table()).first(), QStringLiteral("よみ0"));
    QCOMPARE(table()->rows().entry(0).word, "他0");

    QTest::mouseClick(find<QPushButton>("closeActionError"), Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(bannerTexts(window.get()), QStringList{state});
    QCOMPARE(root()->actionError(), std::nullopt);
  }

  void bannerActions() {
    open(MainScene::bigChange(*scene));
    QTest::mouseClick(find<QPushButton>("confirmBigChange"), Qt::LeftButton);
    QMessageBox* box = question(window.get(), "bigChangeConfirmation");
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("このパソコンの辞書に反映しますか？"));
    QCOMPARE(box->informativeText().split('\n').size(), 8);
    QCOMPARE(box->informativeText().split('\n').first(),
             QStringLiteral("− 人名　よみ2 → 名2（名詞）"));
    answer(box, QStringLiteral("反映"));
    QVERIFY(Scene::settle(*model));
    QVERIFY(model->state().isOK());
    QCOMPARE(bannerTexts(window.get()), QStringList());
  }

  void reviewingDirectEditsOpensTheirSheet() {
    open(MainScene::localEdits(*scene));
    QSignalSpy changed(root(), &RootView::overlayChanged);
    QTest::mouseClick(find<QPushButton>("reviewLocalEdits"), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(root()->overlay(), std::optional<Overlay>(Overlay::localEdits()));
  }

  void deletingRowsAsksFirstAndListsEight() {
    openUpToDate();
    table()->selectPositions({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    QCOMPARE(find<QLabel>("headerSelection")->text(), QStringLiteral("10語を選択中"));
    table()->setFocus();
    QTest::keyClick(table(), Qt::Key_Delete);
    QMessageBox* box = question(window.get(), "rowDeletionConfirmation");
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("10語を削除しますか？"));
    QCOMPARE(box->informativeText(),
             QStringLiteral("よみ0 → 名0\nよみ1 → 名1\nよみ2 → 名2\nよみ3 → 名3\nよみ4 → 名4\n"
                            "よみ5 → 名5\nよみ6 → 名6\nよみ7 → 名7\nほか 2語\n\n"
                            "ほかのパソコンの辞書からも削除されます"));
    answer(box, QStringLiteral("削除"));
    QCOMPARE(scene->masterWords("人名"), (Words{words("名", 12)[10], words("名", 12)[11]}));
    QCOMPARE(find<QLabel>("headerCount")->text(), QStringLiteral("7語"));
    // The words that took the deleted ones' places were never chosen.
    QCOMPARE(table()->selectedCount(), 0u);

    // One row, from its menu; cancelled.
    QMenu* menu = rowMenu(table(), 0);
    QVERIFY(menu);
    QCOMPARE(menu->findChild<QAction*>(QStringLiteral("deleteRowsAction"))->text(),
             QStringLiteral("削除…"));
    menu->findChild<QAction*>(QStringLiteral("deleteRowsAction"))->trigger();
    box = question(window.get(), "rowDeletionConfirmation");
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("「よみ10 → 名10」を削除しますか？"));
    QCOMPARE(box->informativeText(), QStringLiteral("ほかのパソコンの辞書からも削除されます"));
    answer(box, QStringLiteral("キャンセル"));
    QCOMPARE(scene->masterWords("人名").size(), 2u);

    // A row deleted from its own menu, outside the selection: the selected word after it keeps
    // its selection at its new place.
    table()->selectPositions({3});
    QCOMPARE(table()->rows().entry(3).word, std::string("地1"));
    rowMenu(table(), 2)->findChild<QAction*>(QStringLiteral("deleteRowsAction"))->trigger();
    answer(question(window.get(), "rowDeletionConfirmation"), QStringLiteral("削除"));
    QCOMPARE(table()->selectedIds(), std::vector<std::string>{"地名#0"});
    QCOMPARE(table()->rows().entry(table()->selectedPositions().front()).word, std::string("地1"));
  }

  void returnOpensTheSheetForExactlyOneRow() {
    openUpToDate();
    table()->setFocus();
    table()->selectPositions({1, 3});
    QTest::keyClick(table(), Qt::Key_Return);
    QCOMPARE(root()->overlay(), std::nullopt);

    table()->selectPositions({3});
    QTest::keyClick(table(), Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(root()->overlay());
    const auto* target = std::get_if<EditTarget>(&root()->overlay()->value);
    QVERIFY(target);
    QCOMPARE(target->row->id(), std::string("人名#3"));
    QCOMPARE(target->dictionary, std::string("人名"));

    auto* sheet = qobject_cast<EditSheet*>(root()->cardOverlay()->card());
    QVERIFY(sheet);
    QCOMPARE(sheet->target().id, target->id);

    // While the sheet is up the window's commands do nothing, whether the keys reach the
    // window or the table behind the card.
    QVERIFY(!find<StyledButton>("addWordButton")->isEnabled());
    const Overlay open = *root()->overlay();
    QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(QApplication::focusWidget() != panel()->searchField());
    for (QWidget* receiver :
         {static_cast<QWidget*>(window.get()), static_cast<QWidget*>(table())}) {
      QTest::keyClick(receiver, Qt::Key_Delete);
      QTest::keyClick(receiver, Qt::Key_Return);
    }
    QCOMPARE(question(window.get(), "rowDeletionConfirmation"), nullptr);
    QCOMPARE(root()->overlay(), std::optional<Overlay>(open));
    QCOMPARE(scene->masterWords("人名").size(), 12u);

    // The sheet's own cancel closes it; the keyboard is back on the words.
    QTest::mouseClick(sheet->findChild<QPushButton*>(QStringLiteral("cancel")), Qt::LeftButton);
    QCOMPARE(root()->overlay(), std::nullopt);
    QCOMPARE(root()->cardOverlay()->card(), nullptr);
    QVERIFY(find<StyledButton>("addWordButton")->isEnabled());
    QCOMPARE(QApplication::focusWidget(), table());
  }

  void aDictionaryAddedInItsSheetIsShown() {
    openUpToDate();
    QTest::mouseClick(find<StyledButton>("addDictionaryButton"), Qt::LeftButton);
    QWidget* sheet = root()->cardOverlay()->card();
    QCOMPARE(sheet->objectName(), QStringLiteral("addDictionarySheet"));
    type(sheet->findChild<QLineEdit*>(QStringLiteral("name")), QStringLiteral("新しい辞書"));
    QTest::mouseClick(sheet->findChild<QPushButton*>(QStringLiteral("add")), Qt::LeftButton);
    QCOMPARE(root()->overlay(), std::nullopt);
    QCOMPARE(model->selection(), std::optional<std::string>("新しい辞書"));
    QCOMPARE(dictionaries()->currentItem()->text(), QStringLiteral("新しい辞書"));
    QCOMPARE(find<QLabel>("headerTitle")->text(), QStringLiteral("新しい辞書"));
  }

  void theSetupFillsTheWindowWhileTheModelAsks() {
    scene->writeMaster("人名", words("名", 2));
    scene->writeDictionary({});
    open(scene->model(false));
    QVERIFY(qobject_cast<SetupView*>(root()->setupPage()));
    QVERIFY(root()->setupPage()->isVisible());
    QVERIFY(!root()->splitter()->isVisible());

    QCOMPARE(model->completeSetup(scene->master, AppModel::SetupStart::fromFolder, false),
             std::nullopt);
    QCOMPARE(root()->setupPage(), nullptr);
    QVERIFY(root()->splitter()->isVisible());
    QCOMPARE(find<QLabel>("headerCount")->text(), QStringLiteral("2語"));

    // Changing the folder later shows a fresh setup, and a cancelled change the words again.
    model->setChoosingFolder(true);
    QVERIFY(root()->setupPage()->isVisible());
    model->setChoosingFolder(false);
    QVERIFY(root()->splitter()->isVisible());
  }

  void addingAWordStartsInTheShownDictionary() {
    openUpToDate();
    QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(root()->overlay());
    QCOMPARE(std::get<EditTarget>(root()->overlay()->value).dictionary, std::string());
    const QString first = root()->overlay()->id();
    root()->setOverlay(std::nullopt);

    model->setSelection("地名");
    QTest::mouseClick(find<StyledButton>("addWordButton"), Qt::LeftButton);
    const auto& target = std::get<EditTarget>(root()->overlay()->value);
    QCOMPARE(target.dictionary, std::string("地名"));
    QCOMPARE(target.row, std::nullopt);
    QVERIFY(root()->overlay()->id() != first);
  }

  void withoutAMasterNothingCanBeAdded() {
    scene->writeMaster("人名", words("名", 2));
    open(scene->model());
    platform::writeAtomically(scene->master / u8("人名.txt"), "よみだけ\n");
    auto fresh = std::make_unique<AppModel>(scene->context());
    fresh->reload();
    QVERIFY(fresh->loadError());
    window = std::make_unique<MainWindow>(*fresh);
    model.swap(fresh);
    QVERIFY(!find<StyledButton>("addWordButton")->isEnabled());
    QCOMPARE(bannerTexts(window.get()), QStringList{q(*model->loadError())});
    QMenu* menu = rowMenu(table(), -1);
    QVERIFY(menu);
    QVERIFY(!menu->findChild<QAction*>(QStringLiteral("addWordMenuAction"))->isEnabled());
  }

  void theSelectionIsKeptByIdAcrossReloadsAndSorts() {
    openUpToDate();
    table()->selectPositions({2, 5, 6, 14});
    QCOMPARE(table()->selectedIds(),
             (std::vector<std::string>{"人名#2", "人名#5", "人名#6", "地名#2"}));
    // Another computer adds a dictionary before both and a word to 人名: positions move, ids stay.
    scene->writeMaster("あ", words("あ", 3));
    scene->writeMaster("人名", words("名", 13));
    model->reload();
    QCOMPARE(table()->selectedIds(),
             (std::vector<std::string>{"人名#2", "人名#5", "人名#6", "地名#2"}));
    QCOMPARE(table()->selectedCount(), 4u);

    table()->sortBy(WordTableModel::reading, Qt::DescendingOrder);
    std::vector<std::string> sorted = table()->selectedIds();
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(sorted, (std::vector<std::string>{"人名#2", "人名#5", "人名#6", "地名#2"}));

    // Another dictionary shows: only its rows of the selection remain.
    model->setSelection("人名");
    QCOMPARE(table()->selectedCount(), 3u);
  }

  void headersSortTheRows() {
    scene->writeMaster(
        "人名", {{"さとう", "佐藤", 6, "b"}, {"あべ", "阿部", 5, "c"}, {"かとう", "加藤", 7, "a"}});
    scene->writeMaster("地名", {{"いわて", "岩手", 9, ""}});
    open(scene->model());
    QHeaderView* header = table()->horizontalHeader();
    const auto click = [&](int column) {
      QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                        QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
    };
    QCOMPARE(readings(table()), (QStringList{"さとう", "あべ", "かとう", "いわて"}));
    click(WordTableModel::reading);
    QCOMPARE(readings(table()), (QStringList{"あべ", "いわて", "かとう", "さとう"}));
    click(WordTableModel::reading);
    QCOMPARE(readings(table()), (QStringList{"さとう", "かとう", "いわて", "あべ"}));
    click(WordTableModel::comment);
    QCOMPARE(readings(table()), (QStringList{"いわて", "かとう", "さとう", "あべ"}));
    click(WordTableModel::chevron);
    QCOMPARE(readings(table()), (QStringList{"いわて", "かとう", "さとう", "あべ"}));
    // The order survives a new snapshot; -1 brings back the master's order.
    scene->writeMaster("地名", {{"あおもり", "青森", 9, "z"}});
    model->reload();
    QCOMPARE(readings(table()), (QStringList{"かとう", "さとう", "あべ", "あおもり"}));
    table()->sortBy(-1, Qt::AscendingOrder);
    QCOMPARE(readings(table()), (QStringList{"さとう", "あべ", "かとう", "あおもり"}));
  }

  void theDictionaryColumnOnlyForAllDictionaries() {
    openUpToDate();
    QVERIFY(!table()->isColumnHidden(WordTableModel::dictionary));
    model->setSelection("地名");
    QVERIFY(table()->isColumnHidden(WordTableModel::dictionary));
    QCOMPARE(find<QLabel>("headerTitle")->text(), QStringLiteral("地名"));
    QCOMPARE(find<QLabel>("headerCount")->text(), QStringLiteral("5語"));
  }

  void theMoveSubmenu() {
    openUpToDate();
    QCOMPARE(model->addDictionary("空"), std::nullopt);
    model->setSelection(std::nullopt);
    const auto moveTargets = [](QMenu* menu) {
      QStringList enabled;
      for (QAction* action : menu->findChild<QMenu*>(QStringLiteral("moveMenu"))->actions()) {
        enabled << action->text() + (action->isEnabled() ? "" : " (off)");
      }
      return enabled;
    };
    table()->selectPositions({1, 2});
    QMenu* menu = rowMenu(table(), 1);
    QCOMPARE(menu->findChild<QMenu*>(QStringLiteral("moveMenu"))->title(),
             QStringLiteral("2語を辞書へ移動"));
    QCOMPARE(menu->findChild<QAction*>(QStringLiteral("deleteRowsAction"))->text(),
             QStringLiteral("2語を削除…"));
    QCOMPARE(menu->findChild<QAction*>(QStringLiteral("editAction")), nullptr);
    QCOMPARE(moveTargets(menu), (QStringList{"人名 (off)", "地名", "空"}));

    // A click outside the selection is about that row alone.
    menu = rowMenu(table(), 13);
    QCOMPARE(menu->findChild<QMenu*>(QStringLiteral("moveMenu"))->title(),
             QStringLiteral("辞書へ移動"));
    QVERIFY(menu->findChild<QAction*>(QStringLiteral("editAction")));
    QCOMPARE(moveTargets(menu), (QStringList{"人名", "地名 (off)", "空"}));

    table()->selectPositions({1, 13});
    menu = rowMenu(table(), 13);
    QCOMPARE(moveTargets(menu), (QStringList{"人名", "地名", "空"}));
    menu->findChild<QMenu*>(QStringLiteral("moveMenu"))->actions().at(2)->trigger();
    QCOMPARE(scene->masterWords("空"), (Words{words("名", 2)[1], words("地", 2)[1]}));
    QCOMPARE(root()->actionError(), std::nullopt);
    QCOMPARE(model->pendingDictionaries(), std::vector<std::string>());
    QCOMPARE(table()->selectedCount(), 0u);
  }

  void theEmptyStates() {
    open(scene->model());
    QLabel* empty = table()->emptyLabel();
    QVERIFY(empty->isVisible());
    QCOMPARE(empty->text(), QStringLiteral("語がありません"));
    // A dim hint, also on the table's viewport, whose labels draw in another role.
    QColor hint = Theme::ink.in(empty);
    hint.setAlphaF(0.3f);
    QCOMPARE(empty->palette().color(empty->foregroundRole()), hint);

    scene->writeMaster("人名", words("名", 2));
    model->reload();
    QVERIFY(!empty->isVisible());
    type(panel()->searchField(), QStringLiteral("ない語"));
    QCOMPARE(model->query(), std::string("ない語"));
    QVERIFY(empty->isVisible());
    QCOMPARE(empty->text(), QStringLiteral("「ない語」に一致する語はありません"));

    find<QAction>("clearSearch")->trigger();
    QCOMPARE(model->query(), std::string());
    QCOMPARE(panel()->searchField()->text(), QString());
    QVERIFY(!find<QAction>("clearSearch")->isVisible());
    QVERIFY(!empty->isVisible());
  }

  void aPendingDictionary() {
    openUpToDate();
    QCOMPARE(model->addDictionary("試し"), std::nullopt);
    QCOMPARE(dictionaries()->count(), 4);
    QCOMPARE(dictionaries()->item(3)->text(), QStringLiteral("試し"));
    QCOMPARE(dictionaries()->item(3)->data(Qt::UserRole + 1).toString(), QStringLiteral("未保存"));
    QCOMPARE(dictionaries()->item(1)->data(Qt::UserRole + 1).toString(), QStringLiteral("12"));
    QCOMPARE(dictionaries()->currentRow(), 3);
    QCOMPARE(
        table()->emptyLabel()->text(),
        QStringLiteral("まだ語がありません。「語を追加」で最初の語を保存すると、辞書ができます"));

    find<QAction>("deleteDictionaryAction")->trigger();
    QMessageBox* box = question(window.get(), "dictionaryDeletionConfirmation");
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("辞書「試し」を削除しますか？"));
    QCOMPARE(box->informativeText(), QStringLiteral("まだ語のない辞書です"));
    answer(box, QStringLiteral("削除"));
    QCOMPARE(model->pendingDictionaries(), std::vector<std::string>());
    QCOMPARE(dictionaries()->count(), 3);
    QCOMPARE(dictionaries()->currentRow(), 0);
  }

  void deletingADictionaryFromTheSidebar() {
    openUpToDate();
    QMenu* menu = dictionaryMenu(2);
    QVERIFY(menu);
    QAction* remove = menu->findChild<QAction*>(QStringLiteral("deleteDictionaryAction"));
    QVERIFY(remove->isEnabled());
    remove->trigger();
    QMessageBox* box = question(window.get(), "dictionaryDeletionConfirmation");
    QCOMPARE(box->text(), QStringLiteral("辞書「地名」を削除しますか？"));
    QCOMPARE(box->informativeText(),
             QStringLiteral("中の 5 語も削除されます。ほかのパソコンの辞書からも削除されます。"
                            "マスターの履歴にバックアップを残します"));
    answer(box, QStringLiteral("削除"));
    QCOMPARE(model->dictionaryNames(), std::vector<std::string>{"人名"});
    QVERIFY(Scene::settle(*model));

    // The last dictionary cannot go, from either menu.
    menu = dictionaryMenu(1);
    QVERIFY(!menu->findChild<QAction*>(QStringLiteral("deleteDictionaryAction"))->isEnabled());
    model->setSelection("人名");
    QVERIFY(!panel()->findChild<QAction*>(QStringLiteral("deleteDictionaryAction"))->isEnabled());
  }

  void arrowKeysWalkTheDictionariesAndStopAtTheEnds() {
    openUpToDate();
    dictionaries()->setFocus();
    QTest::keyClick(dictionaries(), Qt::Key_Up);
    QCOMPARE(model->selection(), std::nullopt);
    QTest::keyClick(dictionaries(), Qt::Key_Down);
    QCOMPARE(model->selection(), std::optional<std::string>("人名"));
    QTest::keyClick(dictionaries(), Qt::Key_Down);
    QTest::keyClick(dictionaries(), Qt::Key_Down);
    QCOMPARE(model->selection(), std::optional<std::string>("地名"));
    QCOMPARE(find<QLabel>("headerTitle")->text(), QStringLiteral("地名"));
    QTest::keyClick(dictionaries(), Qt::Key_Up);
    QTest::keyClick(dictionaries(), Qt::Key_Up);
    QCOMPARE(model->selection(), std::nullopt);
    QCOMPARE(find<QLabel>("headerTitle")->text(), QStringLiteral("すべての辞書"));
  }

  void theSidebarsReflectButtonAndNotes() {
    openUpToDate();
    auto* reflect = find<StyledButton>("syncButton");
    QCOMPARE(reflect->text(), QStringLiteral("今すぐ反映"));
    scene->writeMaster("地名", words("地", 6));
    QTest::mouseClick(reflect, Qt::LeftButton);
    QCOMPARE(reflect->text(), QStringLiteral("反映しています…"));
    QCOMPARE(model->count("地名"), std::optional<std::size_t>(6));
    QVERIFY(Scene::settle(*model));
    QCOMPARE(reflect->text(), QStringLiteral("今すぐ反映"));
    QVERIFY(find<QLabel>("lastApplied")->text().startsWith(QStringLiteral("最後に反映 ")));

    QVERIFY(find<QLabel>("autoSyncOffNote")->isVisible());
    QVERIFY(!find<QLabel>("autoSyncErrorNote")->isVisible());
    model->setAutoSync(true);
    QVERIFY(!find<QLabel>("autoSyncOffNote")->isVisible());
    QCOMPARE(find<QLabel>("settingsShortcutNote")->text(), QStringLiteral("Ctrl+, でも開きます"));

    // Without a session bus the notifier is off, and says so.
    Notifier notifier;
    Sidebar sidebar(*model, notifier);
    auto* off = sidebar.findChild<QLabel*>(QStringLiteral("notificationsOffNote"));
    notifier.prepare();
    sidebar.show();
    QVERIFY(off->isVisible());
    QCOMPARE(off->text(), QStringLiteral("通知がオフです。反映が停止しても通知されません"));

    SettingsWindow::shared().setModel(model.get());
    QTest::mouseClick(find<StyledButton>("openSettingsButton"), Qt::LeftButton);
    QVERIFY(SettingsWindow::shared().isVisible());
    SettingsWindow::shared().close();
  }

  void controlFFindsTheSearchField() {
    openUpToDate();
    table()->setFocus();
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), panel()->searchField());
    QCOMPARE(panel()->searchField()->placeholderText(),
             QStringLiteral("よみ・単語・コメントで探す（Ctrl+F）"));
    type(panel()->searchField(), QStringLiteral("よみ1"));
    QCOMPARE(find<QLabel>("headerCount")->text(), QStringLiteral("4語"));
  }

  void theWindow() {
    openUpToDate();
    QCOMPARE(window->size(), QSize(1120, 620));
    QCOMPARE(window->windowTitle(), q(AppInfo::name()));
    QCOMPARE(window->palette().color(QPalette::Window), Theme::ground.in(window.get()));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
