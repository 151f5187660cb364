#include "sync/mac_state.h"

#include <type_traits>

MacState MacState::from(const ApplyResult& result) {
  return std::visit(
      [](const auto& outcome) -> MacState {
        if constexpr (std::is_same_v<std::decay_t<decltype(outcome)>, ApplyResult::Applied>) {
          return {Applied{outcome.diff}};
        } else {
          return {outcome};
        }
      },
      result.value);
}

std::string MacState::summary() const {
  struct Summary {
    const char* operator()(const Applied&) const { return "マスターどおりです"; }
    const char* operator()(const MasterProblem&) const { return "マスターに問題があります"; }
    const char* operator()(const LocalEdits&) const { return "直接変更した語があります"; }
    const char* operator()(const BigChange&) const { return "大きな変更で停止しています"; }
    const char* operator()(const Failed&) const { return "反映できませんでした"; }
    const char* operator()(const Checking&) const { return "確認しています…"; }
    const char* operator()(const UpToDate&) const { return "マスターどおりです"; }
    const char* operator()(const ToolOpen&) const { return "辞書ツールを閉じると反映します"; }
  };
  return std::visit(Summary{}, value);
}

bool MacState::isOK() const {
  return std::holds_alternative<Applied>(value) || std::holds_alternative<UpToDate>(value);
}
