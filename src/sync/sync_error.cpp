#include "sync/sync_error.h"

#include "platform/ime_platform.h"

namespace {

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) {
    if (!text.empty()) text += "、";
    text += name;
  }
  return text;
}

std::string describe(const SyncError::Case& errorCase) {
  struct Describer {
    std::string operator()(const SyncError::ZeroByteMaster& e) const {
      return "マスターに 0 "
             "バイトのファイルがあります（クラウドとの同期が終わっていない可能性があります）: " +
             joined(e.names);
    }
    std::string operator()(const SyncError::VerifyFailed&) const {
      return "辞書ファイルに書き込めませんでした（書き込み後に読み込んだ内容が一致しません）。辞書"
             "のバックアップから復元してください";
    }
    std::string operator()(const SyncError::NotConfigured&) const {
      return "同期に使うフォルダが未設定です。アプリを開いて設定してください";
    }
    std::string operator()(const SyncError::NoIME&) const {
      return platformWords().imeThen(
          "が見つかりません。インストールしてから、もう一度お試しください");
    }
    std::string operator()(const SyncError::NoUserDictionary&) const {
      return platformWords().imeThen(
          "のユーザー辞書がまだありません。辞書ツールで語を1つ登録してから、もう一度お試しくださ"
          "い");
    }
    std::string operator()(const SyncError::MasterChanging& e) const {
      return "マスターに読み込み中に変わったファイルがあります"
             "（クラウドとの同期が終わっていない可能性があります）: " +
             joined(e.names);
    }
    std::string operator()(const SyncError::DuplicateDictionaryName& e) const {
      return platformWords().imeThen("のユーザー辞書に同じ名前の辞書「" + e.name +
                                     "」が複数あります。辞書ツールで名前を変えてから、もう一度お"
                                     "試しください");
    }
    std::string operator()(const SyncError::ImeLockUnavailable& e) const {
      return platformWords().imeThen(
                 "の辞書のロックファイルを開けないため、書き込めません"
                 "（持ち主か権限が違う可能性があります）: ") +
             e.path;
    }
  };
  return std::visit(Describer{}, errorCase);
}

}  // namespace

SyncError::SyncError(Case errorCase) : case_(std::move(errorCase)), description_(describe(case_)) {}
