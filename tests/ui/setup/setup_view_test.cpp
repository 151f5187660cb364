// The setup driven through its real widgets offscreen, against temporary homes holding each kind
// of cloud folder, a real master folder and a stand-in IME.
#include "ui/setup/setup_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QTest>

#include "app/app_scene.h"
#include "sync/sync_error.h"
#include "ui/setup/folder_panel.h"
#include "ui/setup/setup_cards.h"
#include "ui/style/appearance.h"
#include "ui/style/material_symbols.h"
#include "ui/style/styled_button.h"
#include "ui/style/theme.h"

Q_DECLARE_METATYPE(std::vector<std::string>)

namespace {

QString q(const std::string& text) {
  return QString::fromStdString(text);
}

const std::string twoDropboxAccounts =
    R"json({"personal": {"path": "$HOME/Dropbox (Personal)"},
            "business": {"path": "$HOME/Dropbox (Firma)"}})json";

const std::string twoNextcloudFolders =
    "[Accounts]\n0\\Folders\\1\\localPath=$HOME/Nextcloud Privat/\n"
    "0\\Folders\\2\\localPath=$HOME/Nextcloud Arbeit/\n";

}  // namespace

class SetupViewTest : public QObject {
  Q_OBJECT

  std::optional<Scene> scene;
  std::unique_ptr<AppModel> model;
  std::unique_ptr<SetupView> view;

  fs::path home() const { return scene->dir / "home"; }

  // Folders (relative to the home folder) and files whose text may name the home as $HOME.
  void makeHome(const std::vector<std::string>& folders,
                const std::map<std::string, std::string>& files = {}) {
    for (const std::string& folder : folders) fs::create_directories(home() / u8(folder));
    for (auto [file, text] : files) {
      for (std::size_t at = text.find("$HOME"); at != std::string::npos; at = text.find("$HOME"))
        text.replace(at, 5, home().string());
      fs::create_directories((home() / u8(file)).parent_path());
      platform::writeAtomically(home() / u8(file), text);
    }
  }

  void open(bool configured = false) {
    model = scene->model(configured);
    if (configured) model->setChoosingFolder(true);
    view = std::make_unique<SetupView>(*model);
    view->resize(1120, 620);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
  }

