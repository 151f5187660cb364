// The main window over masters of 100,000 and 1,000,000 words, offscreen: opening it (with and
// without reading the master), a keystroke in the search field, a sort by a column, a page of
// scrolling, and keeping a selection of every row across new rows. Each step ends with the
// window painted.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QScrollBar>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

#include "app/app_model.h"
#include "random_master.h"
#include "ui/main/main_panel.h"
#include "ui/main/main_window.h"
#include "ui/main/root_view.h"
#include "ui/main/word_table.h"
#include "ui/style/appearance.h"
#include "ui/style/material_symbols.h"

namespace {

namespace fs = std::filesystem;

void application() {
  static int argc = 1;
  static char name[] = "main_window_bench";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform warns of each window feature it lacks.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
      if (type != QtDebugMsg && type != QtWarningMsg) fprintf(stderr, "%s\n", qPrintable(text));
    });
    auto* made = new QApplication(argc, argv);
    MaterialSymbols::registerFont();
    Appearance::shared();
    return made;
  }();
  (void)app;
}

AppContext contextFor(int words) {
  const fs::path dir =
      fs::temp_directory_path() / ("wordloom-window-bench-" + std::to_string(words));
  if (!fs::exists(dir / "master")) RandomMaster::write(dir / "master", words);
  AppContext context = AppContext::process();
  context.environment = {.variable = [](std::string_view) { return std::nullopt; }, .home = dir};
  context.paths = SyncPaths{dir / "master", dir / "user_dictionary.db", dir / "state"};
  context.agentHost.folder = dir / "units";
  return context;
}

// One model and one window per size, made once.
struct Opened {
  std::unique_ptr<AppModel> model;
  std::unique_ptr<MainWindow> window;
  WordTable* table() const { return window->rootView()->mainPanel()->table(); }
};
Opened& opened(int words) {
  application();
  static std::map<int, Opened> made;
  Opened& o = made[words];
  if (!o.model) {
    o.model = std::make_unique<AppModel>(contextFor(words));
    o.model->reload();
    o.window = std::make_unique<MainWindow>(*o.model);
    o.window->show();
    benchmark::DoNotOptimize(o.window->grab());
  }
  return o;
}

double peakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Reading the master and opening the window on it, as at start-up.
void readAndOpen(benchmark::State& state) {
  application();
  const AppContext context = contextFor(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    AppModel model(context);
    model.reload();
    MainWindow window(model);
    window.show();
    benchmark::DoNotOptimize(window.grab());
  }
  state.counters["peakMB"] = peakMegabytes();
}

// Opening the window on a master already read.
void open(benchmark::State& state) {
  AppModel& model = *opened(static_cast<int>(state.range(0))).model;
  for (auto _ : state) {
    MainWindow window(model);
    window.show();
    benchmark::DoNotOptimize(window.grab());
  }
}

// One character typed into an empty search field, and the table painted with what it finds.
void keystroke(benchmark::State& state) {
  Opened& o = opened(static_cast<int>(state.range(0)));
  const char* typed = state.range(1) == 0 ? "か" : "a";
  std::size_t shown = 0;
  for (auto _ : state) {
    state.PauseTiming();
    o.model->setQuery({});
    state.ResumeTiming();
    o.model->setQuery(typed);
    benchmark::DoNotOptimize(o.window->grab());
    shown = o.table()->rows().size();
  }
  o.model->setQuery({});
  state.counters["rows"] = static_cast<double>(shown);
}

// A click on the reading's header, each time the other way round; the first sort of a snapshot
// also ranks every reading.
void sortByReading(benchmark::State& state) {
  Opened& o = opened(static_cast<int>(state.range(0)));
  const bool first = state.range(1) != 0;
  Qt::SortOrder order = Qt::AscendingOrder;
  for (auto _ : state) {
    if (first) {
      state.PauseTiming();
      o.table()->sortBy(-1, Qt::AscendingOrder);
      o.model->reload();
      state.ResumeTiming();
    }
    o.table()->sortBy(WordTableModel::reading, order);
    benchmark::DoNotOptimize(o.window->grab());
    order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
  }
  o.table()->sortBy(-1, Qt::AscendingOrder);
}

// A page down through the table.
void scrollPage(benchmark::State& state) {
  Opened& o = opened(static_cast<int>(state.range(0)));
  QScrollBar* bar = o.table()->verticalScrollBar();
  for (auto _ : state) {
    bar->setValue(bar->value() + bar->pageStep() < bar->maximum() ? bar->value() + bar->pageStep()
                                                                  : 0);
    benchmark::DoNotOptimize(o.window->grab());
  }
}

// Every row selected, then new rows of the same snapshot: the selection found again by id.
void keepEverySelected(benchmark::State& state) {
  Opened& o = opened(static_cast<int>(state.range(0)));
  o.table()->selectAll();
  for (auto _ : state) {
    o.table()->showRows(o.model->rows(), true);
    benchmark::DoNotOptimize(o.window->grab());
  }
  state.counters["selected"] = static_cast<double>(o.table()->selectedCount());
  o.table()->clearSelection();
}

}  // namespace

BENCHMARK(readAndOpen)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(open)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(keystroke)->ArgsProduct({{100000, 1000000}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(sortByReading)
    ->ArgsProduct({{100000, 1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);
BENCHMARK(scrollPage)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(keepEverySelected)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
