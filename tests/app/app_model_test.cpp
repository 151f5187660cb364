#include <QTest>

#include "app_scene.h"
#include "background/launch_agent.h"
#include "master/master_store.h"
#include "master/master_store_error.h"
#include "sync/sync_error.h"
#include "sync/sync_lock.h"

using Lists = std::map<std::string, Words>;

namespace {

EntryRow row(std::string dictionary, std::size_t index, std::string prefix) {
  return {std::move(dictionary), index, words(prefix, static_cast<int>(index) + 1).back()};
}

Words without(Words list, std::vector<std::size_t> positions) {
  std::sort(positions.rbegin(), positions.rend());
  for (std::size_t p : positions) list.erase(list.begin() + static_cast<std::ptrdiff_t>(p));
  return list;
}

Words plus(Words list, const Words& more) {
  list.insert(list.end(), more.begin(), more.end());
  return list;
}

const DictEntry added{"ついか", "追加", 2, "メモ"};

}  // namespace

class AppModelTest : public QObject {
  Q_OBJECT

  std::optional<Scene> scene;
  std::unique_ptr<AppModel> model;

  // A has a0…a9, B b0…b2, C c0.
  void threeDictionaries() {
    scene->writeMaster("A", words("a", 10));
    scene->writeMaster("B", words("b", 3));
    scene->writeMaster("C", words("c", 1));
    scene->writeDictionary({});
  }
  Lists onDisk() const {
    return {{"A", scene->masterWords("A")},
            {"B", scene->masterWords("B")},
            {"C", scene->masterWords("C")}};
  }
  std::string failure(MasterStoreError::Case error) const { return MasterStoreError(error).what(); }

 private slots:
  void init() { scene.emplace(); }
  void cleanup() {
    if (model) QVERIFY(Scene::settle(*model));
    model.reset();
    scene.reset();
  }

  void commitWritesTheWholeChangeAtOnce_data() {
    QTest::addColumn<AppModel::Change>("change");
    QTest::addColumn<Lists>("expected");
    const Words a = words("a", 10), b = words("b", 3), c = words("c", 1);
    QTest::newRow("add") << AppModel::Change{AppModel::Add{{added}, "B"}}
                         << Lists{{"A", a}, {"B", plus(b, {added})}, {"C", c}};
    QTest::newRow("delete 3 and 7")
        << AppModel::Change{AppModel::Delete{
               {row("A", 3, "a"), row("A", 7, "a"), row("B", 0, "b")}}}
        << Lists{{"A", without(a, {3, 7})}, {"B", without(b, {0})}, {"C", c}};
    QTest::newRow("delete 7 before 3")
        << AppModel::Change{AppModel::Delete{{row("A", 7, "a"), row("A", 3, "a")}}}
        << Lists{{"A", without(a, {3, 7})}, {"B", b}, {"C", c}};
    QTest::newRow("a row given twice goes once")
        << AppModel::Change{AppModel::Delete{{row("A", 4, "a"), row("A", 4, "a")}}}
        << Lists{{"A", without(a, {4})}, {"B", b}, {"C", c}};
    Words edited = a;
    edited[2] = added;
    QTest::newRow("edit in place") << AppModel::Change{AppModel::Edit{row("A", 2, "a"), added, "A"}}
                                   << Lists{{"A", edited}, {"B", b}, {"C", c}};
    QTest::newRow("edit that moves")
        << AppModel::Change{AppModel::Edit{row("A", 2, "a"), added, "B"}}
        << Lists{{"A", without(a, {2})}, {"B", plus(b, {added})}, {"C", c}};
    QTest::newRow("move in the order given")
        << AppModel::Change{AppModel::Move{{row("B", 2, "b"), row("C", 0, "c"), row("A", 0, "a")},
                                           "C"}}
        << Lists{{"A", without(a, {0})}, {"B", without(b, {2})}, {"C", plus(c, {b[2], a[0]})}};
  }
  void commitWritesTheWholeChangeAtOnce() {
    QFETCH(AppModel::Change, change);
    QFETCH(Lists, expected);
    threeDictionaries();
    model = scene->model();
    QSignalSpy written(model.get(), &AppModel::masterChanged);

    QCOMPARE(model->commit(change), std::nullopt);
    QCOMPARE(onDisk(), expected);
    for (const auto& [name, list] : expected) QCOMPARE(model->master()->file(name)->entries, list);
    // One write: one snapshot taken, every replaced file in one history folder.
    QCOMPARE(written.count(), 1);
    const fs::path history = MasterStore::historyDir(scene->master);
    QCOMPARE(std::distance(fs::directory_iterator(history), fs::directory_iterator()), 1);
    QVERIFY(model->isSyncing());
  }