  template <typename T>
  T* find(const char* name) const {
    T* found = view->findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) qFatal("no widget %s", name);
    return found;
  }
  PlaceTile* tile(const std::string& id) const { return find<PlaceTile>(("place-" + id).c_str()); }
  StyledButton* primary() const { return find<StyledButton>("setupStart"); }
  ChoiceRow* fromThisComputer() const { return find<ChoiceRow>("start-fromThisMac"); }
  ChoiceRow* fromFolder() const { return find<ChoiceRow>("start-fromFolder"); }
  QString error() const { return find<QLabel>("setupError")->text(); }
  std::vector<std::string> selectedTiles() const {
    std::vector<std::string> ids;
    for (const char* id : {"dropbox", "nextcloud", "syncthing", "other"}) {
      if (tile(id)->isSelected()) ids.push_back(id);
    }
    return ids;
  }

  // Opens "ほかの場所…", confirms `folder` in the panel (or cancels with none).
  void pickInPanel(const std::optional<fs::path>& folder) {
    QTest::mouseClick(tile("other"), Qt::LeftButton);
    FolderPanel* panel = nullptr;
    QTRY_VERIFY((panel = view->findChild<FolderPanel*>()) != nullptr);
    QVERIFY(panel->isVisible());
    auto* buttons = panel->files()->findChild<QDialogButtonBox*>();
    QVERIFY(buttons != nullptr);
    if (folder) {
      panel->files()->setDirectory(q(folder->string()));
      QAbstractButton* choose = buttons->button(QDialogButtonBox::Open);
      QCOMPARE(choose->text(), "選択");
      QTest::mouseClick(choose, Qt::LeftButton);
    } else {
      QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    }
    QTRY_VERIFY(view->findChild<FolderPanel*>() == nullptr);
  }

  std::vector<std::string> masterFiles(const fs::path& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private slots:
  void initTestCase() {
    MaterialSymbols::registerFont();
    Appearance::shared();
  }
  void init() {
    scene.emplace();
    fs::create_directories(home());
    scene->writeDictionary({{"人名", words("人", 3)}});
  }
  void cleanup() {
    view.reset();
    if (model) QVERIFY(Scene::settle(*model));
    model.reset();
    scene.reset();
  }

  // Each kind of cloud folder: the tile preselected, the tiles offered, and where Return puts
  // the master.
  void startsInTheCloudFolderFound_data() {
    QTest::addColumn<std::vector<std::string>>("folders");
    QTest::addColumn<std::vector<std::string>>("files");  // name, text, name, text…
    QTest::addColumn<std::vector<std::string>>("enabled");
    QTest::addColumn<QString>("master");  // relative to the home folder; empty: none

    QTest::newRow("no cloud folder") << std::vector<std::string>{} << std::vector<std::string>{}
                                     << std::vector<std::string>{} << QString();
    QTest::newRow("~/Dropbox") << std::vector<std::string>{"Dropbox", "Sync"}
                               << std::vector<std::string>{}
                               << std::vector<std::string>{"dropbox", "syncthing"}
                               << "Dropbox/Wordloom";
    QTest::newRow("Dropbox personal and business")
        << std::vector<std::string>{"Dropbox (Personal)", "Dropbox (Firma)"}
        << std::vector<std::string>{".dropbox/info.json", twoDropboxAccounts}
        << std::vector<std::string>{"dropbox"} << "Dropbox (Personal)/Wordloom";
    QTest::newRow("Dropbox business only")
        << std::vector<std::string>{"Dropbox (Firma)"}
        << std::vector<std::string>{".dropbox/info.json", twoDropboxAccounts}
        << std::vector<std::string>{"dropbox"} << "Dropbox (Firma)/Wordloom";
    QTest::newRow("Nextcloud with two folders")
        << std::vector<std::string>{"Nextcloud Privat", "Nextcloud Arbeit"}
        << std::vector<std::string>{".config/Nextcloud/nextcloud.cfg", twoNextcloudFolders}
        << std::vector<std::string>{"nextcloud"} << "Nextcloud Privat/Wordloom";
    QTest::newRow("Syncthing only")
        << std::vector<std::string>{"Sync"} << std::vector<std::string>{}
        << std::vector<std::string>{"syncthing"} << "Sync/Wordloom";
  }
  void startsInTheCloudFolderFound() {
    QFETCH(std::vector<std::string>, folders);
    QFETCH(std::vector<std::string>, files);
    QFETCH(std::vector<std::string>, enabled);
    QFETCH(QString, master);
    std::map<std::string, std::string> fileMap;
    for (std::size_t i = 0; i + 1 < files.size(); i += 2) fileMap[files[i]] = files[i + 1];
    makeHome(folders, fileMap);
    open();

    for (const char* id : {"dropbox", "nextcloud", "syncthing"}) {
      const bool here = std::find(enabled.begin(), enabled.end(), id) != enabled.end();
      QCOMPARE(tile(id)->isEnabled(), here);
      QCOMPARE(tile(id)->subtitle(), here ? "見つかりました" : "このパソコンにありません");
      if (!here) QCOMPARE(tile(id)->toolTip(), tile(id)->name() + "はこのパソコンにありません");
    }
    QVERIFY(tile("other")->isEnabled());
    QCOMPARE(tile("other")->subtitle(), "フォルダを選択");

    QTest::keyClick(view.get(), Qt::Key_Return);
    if (master.isEmpty()) {
      QCOMPARE(selectedTiles(), std::vector<std::string>{});
      QVERIFY(!primary()->isEnabled());
      QVERIFY(model->showsSetup());
      QVERIFY(!model->paths().isConfigured());
      return;
    }
    QCOMPARE(selectedTiles(), std::vector<std::string>{enabled.front()});
    QVERIFY(!model->showsSetup());
    QCOMPARE(model->paths().master, home() / u8(master.toStdString()));
    QCOMPARE(masterFiles(model->paths().master), std::vector<std::string>{"人名.txt"});
  }

  // A new user on a computer with Mozc and a ~/Dropbox finishes the setup from this computer's
  // dictionary: one master file per dictionary with words, and the first reflect finds the
  // computer up to date.
  void newUserStartsFromThisComputer() {
    scene->writeDictionary(
        {{"人名", words("人", 1200)}, {"地名", words("地", 5)}, {"用語", words("語", 2)}});
    makeHome({"Dropbox"});
    open();
    QCOMPARE(find<QLabel>("setupTitle")->text(), "Wordloomへようこそ");
    QCOMPARE(selectedTiles(), std::vector<std::string>{"dropbox"});
    QCOMPARE(fromThisComputer()->subtitle(), "1,207語・辞書3つ");
    QVERIFY(fromThisComputer()->isSelected() && fromThisComputer()->isEnabled());
    QCOMPARE(fromFolder()->subtitle(), "ほかのパソコンで、すでに始めているとき");
    QVERIFY(!fromFolder()->isEnabled());
    QCOMPARE(fromFolder()->visibleNote(), "選んだフォルダにはまだ辞書がありません");
    QVERIFY(find<QCheckBox>("autoSync")->isChecked());
    QVERIFY(!find<StyledButton>("setupCancel")->isVisible());
    QCOMPARE(primary()->text(), "はじめる");

    QString titleWhileRunning;
    connect(model.get(), &AppModel::pathsChanged, this,
            [&] { titleWhileRunning = primary()->text(); });
    QTest::mouseClick(primary(), Qt::LeftButton);
    QCOMPARE(titleWhileRunning, "準備中…");
    QCOMPARE(error(), " ");

    const fs::path master = home() / "Dropbox/Wordloom";
    QVERIFY(!model->showsSetup());
    QCOMPARE(model->paths().master, master);
    QCOMPARE(masterFiles(master), (std::vector<std::string>{"人名.txt", "地名.txt", "用語.txt"}));
    QCOMPARE(Master::parse(platform::readFile(master / u8("人名.txt")), "人名"), words("人", 1200));
    QVERIFY(model->autoSync());
    QVERIFY(Scene::settle(*model));
    QCOMPARE(model->state(), MacState{MacState::UpToDate{}});
  }

  // Mozc keeps dictionaries without words (the one its tool makes first, say). The master
  // leaves them out, and the first reflect must not take them for words changed directly here.
  void emptyImeDictionaryAfterTheSetup() {
    scene->writeDictionary({{"人名", words("人", 5)}, {"ユーザー辞書 1", {}}});
    makeHome({"Dropbox"});
    open();
    QTest::keyClick(view.get(), Qt::Key_Return);
    QCOMPARE(masterFiles(home() / "Dropbox/Wordloom"), std::vector<std::string>{"人名.txt"});
    QVERIFY(Scene::settle(*model));
    QCOMPARE(model->state(), MacState{MacState::UpToDate{}});
  }

  // "ほかの場所…": where the master goes for the folder picked, and which start it offers.
  void otherFolderPickedInThePanel_data() {
    QTest::addColumn<std::vector<std::string>>("files");  // relative to the home folder
    QTest::addColumn<QString>("picked");
    QTest::addColumn<QString>("master");
    QTest::addColumn<int>("existing");

    QTest::newRow("empty folder: Wordloom inside")
        << std::vector<std::string>{"共有/.keep"} << "共有"
        << "共有/Wordloom" << 0;
    QTest::newRow("folder with dictionaries is the master")
        << std::vector<std::string>{"共有/辞書/人名.txt", "共有/辞書/地名.txt"} << "共有/辞書"
        << "共有/辞書" << 2;
    QTest::newRow("a folder named Wordloom is not nested")
        << std::vector<std::string>{"共有/Wordloom/.keep"} << "共有/Wordloom"
        << "共有/Wordloom" << 0;
    QTest::newRow("conflict copies only count as none")
        << std::vector<std::string>{"共有/Wordloom/人名 (競合コピー).txt"} << "共有/Wordloom"
        << "共有/Wordloom" << 0;
  }
  void otherFolderPickedInThePanel() {
    QFETCH(std::vector<std::string>, files);
    QFETCH(QString, picked);
    QFETCH(QString, master);
    QFETCH(int, existing);
    for (const std::string& file : files) {
      fs::create_directories((home() / u8(file)).parent_path());
      platform::writeAtomically(home() / u8(file), "よみ\t語\t名詞\n");
    }
    makeHome({"Dropbox"});
    open();

    // Cancelling the panel changes nothing.
    pickInPanel(std::nullopt);
    QCOMPARE(selectedTiles(), std::vector<std::string>{"dropbox"});

    pickInPanel(home() / u8(picked.toStdString()));
    QCOMPARE(selectedTiles(), std::vector<std::string>{"other"});
    QCOMPARE(tile("other")->subtitle(), "~/" + master);
    QCOMPARE(fromFolder()->isSelected(), existing > 0);
    QCOMPARE(fromFolder()->isEnabled(), existing > 0);
    QCOMPARE(fromThisComputer()->isEnabled(), existing == 0);
    if (existing > 0) {
      QCOMPARE(fromFolder()->subtitle(),
               QString::number(existing) + "つ（ほかのパソコンで始めたもの）");
      QCOMPARE(fromThisComputer()->visibleNote(), "選んだフォルダにはすでに辞書があります");
    }
    QVERIFY(primary()->isEnabled());
    QTest::keyClick(view.get(), Qt::Key_Return);
    QCOMPARE(error(), " ");
    QCOMPARE(model->paths().master, home() / u8(master.toStdString()));
  }

  // The panel says what the folder is for, shows folders only and confirms with "選択".
  void folderPanelCarriesItsMessage() {
    open();
    QTest::mouseClick(tile("other"), Qt::LeftButton);
    FolderPanel* panel = nullptr;
    QTRY_VERIFY((panel = view->findChild<FolderPanel*>()) != nullptr);
    QCOMPARE(
        panel->findChild<QLabel*>("folderPanelMessage")->text(),
        "ほかのパソコンからも見えるフォルダを選択してください。辞書が入っていないフォルダなら、"
        "中に「Wordloom」を作ります");
    QCOMPARE(panel->files()->fileMode(), QFileDialog::Directory);
    QVERIFY(panel->files()->testOption(QFileDialog::ShowDirsOnly));
    QCOMPARE(panel->files()->labelText(QFileDialog::Accept), "選択");
    QVERIFY(panel->isModal() || panel->windowModality() != Qt::NonModal);
    panel->files()->reject();
  }

  // Changing the folder starts from the current one and can be cancelled; the first setup cannot.
  void changingTheFolder_data() {
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("master elsewhere") << false;
    QTest::newRow("master in Dropbox") << true;
  }
  void changingTheFolder() {
    QFETCH(bool, inPlace);
    makeHome({"Dropbox"});
    if (inPlace) scene->master = home() / "Dropbox/Wordloom";
    fs::create_directories(scene->master);
    scene->writeMaster("人名", words("人", 3));
    open(true);
    QCOMPARE(find<QLabel>("setupTitle")->text(), "同期に使うフォルダを変更");
    QCOMPARE(selectedTiles(), std::vector<std::string>{inPlace ? "dropbox" : "other"});
    if (!inPlace) {
      QCOMPARE(tile("other")->subtitle(), q(scene->master.string()));
    }
    QVERIFY(fromFolder()->isSelected());
    QCOMPARE(fromFolder()->subtitle(), "1つ（ほかのパソコンで始めたもの）");
    QVERIFY(!find<QCheckBox>("autoSync")->isChecked());
    QCOMPARE(primary()->text(), "変更");
    QVERIFY(find<StyledButton>("setupCancel")->isVisible());

    QTest::keyClick(view.get(), Qt::Key_Escape);
    QVERIFY(!model->isChoosingFolder());
    QCOMPARE(model->paths().master, scene->master);
  }

  void escapeDoesNotLeaveTheFirstSetup() {
    open();
    QTest::keyClick(view.get(), Qt::Key_Escape);
    QVERIFY(model->showsSetup());
  }

  // Choosing the folder again after a completed change starts from the new folder, not from the
  // choices left in the view.
  void enteringAgainStartsAfresh() {
    makeHome({"Dropbox", "Sync"});
    fs::create_directories(scene->master);
    scene->writeMaster("人名", words("人", 3));
    open(true);
    QTest::mouseClick(tile("syncthing"), Qt::LeftButton);
    QVERIFY(fromThisComputer()->isSelected());
    QTest::mouseClick(primary(), Qt::LeftButton);
    QCOMPARE(error(), " ");
    QCOMPARE(model->paths().master, home() / "Sync/Wordloom");
    QVERIFY(Scene::settle(*model));

    model->setChoosingFolder(true);
    QCOMPARE(selectedTiles(), std::vector<std::string>{"syncthing"});
    QVERIFY(fromFolder()->isSelected());
    QCOMPARE(primary()->text(), "変更");
  }

  // What this computer's dictionary cannot give keeps the start off, and a failed start says why
  // and can be tried again.
  void problemsAreShownWhereTheUserLooks() {
    fs::remove(scene->dictionary);
    makeHome({"Dropbox"});
    open();
    QCOMPARE(fromThisComputer()->subtitle(), q(SyncError(SyncError::NoUserDictionary{}).what()));
    QVERIFY(!primary()->isEnabled());
    QTest::keyClick(view.get(), Qt::Key_Return);
    QVERIFY(model->showsSetup());

    // Back from Mozc's dictionary tool with a dictionary that holds no word yet.
    scene->writeDictionary({{"人名", {}}});
    QWidget other;
    other.show();
    other.activateWindow();
    QTRY_VERIFY(!view->isActiveWindow());
    view->activateWindow();
    QTRY_VERIFY(view->isActiveWindow());
    QTRY_COMPARE(fromThisComputer()->subtitle(), "0語・辞書1つ");
    QVERIFY(primary()->isEnabled());

    QTest::keyClick(view.get(), Qt::Key_Return);
    QCOMPARE(
        error(),
        "このパソコンの辞書に語がありません。辞書ツールで語を登録してから、もう一度お試しください");
    QCOMPARE(primary()->text(), "はじめる");
    QVERIFY(model->showsSetup());
  }

  // The window may drop the view the moment the model leaves the setup.
  void viewDroppedOnSuccessStaysQuiet() {
    makeHome({"Dropbox"});
    open();
    connect(model.get(), &AppModel::pathsChanged, this, [this] { view.reset(); });
    QTest::keyClick(view.get(), Qt::Key_Return);
    QVERIFY(!view);
    QVERIFY(!model->showsSetup());
  }

  // The Linux texts here; the macOS description gives the original ones.
  void textsSpeakOfThePlatform_data() {
    QTest::addColumn<bool>("mac");
    QTest::newRow("Linux") << false;
    QTest::newRow("macOS") << true;
  }
  void textsSpeakOfThePlatform() {
    QFETCH(bool, mac);
    std::optional<ScopedPlatformWords> words;
    if (mac) words.emplace(ImePlatform::googleJapaneseInput().words);
    open();
    const auto text = [&](const char* name) { return find<QLabel>(name)->text(); };
    if (mac) {
      QCOMPARE(
          text("setupLead"),
          "Google 日本語入力のユーザー辞書を、Mac どうしでそろえます。2つだけ決めてください。");
      QCOMPARE(text("folderNote"),
               "ほかの Mac からも見えるクラウドのフォルダを選択してください。中に「Wordloom」という"
               "フォルダを作ります。");
      QCOMPARE(find<QCheckBox>("autoSync")->text(),
               "ほかの Mac の変更を、自動でこの Mac に反映する");
      QCOMPARE(fromThisComputer()->title(), "この Mac の辞書から作る");
      QCOMPARE(fromFolder()->subtitle(), "ほかの Mac で、すでに始めているとき");
      QCOMPARE(tile("dropbox")->subtitle(), "この Mac にありません");
      QCOMPARE(tile("dropbox")->toolTip(), "Dropboxはこの Mac にありません");
    } else {
      QCOMPARE(text("setupLead"),
               "Mozc のユーザー辞書を、パソコンどうしでそろえます。2つだけ決めてください。");
      QCOMPARE(
          text("folderNote"),
          "ほかのパソコンからも見えるクラウドのフォルダを選択してください。中に「Wordloom」という"
          "フォルダを作ります。");
      QCOMPARE(find<QCheckBox>("autoSync")->text(),
               "ほかのパソコンの変更を、自動でこのパソコンに反映する");
      QCOMPARE(fromThisComputer()->title(), "このパソコンの辞書から作る");
    }
    QCOMPARE(text("folderStep"), "同期に使うフォルダ");
    QCOMPARE(text("startStep"), "はじめの辞書");
    QCOMPARE(text("safetyNote"),
             "反映の前に、今の辞書をバックアップします。辞書が丸ごと削除される反映と、語が半分より"
             "少なくなる反映は停止します。");
  }

  // Writes the setup's screens under the build folder for a person to look at.
  void screens() {
    const QString folder =
        QDir(qEnvironmentVariable("WORDLOOM_BINARY_DIR", QDir::currentPath())).filePath("screens");
    QVERIFY(QDir().mkpath(folder));
    makeHome({"Dropbox", "Sync"});
    scene->writeDictionary({{"人名", words("人", 1200)}, {"地名", words("地", 5)}});
    const auto shoot = [&](const QString& name) {
      for (const auto scheme : {ColorScheme::light, ColorScheme::dark}) {
        Theme::force(view.get(), scheme);
        view->repaint();
        const QString path = QDir(folder).filePath(
            name + (scheme == ColorScheme::light ? "-light.png" : "-dark.png"));
        QVERIFY(view->grab().save(path));
      }
    };
    open();
    shoot("setup-first");
    scene->writeDictionary({{"人名", {}}});
    fs::create_directories(home() / "Sync/Wordloom");
    QTest::mouseClick(tile("syncthing"), Qt::LeftButton);
    QTest::keyClick(view.get(), Qt::Key_Return);
    shoot("setup-error");
    view.reset();
    model.reset();

    fs::create_directories(scene->master);
    scene->writeMaster("人名", words("人", 3));
    open(true);
    shoot("setup-change");
    QTest::mouseClick(tile("other"), Qt::LeftButton);
    FolderPanel* panel = nullptr;
    QTRY_VERIFY((panel = view->findChild<FolderPanel*>()) != nullptr);
    for (const auto scheme : {ColorScheme::light, ColorScheme::dark}) {
      Theme::force(panel, scheme);
      QVERIFY(panel->grab().save(QDir(folder).filePath(
          scheme == ColorScheme::light ? "setup-panel-light.png" : "setup-panel-dark.png")));
    }
    panel->files()->reject();
  }
};

QTEST_MAIN(SetupViewTest)
#include "setup_view_test.moc"
