#include "master/master_store_error.h"

#include <string>
#include <type_traits>

#include "platform/ime_platform.h"

namespace {

std::string joined(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& name : names) {
    if (!out.empty()) out += "、";
    out += name;
  }
  return out;
}

std::string describe(const MasterStoreError::Case& errorCase) {
  using E = MasterStoreError;
  return std::visit(
      [](const auto& c) -> std::string {
        using T = std::decay_t<decltype(c)>;
        if constexpr (std::is_same_v<T, E::ZeroByte>) {
          return "マスターに 0 バイトのファイルがあります（クラウドとの同期が終わっていない可能性が"
                 "あります）: " +
                 joined(c.names);
        } else if constexpr (std::is_same_v<T, E::ChangedElsewhere>) {
          return "開いてから、" + platformWords().otherComputers("でマスターが変わりました（") +
                 joined(c.names) + "）。再読み込みしたので、もう一度やり直してください";
        } else if constexpr (std::is_same_v<T, E::AlreadyExists>) {
          return "辞書「" + c.name + "」はすでにあります";
        } else if constexpr (std::is_same_v<T, E::Invalid>) {
          std::string out;
          for (const ValidationIssue& issue : c.issues) {
            if (issue.level != ValidationIssue::Level::error) continue;
            if (!out.empty()) out += '\n';
            out += issue.dictionary + ": " + issue.message;
          }
          return out;
        } else if constexpr (std::is_same_v<T, E::EmptyDictionary>) {
          return "辞書「" + c.name +
                 "」の語が 0 になるので保存しません（辞書ごと削除するときは、左の辞書を右クリックし"
                 "て「辞書を削除」）";
        } else if constexpr (std::is_same_v<T, E::UnknownDictionary>) {
          return "辞書「" + c.name + "」がマスターにありません";
        } else if constexpr (std::is_same_v<T, E::VerifyFailed>) {
          return "「" + c.name +
                 "」を保存できませんでした（保存後に読み込んだ内容が一致しません）。マスターの履歴"
                 "を"
                 "確認してください";
        } else if constexpr (std::is_same_v<T, E::LastDictionary>) {
          return "最後の 1つの辞書は削除できません";
        } else if constexpr (std::is_same_v<T, E::UnwritableText>) {
          return "辞書「" + c.dictionary + "」の語「" + c.reading + " → " + c.word +
                 "」には、マスターのファイルに書けない文字（タブ、改行、よみの先頭の "
                 "BOM）があるので保存できません";
        } else {
          return "辞書「" + c.name + "」を作れません（" + c.reason + "）";
        }
      },
      errorCase);
}

}  // namespace

MasterStoreError::MasterStoreError(Case errorCase)
    : case_(std::move(errorCase)), description_(describe(case_)) {}