  void aMoveWithinItsDictionaryDoesNothing() {
    threeDictionaries();
    model = scene->model();
    QSignalSpy written(model.get(), &AppModel::masterChanged);
    QCOMPARE(model->commit(AppModel::Move{{row("A", 1, "a"), row("A", 2, "a")}, "A"}),
             std::nullopt);
    QCOMPARE(written.count(), 0);
    QVERIFY(!model->isSyncing());
    QVERIFY(!fs::exists(MasterStore::historyDir(scene->master)));
  }

  void rowsOfAnOlderSnapshotAreRefused_data() {
    QTest::addColumn<AppModel::Change>("change");
    QTest::addColumn<std::string>("message");
    QTest::newRow("edit") << AppModel::Change{AppModel::Edit{row("A", 5, "a"), added, "A"}}
                          << std::string("編集する語が見つかりません。再読み込みしてください");
    QTest::newRow("delete") << AppModel::Change{AppModel::Delete{
                                   {row("A", 1, "a"), row("A", 5, "a")}}}
                            << std::string("削除する語が見つかりません。再読み込みしてください");
    QTest::newRow("move") << AppModel::Change{AppModel::Move{{row("B", 0, "b"), row("A", 5, "a")},
                                                             "C"}}
                          << std::string("移動する語が見つかりません。再読み込みしてください");
    QTest::newRow("edit past the end")
        << AppModel::Change{AppModel::Edit{row("A", 10, "a"), added, "A"}}
        << std::string("編集する語が見つかりません。再読み込みしてください");
  }
  void rowsOfAnOlderSnapshotAreRefused() {
    QFETCH(AppModel::Change, change);
    QFETCH(std::string, message);
    threeDictionaries();
    model = scene->model();
    QCOMPARE(model->commit(AppModel::Edit{row("A", 5, "a"), {"かわった", "変わった"}, "A"}),
             std::nullopt);
    QVERIFY(Scene::settle(*model));
    const Lists before = onDisk();
    QSignalSpy written(model.get(), &AppModel::masterChanged);

    QCOMPARE(model->commit(change), message);
    QCOMPARE(onDisk(), before);
    QCOMPARE(written.count(), 0);
    QVERIFY(!model->isSyncing());
  }

  void aChangeFromAnotherComputerIsReloadedNotOverwritten() {
    threeDictionaries();
    model = scene->model();
    model->setSelection("A");
    QCOMPARE(model->addDictionary("新しい辞書"), std::nullopt);
    model->setSelection("A");
    scene->writeMaster("A", words("other", 2));

    QCOMPARE(model->commit(AppModel::Add{{added}, "A"}),
             failure(MasterStoreError::ChangedElsewhere{{"A"}}));
    QCOMPARE(model->master()->file("A")->entries, words("other", 2));
    QCOMPARE(model->selection(), std::optional<std::string>("A"));
    QCOMPARE(model->pendingDictionaries(), std::vector<std::string>{"新しい辞書"});
    QVERIFY(!model->isSyncing());

    QCOMPARE(model->commit(AppModel::Add{{added}, "A"}), std::nullopt);
    QCOMPARE(scene->masterWords("A"), plus(words("other", 2), {added}));
  }

