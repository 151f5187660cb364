#include "update/feed.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>

namespace UpdatePrompt {
namespace {

// A feed read over the network names web pages and downloads; letting it name a file on this
// computer or hand the desktop any other kind of address would let whoever answers for the
// server open or copy local things.
bool mayPointTo(const QUrl& base, const QUrl& target) {
  if (base.isLocalFile()) return target.isLocalFile() || isAllowedNetworkUrl(target);
  return isAllowedNetworkUrl(target);
}

QUrl field(const QJsonObject& object, const char* key, const QUrl& base) {
  const QString text = object.value(QLatin1String(key)).toString();
  if (text.isEmpty()) return {};
  const QUrl relative(text, QUrl::StrictMode);
  if (!relative.isValid()) return {};
  const QUrl resolved = base.resolved(relative);
  return mayPointTo(base, resolved) ? resolved : QUrl();
}

}  // namespace

QUrl feedUrl() {
  return QUrl(QStringLiteral(WORDLOOM_VENDOR_SITE "/apps/wordloom/version.json"));
}

bool isAllowedNetworkUrl(const QUrl& url) {
  if (!url.isValid() || url.host().isEmpty()) return false;
  const QString scheme = url.scheme().toLower();
  if (scheme == QLatin1String("https")) return true;
#ifdef WORDLOOM_TEST_HOOKS
  if (scheme == QLatin1String("http")) {
    const QHostAddress address(url.host());
    return url.host() == QLatin1String("localhost") || address.isLoopback();
  }
#endif
  return false;
}

std::optional<Feed> decodeFeed(const QByteArray& json, const QUrl& base) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(json, &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
  const QJsonObject object = document.object();
  const QJsonValue version = object.value(QLatin1String("version"));
  if (!version.isString()) return std::nullopt;
  for (const char* key : {"url", "zip", "notes"}) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isUndefined() && !value.isNull() && !value.isString()) return std::nullopt;
  }
  return Feed{version.toString(), field(object, "url", base), field(object, "zip", base),
              field(object, "notes", base)};
}

}  // namespace UpdatePrompt
