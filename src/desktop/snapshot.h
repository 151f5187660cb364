#pragma once

#include <QString>
#include <filesystem>

class AppModel;
class QMainWindow;
class QWidget;

// A scripted run that renders the main screens to PNG files for the manual, then quits. Asked
// for by LUMI_SNAPSHOT_DIR (the output folder); it drives the real windows with the real model,
// so the images show whatever master and dictionary the environment points at. It changes the
// master: it is meant for prepared copies.
namespace Snapshot {

bool isRequested();

// Takes over after start-up instead of normal operation, and ends the application: status 0,
// or 1 when completing the setup (LUMI_SETUP_MASTER) failed.
void run(AppModel& model, QMainWindow& window);

// Writes `view` as the PNG `name` in `folder` and reports it on standard output; a view that
// cannot be drawn is reported as failed. Write errors are ignored.
void render(QWidget& view, const QString& name, const std::filesystem::path& folder);

}  // namespace Snapshot
