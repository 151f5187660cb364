#include "ui/main/banner.h"

#include <QStringList>

#include "platform/ime_platform.h"
#include "ui/main/main_texts.h"

using MainTexts::text;

QString Banner::title(Action action) {
  switch (action) {
    case Action::closeError:
      return {};
    case Action::reviewLocalEdits:
      return QStringLiteral("確認");
    case Action::confirmBigChange:
      return QStringLiteral("確認して反映");
  }
  return {};
}

namespace Banners {

namespace {

const QString error = QStringLiteral("error");
const QString warning = QStringLiteral("warning");

QString joined(const std::vector<std::string>& parts, const QString& separator) {
  QStringList list;
  for (const std::string& part : parts) list << text(part);
  return list.join(separator);
}

std::optional<Banner> stateBanner(const MacState& state) {
  using S = MacState;
  if (const auto* problem = std::get_if<S::MasterProblem>(&state.value)) {
    return Banner{error,
                  Theme::danger,
                  QStringLiteral("マスターに問題があるので反映を停止しています\n") +
                      joined(problem->lines, QStringLiteral("\n")),
                  {}};
  }
  if (const auto* edits = std::get_if<S::LocalEdits>(&state.value)) {
    return Banner{warning,
                  Theme::warn,
                  text(platformWords().thisComputer("で直接変更した語が ")) +
                      QString::number(Diff::changeCount(edits->diff)) +
                      QStringLiteral("語あります。上書きせずに、反映を保留しています"),
                  {Banner::Action::reviewLocalEdits}};
  }
  if (const auto* big = std::get_if<S::BigChange>(&state.value)) {
    return Banner{warning,
                  Theme::warn,
                  QStringLiteral("大きな変更なので反映を停止しました（") + text(big->reason) +
                      QStringLiteral("）"),
                  {Banner::Action::confirmBigChange}};
  }
  if (const auto* failed = std::get_if<S::Failed>(&state.value)) {
    return Banner{error,
                  Theme::danger,
                  QStringLiteral("反映できませんでした: ") + text(failed->description),
                  {}};
  }
  if (std::holds_alternative<S::ToolOpen>(state.value)) {
    return Banner{QStringLiteral("info"),
                  Theme::sub,
                  QStringLiteral("辞書ツール（または環境設定）が開いています。閉じると反映します"),
                  {}};
  }
  return std::nullopt;
}

}  // namespace

std::vector<Banner> of(const Inputs& inputs) {
  std::vector<Banner> banners;
  if (inputs.actionError) {
    banners.push_back(
        {error, Theme::danger, text(*inputs.actionError), {Banner::Action::closeError}});
  }
  if (inputs.loadError) banners.push_back({error, Theme::danger, text(*inputs.loadError), {}});
  if (!inputs.conflictCopies.empty()) {
    banners.push_back({warning,
                       Theme::warn,
                       QStringLiteral("マスターに競合コピーがあります（") +
                           joined(inputs.conflictCopies, QStringLiteral("、")) +
                           QStringLiteral("）。内容を確認して、不要なら削除してください"),
                       {}});
  }
  if (std::optional<Banner> state = stateBanner(inputs.state)) banners.push_back(std::move(*state));
  return banners;
}

}  // namespace Banners
