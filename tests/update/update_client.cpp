// Stands in for the running application in the end-to-end test: reads the feed, downloads and
// checks the release through the installer, arranges the swap with the installed copy's own
// `--finish-update`, and quits, as the application does after "アップデートをインストール".
//
//   update_client FEED_URL CA_PEM INSTALL_FOLDER
#include <QCoreApplication>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <cstdio>

#include "update/update_installer.h"
#include "update/update_prompt.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 4) return 2;
  QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
  ssl.setCaCertificates(QSslCertificate::fromPath(QString::fromLocal8Bit(argv[2])));
  QSslConfiguration::setDefaultConfiguration(ssl);
  const std::filesystem::path root = argv[3];
  const QString current = QStringLiteral("1.6");

  int status = 1;
  UpdatePrompt::fetch(
      UpdatePrompt::RemoteSource{QUrl(QString::fromLocal8Bit(argv[1]))},
      [&](const std::optional<UpdatePrompt::Feed>& feed) {
        if (!feed) {
          app.quit();
          return;
        }
        UpdateInstaller::download(
            feed->zip, feed->version, current,
            {{},
             {},
             [&](const UpdateInstaller::VerifyResult& result) {
               if (const auto* failure = std::get_if<UpdateInstaller::Failure>(&result)) {
                 std::fprintf(stderr, "client: %s %s\n", qPrintable(failure->headline),
                              qPrintable(failure->detail));
               } else {
                 const auto swap = UpdateInstaller::replaceAfterQuit(
                     std::get<UpdateInstaller::StagedInstall>(result), true,
                     {.program = root / "bin/wordloom",
                      .target = root,
                      .relaunchArguments = {"--version"}});
                 if (!swap) status = 0;
               }
               app.quit();
             }},
            {.installRoot = root});
      });
  app.exec();
  return status;
}