  void aPendingDictionaryBecomesAFileWithItsFirstWord() {
    threeDictionaries();
    model = scene->model();
    QCOMPARE(model->addDictionary("\u3000新しい辞書 "), std::nullopt);
    QCOMPARE(model->pendingDictionaries(), std::vector<std::string>{"新しい辞書"});
    QCOMPARE(model->selection(), std::optional<std::string>("新しい辞書"));
    QCOMPARE(model->dictionaryNames(), (std::vector<std::string>{"A", "B", "C", "新しい辞書"}));
    QVERIFY(model->isPending("新しい辞書"));
    QCOMPARE(model->count("新しい辞書"), std::nullopt);
    QVERIFY(model->rows().empty());
    QCOMPARE(model->addDictionary("新しい辞書"),
             std::optional<std::string>("辞書「新しい辞書」はすでにあります"));
    QVERIFY(!model->isSyncing());
    QVERIFY(!fs::exists(scene->master / u8("新しい辞書.txt")));

    QCOMPARE(model->commit(AppModel::Move{{row("B", 1, "b")}, "新しい辞書"}), std::nullopt);
    QCOMPARE(scene->masterWords("新しい辞書"), Words{words("b", 2)[1]});
    QVERIFY(model->pendingDictionaries().empty());
    QCOMPARE(model->count("新しい辞書"), std::optional<std::size_t>(1));
    QVERIFY(model->isSyncing());
  }

  void pendingDictionariesAreForgottenOrFound() {
    threeDictionaries();
    model = scene->model();
    QCOMPARE(model->addDictionary("空"), std::nullopt);
    QCOMPARE(model->addDictionary("届く"), std::nullopt);
    QCOMPARE(model->deleteDictionary("届く"), std::nullopt);
    QCOMPARE(model->selection(), std::nullopt);
    QCOMPARE(model->pendingDictionaries(), std::vector<std::string>{"空"});
    QVERIFY(!model->isSyncing());

    // Another computer made the file meanwhile.
    model->setSelection("空");
    scene->writeMaster("空", words("k", 1));
    model->reload();
    QVERIFY(model->pendingDictionaries().empty());
    QCOMPARE(model->selection(), std::optional<std::string>("空"));
    QCOMPARE(model->count("空"), std::optional<std::size_t>(1));
  }

  void deletingADictionary() {
    threeDictionaries();
    model = scene->model();
    model->setSelection("B");
    QCOMPARE(model->deleteDictionary("B"), std::nullopt);
    QVERIFY(!fs::exists(scene->master / "B.txt"));
    QCOMPARE(model->selection(), std::nullopt);
    QCOMPARE(model->dictionaryNames(), (std::vector<std::string>{"A", "C"}));
    QVERIFY(model->isSyncing());
  }

  void reloadKeepsWhatItCannotReplace() {
    threeDictionaries();
    model = scene->model();
    const auto first = model->master();
    model->setSelection("B");
    platform::writeAtomically(scene->master / "A.txt", "よみだけ\n");
    model->reload();
    QVERIFY(model->loadError().has_value());
    QCOMPARE(model->master(), first);
    QCOMPARE(model->commit(AppModel::Add{{added}, "A"}), model->loadError());

    scene->writeMaster("A", words("a", 1));
    fs::remove(scene->master / "B.txt");
    model->reload();
    QCOMPARE(model->loadError(), std::nullopt);
    QCOMPARE(model->selection(), std::nullopt);
    QCOMPARE(model->count("A"), std::optional<std::size_t>(1));
  }

