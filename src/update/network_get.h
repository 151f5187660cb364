#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

// One GET, the only way the updater reads the network: a fresh access manager of its own (no
// cache, no cookies, nothing shared with another request), an inactivity limit rather than a total
// one, a cap on the bytes taken, and only the addresses isAllowedNetworkUrl accepts, redirects
// included.
struct GetOptions {
  std::chrono::milliseconds inactivity{15000};
  qint64 maxBytes = 1 << 20;
  // Where the body goes; empty keeps it in memory.
  QString saveTo;
};

struct GetResult {
  // A transport error (none reached the server, or the transfer broke off): its description.
  QString error;
  // The HTTP status; 0 when the answer was not HTTP or none came.
  int status = 0;
  // The body when it is kept in memory.
  QByteArray body;

  bool ok() const { return error.isEmpty() && (status == 0 || status == 200); }
};

class NetworkGet : public QObject {
 public:
  using Progress = std::function<void(qint64 received, qint64 expected)>;
  using Done = std::function<void(const GetResult&)>;

  // Starts at once. `done` runs once on this thread unless `cancel` came first; the object
  // deletes itself after it.
  static QPointer<NetworkGet> start(const QUrl& url, const GetOptions& options, Done done,
                                    Progress progress = {});

  // Stops the transfer; no callback runs afterwards.
  void cancel();

 private:
  NetworkGet(const GetOptions& options, Done done, Progress progress);
  void begin(const QUrl& url);
  void takeBytes();
  void fail(const QString& error);
  void finish();

  GetOptions options_;
  Done done_;
  Progress progress_;
  QNetworkAccessManager* manager_ = nullptr;
  QNetworkReply* reply_ = nullptr;
  QTimer idle_;
  QFile file_;
  GetResult result_;
  qint64 received_ = 0;
  bool ended_ = false;
};
