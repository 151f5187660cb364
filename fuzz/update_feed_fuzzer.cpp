// Any bytes as "version.json": either no feed, or a feed whose addresses are all ones the updater
// may read (HTTPS on the web; files only beside a local feed).
#include <QByteArray>
#include <QUrl>
#include <cstdint>
#include <cstdlib>

#include "update/feed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  static const QUrl remote(QStringLiteral("https://kumomori.jp/apps/wordloom/version.json"));
  static const QUrl local = QUrl::fromLocalFile(QStringLiteral("/staff/version.json"));
  const auto feed = UpdatePrompt::decodeFeed(bytes, remote);
  if (feed) {
    for (const QUrl& url : {feed->page, feed->zip, feed->notes}) {
      if (!url.isEmpty() && !UpdatePrompt::isAllowedNetworkUrl(url)) std::abort();
    }
  }
  if (UpdatePrompt::decodeFeed(bytes, local).has_value() != feed.has_value()) std::abort();
  return 0;
}