  void aSecondReflectWhileOneRunsIsDropped() {
    scene->writeMaster("A", words("a", 2));
    scene->writeDictionary({});
    model = scene->model();
    model->sync(true, false);
    QVERIFY(Scene::settle(*model));
    QVERIFY2(model->state().isOK(), model->state().summary().c_str());
    QVERIFY(model->lastAppliedAt().has_value());
    QCOMPARE(scene->reloads(), 1);

    // A word registered directly in the IME on this computer.
    scene->writeDictionary({{"A", plus(words("a", 2), {added})}});
    QSignalSpy finished(model.get(), &AppModel::syncFinished);
    {
      SyncLock::Holder otherReflect(scene->state);
      model->sync();
      model->sync(true, false);
      QVERIFY(model->isSyncing());
      QTest::qWait(100);
      QVERIFY2(model->state().isOK(), model->state().summary().c_str());
    }
    QVERIFY(finished.wait(20000));
    QTest::qWait(300);
    QCOMPARE(finished.count(), 1);
    QVERIFY(std::holds_alternative<MacState::LocalEdits>(model->state().value));
    QCOMPARE(UserDictionaryFile::read(scene->dictionary).dictionaries.at(0).entries.size(), 3u);

    // Taking the word into the master lets the next reflect through.
    QVERIFY(model->absorbPlan().has_value());
    QCOMPARE(model->absorb(), std::nullopt);
    QCOMPARE(scene->masterWords("A"), plus(words("a", 2), {added}));
    QVERIFY(Scene::settle(*model));
    QVERIFY2(model->state().isOK(), model->state().summary().c_str());
    QCOMPARE(model->absorb(), std::optional<std::string>("取り込むものがありません"));
  }

  // The sheet shows what the last reflect found. A word a tool saved after that is neither taken
  // in nor thrown away with the rest: the reflect stops again and shows it.
  void aWordSavedAfterTheSheetWasShownStays_data() {
    QTest::addColumn<bool>("takeIn");
    QTest::newRow("take in") << true;
    QTest::newRow("discard") << false;
  }
  void aWordSavedAfterTheSheetWasShownStays() {
    QFETCH(bool, takeIn);
    const DictEntry later{"あと", "後", 1, ""};
    scene->writeMaster("A", words("a", 2));
    scene->writeDictionary({{"A", words("a", 2)}});
    model = scene->model();
    model->sync();
    QVERIFY(Scene::settle(*model));
    QVERIFY2(model->state().isOK(), model->state().summary().c_str());
    scene->writeDictionary({{"A", plus(words("a", 2), {added})}});
    model->sync();
    QVERIFY(Scene::settle(*model));
    QVERIFY(std::holds_alternative<MacState::LocalEdits>(model->state().value));

    scene->writeDictionary({{"A", plus(words("a", 2), {added, later})}});
    if (takeIn) {
      QCOMPARE(model->absorb(), std::nullopt);
    } else {
      model->sync(true, false);
    }
    QVERIFY(Scene::settle(*model));
    QCOMPARE(scene->masterWords("A"), takeIn ? plus(words("a", 2), {added}) : words("a", 2));
    const auto* edits = std::get_if<MacState::LocalEdits>(&model->state().value);
    QVERIFY2(edits != nullptr, model->state().summary().c_str());
    QCOMPARE(edits->diff.at(0).added, (Words{added, later}));
    QCOMPARE(UserDictionaryFile::read(scene->dictionary).dictionaries.at(0).entries,
             plus(words("a", 2), {added, later}));
  }

