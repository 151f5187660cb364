#pragma once

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "sync/mac_state.h"
#include "ui/style/theme.h"

// One message line at the top of the main panel.
struct Banner {
  // What the buttons at the end of the line do.
  enum class Action {
    closeError,        // a small close button that forgets the failed action's message
    reviewLocalEdits,  // "確認": the direct-edits sheet
    confirmBigChange,  // "確認して反映": the big-change confirmation
  };

  QString icon;
  ThemeColor color;
  QString text;
  std::vector<Action> actions;

  bool operator==(const Banner&) const = default;

  // The button's title; empty for the close button, which shows a symbol.
  static QString title(Action action);
};

namespace Banners {

struct Inputs {
  std::optional<std::string> actionError;
  std::optional<std::string> loadError;
  std::vector<std::string> conflictCopies;
  MacState state;
};

// The banners that hold, in the order they are shown: the failed action first, the state of
// this computer last. A state that is fine (or still being checked) shows none.
std::vector<Banner> of(const Inputs& inputs);

}  // namespace Banners
