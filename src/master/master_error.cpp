#include "master/master_error.h"

#include <string>
#include <type_traits>

namespace {

std::string describe(const MasterError::Case& errorCase) {
  return std::visit(
      [](const auto& c) -> std::string {
        using T = std::decay_t<decltype(c)>;
        if constexpr (std::is_same_v<T, MasterError::BadLine>) {
          return "マスター「" + c.file + "」の " + std::to_string(c.line) + "行目: " + c.reason;
        } else if constexpr (std::is_same_v<T, MasterError::NotFound>) {
          return "マスターのフォルダが見つかりません: " + c.path;
        } else {
          return "マスター「" + c.file + "」は通常のファイルではないので、辞書として読めません";
        }
      },
      errorCase);
}

}  // namespace

MasterError::MasterError(Case errorCase)
    : case_(std::move(errorCase)), description_(describe(case_)) {}