  // Throwing away this computer's edits can meet a big change in the master; confirming the big
  // change goes on with the discard instead of stopping on the same edits again.
  void confirmingABigChangeAfterADiscardWritesTheMaster() {
    scene->writeMaster("A", words("a", 10));
    scene->writeDictionary({{"A", words("a", 10)}});
    model = scene->model();
    model->sync();
    QVERIFY(Scene::settle(*model));
    scene->writeDictionary({{"A", plus(words("a", 10), {added})}});
    scene->writeMaster("A", words("a", 2));
    model->sync();
    QVERIFY(Scene::settle(*model));
    QVERIFY(std::holds_alternative<MacState::LocalEdits>(model->state().value));

    model->sync(true, false);
    QVERIFY(Scene::settle(*model));
    QVERIFY2(std::holds_alternative<MacState::BigChange>(model->state().value),
             model->state().summary().c_str());
    model->sync(false, true);
    QVERIFY(Scene::settle(*model));
    QVERIFY2(model->state().isOK(), model->state().summary().c_str());
    QCOMPARE(UserDictionaryFile::read(scene->dictionary).dictionaries.at(0).entries, words("a", 2));

    // A big change met without a discard is confirmed without one: a word saved since stops it.
    scene->writeMaster("A", words("a", 10));
    model->sync();
    QVERIFY(Scene::settle(*model));
    QVERIFY2(model->state().isOK(), model->state().summary().c_str());
    scene->writeMaster("A", words("a", 1));
    model->sync();
    QVERIFY(Scene::settle(*model));
    QVERIFY(std::holds_alternative<MacState::BigChange>(model->state().value));
    scene->writeDictionary({{"A", plus(words("a", 10), {added})}});
    model->sync(false, true);
    QVERIFY(Scene::settle(*model));
    QVERIFY2(std::holds_alternative<MacState::LocalEdits>(model->state().value),
             model->state().summary().c_str());
  }

  void setupRefusals_data() {
    QTest::addColumn<int>("arrange");
    QTest::addColumn<AppModel::SetupStart>("start");
    QTest::addColumn<std::string>("message");
    const auto from = AppModel::SetupStart::fromFolder;
    const auto mine = AppModel::SetupStart::fromThisMac;
    QTest::newRow("no dictionary file")
        << 0 << mine << std::string(SyncError(SyncError::NoUserDictionary{}).what());
    QTest::newRow("empty folder") << 1 << from
                                  << std::string(
                                         "このフォルダにはまだ辞書がありません。「このパソコンの辞"
                                         "書から作る」を選択してください");
    QTest::newRow("folder with dictionaries") << 2 << mine
                                              << std::string(
                                                     "このフォルダにはすでに辞書があります。「フォ"
                                                     "ルダにある辞書を使う」を選択してください");
    QTest::newRow("only empty dictionaries") << 1 << mine
                                             << std::string(
                                                    "このパソコンの辞書に語がありません。辞書ツール"
                                                    "で語を登録してから、もう一度お試しください");
  }
  void setupRefusals() {
    QFETCH(int, arrange);
    QFETCH(AppModel::SetupStart, start);
    QFETCH(std::string, message);
    if (arrange > 0) scene->writeDictionary({{"空", {}}});
    if (arrange > 1) scene->writeMaster("A", words("a", 1));
    model = scene->model(false);
    QVERIFY(model->showsSetup());

    QCOMPARE(model->completeSetup(scene->master, start, true), std::optional<std::string>(message));
    QVERIFY(model->showsSetup());
    QVERIFY(!SyncConfig::isSaved(scene->state));
    QVERIFY(!LaunchAgent::isInstalled(scene->host()));
    QVERIFY(!model->isSyncing());
  }

  void setupTextsOnMac() {
    ScopedPlatformWords mac(ImePlatform::googleJapaneseInput().words);
    scene->writeDictionary({{"空", {}}});
    model = scene->model(false);
    QCOMPARE(
        model->completeSetup(scene->master, AppModel::SetupStart::fromFolder, false),
        std::optional<std::string>(
            "このフォルダにはまだ辞書がありません。「この Mac の辞書から作る」を選択してください"));
    QCOMPARE(model->completeSetup(scene->master, AppModel::SetupStart::fromThisMac, false),
             std::optional<std::string>(
                 "この Mac "
                 "の辞書に語がありません。辞書ツールで語を登録してから、もう一度お試しください"));
  }

