#pragma once

#include <QApplication>
#include <QTest>
#include <memory>

#include "app/app_scene.h"
#include "ui/style/appearance.h"
#include "ui/style/material_symbols.h"

// Worlds whose last reflect ended in each state the main window shows, built through real
// reflects on a temporary master and dictionary file.
namespace MainScene {

// Once per test program, after the QApplication.
inline void prepareLook() {
  MaterialSymbols::registerFont();
  Appearance::shared();
}

// Reflects and waits for the outcome.
inline bool reflect(AppModel& model, bool discardLocalEdits = false, bool allowBigChange = false) {
  model.sync(discardLocalEdits, allowBigChange);
  return Scene::settle(model);
}

inline Words pick(const Words& all, std::size_t count) {
  return Words(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(count));
}

// Dictionaries "人名" (12 words) and "地名" (5), reflected: this computer matches the master.
inline std::unique_ptr<AppModel> upToDate(Scene& scene) {
  scene.writeMaster("人名", words("名", 12));
  scene.writeMaster("地名", words("地", 5));
  scene.writeDictionary({});
  auto model = scene.model();
  if (!reflect(*model, true)) return nullptr;
  return model;
}

// This computer holds one word more than the master, on its first reflect.
inline std::unique_ptr<AppModel> localEdits(Scene& scene) {
  scene.writeMaster("人名", words("名", 3));
  scene.writeDictionary({{"人名", words("名", 4)}});
  auto model = scene.model();
  if (!reflect(*model)) return nullptr;
  return model;
}

// The master lost 8 of this computer's 10 words since the last reflect.
inline std::unique_ptr<AppModel> bigChange(Scene& scene) {
  scene.writeMaster("人名", words("名", 10));
  scene.writeDictionary({});
  auto model = scene.model();
  if (!reflect(*model, true)) return nullptr;
  scene.writeMaster("人名", pick(words("名", 10), 2));
  model->reload();
  if (!reflect(*model)) return nullptr;
  return model;
}

// The same word twice in one dictionary.
inline std::unique_ptr<AppModel> masterProblem(Scene& scene) {
  scene.writeMaster("人名", {{"よみ", "読み"}, {"よみ", "読み"}});
  scene.writeDictionary({});
  auto model = scene.model();
  if (!reflect(*model)) return nullptr;
  return model;
}

// The IME has no user dictionary yet: the reflect throws.
inline std::unique_ptr<AppModel> failed(Scene& scene) {
  scene.writeMaster("人名", words("名", 3));
  auto model = scene.model();
  if (!reflect(*model)) return nullptr;
  return model;
}

// One of the IME's dictionary tools is open.
inline std::unique_ptr<AppModel> toolOpen(Scene& scene) {
  scene.writeMaster("人名", words("名", 3));
  scene.writeDictionary({});
  AppContext context = scene.context();
  context.ime.toolProbe = {"true", {}};
  auto model = std::make_unique<AppModel>(context);
  model->reload();
  if (!reflect(*model)) return nullptr;
  return model;
}

}  // namespace MainScene
