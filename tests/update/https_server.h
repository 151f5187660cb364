#pragma once

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QHostAddress>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/process.h"

// An HTTPS server on 127.0.0.1 for the tests, with a certificate of a test CA made by openssl.
// Only this process trusts that CA, and only after trustTestCa().
class TestHttpsServer : public QObject {
 public:
  struct Response {
    int status = 200;
    QByteArray body;
    bool sendLength = true;
    // Headers only, then silence: the client's inactivity limit has to end it.
    bool stall = false;
    // Sent in pieces of this size, one every `pieceDelayMs`; 0 sends it whole.
    int pieceSize = 0;
    int pieceDelayMs = 0;
  };

  explicit TestHttpsServer(const std::filesystem::path& folder) {
    makeCertificates(folder);
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificate(certificate(folder / "server.pem"));
    QFile keyFile(QString::fromStdString((folder / "server.key").string()));
    keyFile.open(QIODevice::ReadOnly);
    config.setPrivateKey(QSslKey(&keyFile, QSsl::Ec));
    server_.setSslConfiguration(config);
    ca_ = certificate(folder / "ca.pem");
    if (!server_.listen(QHostAddress::LocalHost)) throw std::runtime_error("cannot listen");
    connect(&server_, &QTcpServer::pendingConnectionAvailable, this, [this] {
      while (auto* socket = server_.nextPendingConnection()) serve(socket);
    });
  }

  // Makes the test CA the only one this process trusts.
  void trustTestCa() const {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setCaCertificates({ca_});
    QSslConfiguration::setDefaultConfiguration(config);
  }

  QUrl url(const QString& path) const {
    return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
  }

  void set(const QString& path, const Response& response) { responses_[path] = response; }
  void setFile(const QString& path, const std::filesystem::path& file) {
    QFile f(QString::fromStdString(file.string()));
    f.open(QIODevice::ReadOnly);
    set(path, {200, f.readAll()});
  }

  QStringList requested;

 private:
  static QSslCertificate certificate(const std::filesystem::path& file) {
    const auto list = QSslCertificate::fromPath(QString::fromStdString(file.string()));
    if (list.isEmpty()) throw std::runtime_error("no certificate in " + file.string());
    return list.first();
  }

  static void openssl(const std::vector<std::string>& arguments) {
    const auto result = platform::runProcess("openssl", arguments, {.captureOutput = true});
    if (result.status != 0) throw std::runtime_error("openssl: " + result.output);
  }

  static void makeCertificates(const std::filesystem::path& folder) {
    const auto at = [&](const char* name) { return (folder / name).string(); };
    std::filesystem::create_directories(folder);
    {
      QFile ext(QString::fromStdString(at("server.ext")));
      ext.open(QIODevice::WriteOnly);
      ext.write("subjectAltName=IP:127.0.0.1,DNS:localhost\nbasicConstraints=CA:FALSE\n");
    }
    const std::vector<std::string> ec = {"-newkey", "ec", "-pkeyopt",
                                         "ec_paramgen_curve:prime256v1", "-nodes"};
    std::vector<std::string> ca = {
        "req",     "-x509",      "-days", "2",         "-subj", "/CN=Wordloom Test CA",
        "-keyout", at("ca.key"), "-out",  at("ca.pem")};
    ca.insert(ca.end(), ec.begin(), ec.end());
    openssl(ca);
    std::vector<std::string> request = {
        "req", "-subj", "/CN=localhost", "-keyout", at("server.key"), "-out", at("server.csr")};
    request.insert(request.end(), ec.begin(), ec.end());
    openssl(request);
    openssl({"x509", "-req", "-days", "2", "-in", at("server.csr"), "-CA", at("ca.pem"), "-CAkey",
             at("ca.key"), "-CAcreateserial", "-extfile", at("server.ext"), "-out",
             at("server.pem")});
  }

  void serve(QTcpSocket* socket) {
    auto* buffer = new QByteArray;
    connect(socket, &QObject::destroyed, [buffer] { delete buffer; });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
      *buffer += socket->readAll();
      const qsizetype end = buffer->indexOf("\r\n\r\n");
      if (end < 0) return;
      const QList<QByteArray> line = buffer->left(buffer->indexOf("\r\n")).split(' ');
      const QString path = QString::fromUtf8(line.value(1));
      buffer->clear();
      requested << path;
      respond(socket, responses_.value(path, Response{404, "not found"}));
    });
  }

  void respond(QTcpSocket* socket, const Response& r) {
    QByteArray head = "HTTP/1.1 " + QByteArray::number(r.status) + " X\r\n";
    if (r.sendLength) head += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    if (r.stall) return;
    if (r.pieceSize <= 0) {
      socket->write(r.body);
      socket->disconnectFromHost();
      return;
    }
    auto* timer = new QTimer(socket);
    auto offset = std::make_shared<qsizetype>(0);
    QPointer<QTcpSocket> guarded(socket);
    connect(timer, &QTimer::timeout, socket, [guarded, timer, offset, r] {
      if (!guarded) return;
      guarded->write(r.body.mid(*offset, r.pieceSize));
      *offset += r.pieceSize;
      if (*offset >= r.body.size()) {
        timer->stop();
        guarded->disconnectFromHost();
      }
    });
    timer->start(r.pieceDelayMs);
  }

  QSslServer server_;
  QSslCertificate ca_;
  QHash<QString, Response> responses_;
};
