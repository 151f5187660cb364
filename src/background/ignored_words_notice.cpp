#include "background/ignored_words_notice.h"

#include "background/background_run.h"
#include "platform/ime_platform.h"

namespace IgnoredWordsNotice {
namespace {

std::string line(const IgnoredWord& word) {
  return word.dictionary + ": " + word.message();
}

std::string count(const std::vector<IgnoredWord>& words) {
  return std::to_string(words.size()) + "語あります";
}

}  // namespace

std::string message(const std::vector<IgnoredWord>& words) {
  const IgnoredWord& first = words.front();
  return PlatformWords::join({"マスターに", platformWords().ime, "が使わない語が "}) +
         count(words) + "（「" + first.dictionary + ".txt」の " + std::to_string(first.line) +
         "行目" + (words.size() > 1 ? "など" : "") + "）。アプリを開いて確認してください";
}

std::string key(const std::vector<IgnoredWord>& words) {
  std::string key = "ignored:";
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) key += '|';
    key += line(words[i]);
  }
  return key;
}

std::vector<std::string> lines(const std::vector<IgnoredWord>& words) {
  if (words.empty()) return {};
  std::vector<std::string> lines = {
      PlatformWords::join({"ただし、", platformWords().ime, "が使わない語が "}) + count(words)};
  for (const IgnoredWord& word : words) lines.push_back(line(word));
  return lines;
}

void settle(const std::vector<IgnoredWord>& words, const SyncPaths& paths,
            NotificationSink& notifier) {
  if (words.empty()) {
    BackgroundRun::clearNotice(paths);
    return;
  }
  BackgroundRun::notifyOnce(message(words), key(words), paths, notifier);
}

}  // namespace IgnoredWordsNotice