  void setupFromThisComputer() {
    const std::string composedGa = "ガ", decomposedGa = "\xE3\x82\xAB\xE3\x82\x99";
    scene->writeDictionary({{"A", words("a", 2)},
                            {"空", {}},
                            {composedGa, words("g", 1)},
                            {decomposedGa, words("h", 1)}});
    const fs::path chosen = scene->dir / u8("新しい/フォルダ");
    model = scene->model(false);
    model->setChoosingFolder(true);

    QCOMPARE(model->completeSetup(chosen, AppModel::SetupStart::fromThisMac, true), std::nullopt);
    QCOMPARE(model->paths().master, chosen);
    QCOMPARE(SyncConfig::master(scene->state, false), std::optional<fs::path>(chosen));
    QVERIFY(!model->showsSetup());
    QCOMPARE(model->dictionaryNames(), (std::vector<std::string>{"A", composedGa}));
    QCOMPARE(model->master()->file(composedGa)->entries, plus(words("g", 1), words("h", 1)));
    QVERIFY(model->autoSync());
    QVERIFY(LaunchAgent::pointsToThisApp(scene->host()));
    QVERIFY(Scene::settle(*model));
    // Two spellings of ガ in the IME file stop the reflect until the user renames one: the
    // write would keep only one of them.
    QCOMPARE(model->state(),
             MacState{MacState::Failed{"Mozc のユーザー辞書に同じ名前の辞書「" + decomposedGa +
                                       "」が複数あります。辞書ツールで名前を変えてから、もう一度"
                                       "お試しください"}});
  }

  void setupWithoutAutomaticReflectRemovesTheService() {
    scene->writeMaster("A", words("a", 1));
    scene->writeDictionary({});
    LaunchAgent::install({scene->master, scene->dictionary, scene->state}, scene->host());
    model = scene->model();
    QVERIFY(model->autoSync());
    model->setChoosingFolder(true);

    QCOMPARE(model->completeSetup(scene->master, AppModel::SetupStart::fromFolder, false),
             std::nullopt);
    QVERIFY(!LaunchAgent::isInstalled(scene->host()));
    QVERIFY(!model->autoSync());
    QVERIFY(!model->isChoosingFolder());
  }

  void automaticReflectShowsWhatIsInstalled() {
    model = scene->model();
    QSignalSpy switched(model.get(), &AppModel::autoSyncChanged);
    platform::writeAtomically(scene->dir / "fail", "");
    model->setAutoSync(true);
    QCOMPARE(switched.count(), 1);
    QVERIFY(model->autoSyncError()->starts_with("自動反映を有効にできませんでした"));
    QCOMPARE(model->autoSync(), LaunchAgent::isInstalled(scene->host()));

    fs::remove(scene->dir / "fail");
    model->setAutoSync(true);
    QCOMPARE(model->autoSyncError(), std::nullopt);
    QVERIFY(model->autoSync());

    // Moved to another place: the service is written again for this copy.
    LaunchAgent::Host moved = scene->host();
    moved.executable = scene->dir / "elsewhere/wordloom";
    LaunchAgent::install(model->paths(), moved);
    model->repairAutoSyncIfMoved();
    QVERIFY(LaunchAgent::pointsToThisApp(scene->host()));
    scene->calls();
    model->repairAutoSyncIfMoved();
    QVERIFY(scene->calls().empty());

    model->setAutoSync(false);
    QVERIFY(!model->autoSync());
    QCOMPARE(switched.count(), 4);
  }

  void aRunOnCopiesLeavesSettingsAndServiceAlone() {
    scene->variables["LUMI_STATE"] = scene->state.string();
    scene->variables["LUMI_NO_RELOAD"] = "1";
    scene->writeMaster("A", words("a", 1));
    scene->writeDictionary({});
    model = scene->model(false);
    QVERIFY(model->isPointedAtCopies());

    QCOMPARE(model->completeSetup(scene->master, AppModel::SetupStart::fromFolder, true),
             std::nullopt);
    QVERIFY(!SyncConfig::isSaved(scene->state));
    QCOMPARE(model->autoSyncError(),
             std::optional<std::string>(
                 "テスト用のフォルダで動かしているため、自動反映は切り替えられません"));
    QVERIFY(!model->autoSync());
    model->saveLegacyLocationIfNeeded();
    QVERIFY(!SyncConfig::isSaved(scene->state));
    QVERIFY(scene->calls().empty());

    QVERIFY(Scene::settle(*model));
    model->sync(true, false);
    QVERIFY(Scene::settle(*model));
    QVERIFY(std::holds_alternative<MacState::Applied>(model->state().value));
    QCOMPARE(scene->reloads(), 0);
  }

