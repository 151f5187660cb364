#include "update/network_get.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "update/feed.h"

namespace {

QString tooLarge(qint64 cap) {
  return QStringLiteral("The answer is larger than %1 bytes").arg(cap);
}

}  // namespace

NetworkGet::NetworkGet(const GetOptions& options, Done done, Progress progress)
    : options_(options), done_(std::move(done)), progress_(std::move(progress)) {}

QPointer<NetworkGet> NetworkGet::start(const QUrl& url, const GetOptions& options, Done done,
                                       Progress progress) {
  auto* get = new NetworkGet(options, std::move(done), std::move(progress));
  QPointer<NetworkGet> handle(get);
  get->begin(url);
  return handle;
}

void NetworkGet::begin(const QUrl& url) {
  if (!UpdatePrompt::isAllowedNetworkUrl(url)) {
    // Reported from the event loop, as every other outcome is.
    QTimer::singleShot(0, this, [this, url] {
      fail(QStringLiteral("Only HTTPS addresses are read: ") + url.toDisplayString());
    });
    return;
  }
  if (!options_.saveTo.isEmpty()) {
    file_.setFileName(options_.saveTo);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      const QString error = file_.errorString();
      QTimer::singleShot(0, this, [this, error] { fail(error); });
      return;
    }
  }
  manager_ = new QNetworkAccessManager(this);
  manager_->setCookieJar(nullptr);
  manager_->setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
  QNetworkRequest request(url);
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
  request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
  request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
  request.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);
  reply_ = manager_->get(request);

  idle_.setSingleShot(true);
  idle_.setInterval(options_.inactivity);
  connect(&idle_, &QTimer::timeout, this, [this] {
    fail(QStringLiteral("No answer for %1 seconds").arg(options_.inactivity.count() / 1000.0));
  });
  idle_.start();
  connect(reply_, &QNetworkReply::redirected, this, [this](const QUrl& next) {
    if (UpdatePrompt::isAllowedNetworkUrl(next)) {
      emit reply_->redirectAllowed();
    } else {
      fail(QStringLiteral("Redirected to an address that is not read: ") + next.toDisplayString());
    }
  });
  connect(reply_, &QNetworkReply::metaDataChanged, this, [this] {
    idle_.start();
    const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > options_.maxBytes)
      fail(tooLarge(options_.maxBytes));
  });
  connect(reply_, &QNetworkReply::readyRead, this, [this] { takeBytes(); });
  connect(reply_, &QNetworkReply::finished, this, [this] { finish(); });
}

void NetworkGet::takeBytes() {
  if (ended_) return;
  idle_.start();
  const QByteArray bytes = reply_->readAll();
  received_ += bytes.size();
  if (received_ > options_.maxBytes) {
    fail(tooLarge(options_.maxBytes));
    return;
  }
  if (file_.isOpen()) {
    if (file_.write(bytes) != bytes.size()) {
      fail(file_.errorString());
      return;
    }
  } else {
    result_.body += bytes;
  }
  if (progress_) {
    const qint64 expected = reply_->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    progress_(received_, std::max<qint64>(0, expected));
  }
}

void NetworkGet::finish() {
  if (ended_) return;
  takeBytes();
  if (ended_) return;
  const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  if (status.isValid()) {
    result_.status = status.toInt();
  } else if (reply_->error() != QNetworkReply::NoError) {
    fail(reply_->errorString());
    return;
  }
  // An HTTP answer that broke off after its status line is still a transport error.
  if (reply_->error() != QNetworkReply::NoError && result_.status == 200) {
    fail(reply_->errorString());
    return;
  }
  if (file_.isOpen() && !file_.flush()) {
    fail(file_.errorString());
    return;
  }
  file_.close();
  ended_ = true;
  idle_.stop();
  done_(result_);
  deleteLater();
}

void NetworkGet::fail(const QString& error) {
  if (ended_) return;
  ended_ = true;
  idle_.stop();
  if (reply_ != nullptr) {
    reply_->disconnect(this);
    reply_->abort();
  }
  file_.close();
  result_.error = error;
  result_.status = 0;
  done_(result_);
  deleteLater();
}

void NetworkGet::cancel() {
  if (ended_) return;
  ended_ = true;
  idle_.stop();
  if (reply_ != nullptr) {
    reply_->disconnect(this);
    reply_->abort();
  }
  file_.close();
  deleteLater();
}
