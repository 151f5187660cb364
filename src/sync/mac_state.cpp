#include "sync/mac_state.h"

MacState MacState::from(const ApplyResult& result) {
  struct Mapper {
    MacState operator()(const ApplyResult::Applied& r) const { return {Applied{r.diff}}; }
    MacState operator()(const ApplyResult::MasterProblem& r) const {
      return {MasterProblem{r.lines}};
    }
    MacState operator()(const ApplyResult::LocalEdits& r) const {
      return {LocalEdits{r.diff, r.firstRun}};
    }
    MacState operator()(const ApplyResult::BigChange& r) const {
      return {BigChange{r.diff, r.reason}};
    }
    MacState operator()(const ApplyResult::UpToDate&) const { return {UpToDate{}}; }
    MacState operator()(const ApplyResult::ToolOpen&) const { return {ToolOpen{}}; }
  };
  return std::visit(Mapper{}, result.value);
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