  void aLegacyLocationIsSavedOnce() {
    scene->variables["XDG_DATA_HOME"] = (scene->dir / "data").string();
    const fs::path legacy = scene->dir / "home" / u8(SyncConfig::legacyMasters[1]);
    fs::create_directories(legacy);
    AppContext context = scene->context();
    context.paths.reset();
    AppModel found(context);
    QCOMPARE(found.paths().master, legacy);
    found.saveLegacyLocationIfNeeded();
    QCOMPARE(SyncConfig::master(found.paths().state, false), std::optional<fs::path>(legacy));

    // A state folder that cannot be made is only logged.
    platform::writeAtomically(scene->dir / "blocked", "");
    context.paths = SyncPaths{legacy, scene->dictionary, scene->dir / "blocked/state"};
    AppModel blocked(context);
    blocked.saveLegacyLocationIfNeeded();
    QCOMPARE(scene->logged->size(), 1u);
    QVERIFY(scene->logged->front().starts_with("Wordloom: マスターの場所を保存できませんでした: "));
  }

  void check_data() {
    QTest::addColumn<DictEntry>("entry");
    QTest::addColumn<std::optional<EntryRow>>("replacing");
    QTest::addColumn<EntryProblems>("expected");
    const DictEntry same{"おなじ", "同じ", 1, ""};
    QTest::newRow("here and in two others")
        << same << std::optional<EntryRow>()
        << EntryProblems{
               {"この辞書に同じ語がすでにあります（名詞）"},
               {"辞書「B」にも同じ語があります（組織）", "辞書「C」にも同じ語があります（地名）"}};
    QTest::newRow("the edited row itself")
        << same << std::optional<EntryRow>(EntryRow{"A", 1, same})
        << EntryProblems{
               {},
               {"辞書「B」にも同じ語があります（組織）", "辞書「C」にも同じ語があります（地名）"}};
    QTest::newRow("empty and unwritable")
        << DictEntry{"", "", 1, "a\tb\nc"} << std::optional<EntryRow>()
        << EntryProblems{{"よみを入力してください", "単語を入力してください",
                          "タブは入れられません", "改行は入れられません"},
                         {}};
    QTest::newRow("a tab in a duplicate")
        << DictEntry{"おなじ", "同じ", 1, "\t"} << std::optional<EntryRow>(EntryRow{"A", 1, same})
        << EntryProblems{
               {"タブは入れられません"},
               {"辞書「B」にも同じ語があります（組織）", "辞書「C」にも同じ語があります（地名）"}};
    QTest::newRow("a reading the IME passes over")
        << DictEntry{"漢字", "感じ", 1, ""} << std::optional<EntryRow>()
        << EntryProblems{{},
                         {"この語は Mozc では使われません（よみに使えない文字「漢」があります）"}};
  }
  void check() {
    QFETCH(DictEntry, entry);
    QFETCH(std::optional<EntryRow>, replacing);
    QFETCH(EntryProblems, expected);
    scene->writeMaster("A", {{"ほか", "他"}, {"おなじ", "同じ", 1, ""}});
    scene->writeMaster("B", {{"おなじ", "同じ", 8, "固有"}});
    scene->writeMaster("C", {{"おなじ", "同じ", 9, ""}});
    model = scene->model();
    QVERIFY2(!model->loadError(), model->loadError().value_or("").c_str());
    QCOMPARE(model->check(entry, "A", replacing), expected);
  }
};

QTEST_GUILESS_MAIN(AppModelTest)
#include "app_model_test.moc"
