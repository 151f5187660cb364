#include "desktop/snapshot.h"

#include <QCoreApplication>
#include <QImage>
#include <QMainWindow>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>
#include <string>

#include "app/app_model.h"
#include "ui/settings/file_settings.h"
#include "ui/settings/settings_view.h"
#include "ui/settings/sync_settings.h"
#include "ui/sheets/add_dictionary_sheet.h"
#include "ui/sheets/edit_sheet.h"
#include "ui/sheets/local_edits_sheet.h"
#include "ui/style/theme.h"

namespace Snapshot {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::optional<std::string> variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

fs::path folder() {
  return fs::path(variable("LUMI_SNAPSHOT_DIR").value_or(std::string()));
}

void say(const std::string& line) {
  std::cout << line << std::endl;
}

void after(std::chrono::milliseconds delay, QObject* context, std::function<void()> step) {
  QTimer::singleShot(delay, context, std::move(step));
}

// What the window shows below its menu bar.
QWidget& content(QMainWindow& window) {
  return *window.centralWidget();
}

// Runs `next` once the model's reflect has handed back its outcome; at once when none runs.
void whenSettled(AppModel& model, std::function<void()> next) {
  if (!model.isSyncing()) {
    next();
    return;
  }
  QObject::connect(&model, &AppModel::syncFinished, &model, std::move(next),
                   Qt::SingleShotConnection);
}

void pending(AppModel& model, QMainWindow& window) {
  model.addDictionary("99 - 試し");
  after(400ms, &window, [&window] {
    render(content(window), QStringLiteral("07-pending-dictionary.png"), folder());
    QCoreApplication::exit(0);
  });
}

// A sheet or a settings pane on its own: on the ground colour in a borderless window that never
// appears on screen, laid out at `size`, rendered, and put away with the window.
void renderAlone(QWidget* view, QSize size, const QString& name, int padding = 0) {
  QWidget host(nullptr, Qt::FramelessWindowHint);
  host.setAttribute(Qt::WA_DontShowOnScreen);
  QPalette ground = host.palette();
  ground.setColor(QPalette::Window, Theme::ground.in(&host));
  host.setPalette(ground);
  host.setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(&host);
  layout->setContentsMargins(padding, padding, padding, padding);
  layout->addWidget(view);
  host.resize(size);
  host.show();
  layout->activate();
  render(host, name, folder());
}

void screens(AppModel& model, QMainWindow& window) {
  render(content(window), QStringLiteral("02-dictionary.png"), folder());
  const WordRows rows = model.rows();
  if (!rows.empty()) {
    renderAlone(new EditSheet(model, EditTarget::editing(rows.row(0))), {560, 520},
                QStringLiteral("03-edit.png"));
  }
  renderAlone(new EditSheet(model, EditTarget::adding({})), {560, 440},
              QStringLiteral("04-add-from-all.png"));
  renderAlone(new AddDictionarySheet(model), {460, 260}, QStringLiteral("06-add-dictionary.png"));
  renderAlone(new SettingsView(model), {640, 560}, QStringLiteral("08-settings.png"));
  renderAlone(new SyncSettings(model), {640, 480}, QStringLiteral("09-settings-sync.png"), 32);
  // Padded as the settings window pads it, like the synchronisation pane.
  renderAlone(new FileSettings(model), {640, 360}, QStringLiteral("10-settings-files.png"), 32);
  if (std::holds_alternative<MacState::LocalEdits>(model.state().value)) {
    auto* sheet = new LocalEditsSheet(model);
    renderAlone(sheet, sheet->sizeHint(), QStringLiteral("05-local.png"));
  }
  pending(model, window);
}

void list(AppModel& model, QMainWindow& window) {
  model.sync(false, false);
  // A slow machine would otherwise catch the state still being checked.
  whenSettled(model, [&model, &window] {
    say("state: " + model.state().summary());
    render(content(window), QStringLiteral("01-list.png"), folder());
    const std::vector<std::string> names = model.dictionaryNames();
    model.setSelection(names.empty() ? std::nullopt : std::optional(names.front()));
    model.setQuery(variable("LUMI_QUERY").value_or(std::string()));
    after(600ms, &window, [&model, &window] { screens(model, window); });
  });
}

void setup(AppModel& model, QMainWindow& window) {
  after(800ms, &window, [&model, &window] {
    render(content(window), QStringLiteral("00-setup.png"), folder());
    const std::optional<std::string> master = variable("LUMI_SETUP_MASTER");
    if (!master) {
      QCoreApplication::exit(0);
      return;
    }
    const auto start = variable("LUMI_SETUP_START") == "folder" ? AppModel::SetupStart::fromFolder
                                                                : AppModel::SetupStart::fromThisMac;
    const std::optional<std::string> error = model.completeSetup(*master, start, false);
    say("setup: " + error.value_or("OK"));
    if (error) {
      QCoreApplication::exit(1);
      return;
    }
    run(model, window);
  });
}

}  // namespace

bool isRequested() {
  return variable("LUMI_SNAPSHOT_DIR").has_value();
}

void run(AppModel& model, QMainWindow& window) {
  std::error_code ignored;
  fs::create_directories(folder(), ignored);
  window.resize(1120, 620 + (window.menuWidget() != nullptr ? window.menuWidget()->height() : 0));
  if (model.showsSetup()) {
    setup(model, window);
  } else {
    list(model, window);
  }
}

void render(QWidget& view, const QString& name, const fs::path& folder) {
  // Layouts the last changes asked for, before the picture is taken.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  const QImage image = view.grab().toImage();
  if (image.isNull()) {
    say("snapshot failed: " + name.toStdString());
    return;
  }
  image.save(QString::fromStdString((folder / name.toStdString()).string()), "PNG");
  say("snapshot: " + name.toStdString() + " " + std::to_string(image.width()) + "x" +
      std::to_string(image.height()));
}

}  // namespace Snapshot
