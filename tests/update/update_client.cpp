// Stands in for the running application in the end-to-end test: reads the feed, then either
// downloads and checks the release and arranges the swap with the installed copy's own
// `--finish-update` (as after "アップデートをインストール"), or prepares it silently and swaps
// when it quits (automatic installation, where this program itself runs the swap).
//
//   update_client manual|auto FEED_URL CA_PEM INSTALL_FOLDER
#include <QCoreApplication>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <cstdio>
#include <string>

#include "update/finish_update.h"
#include "update/update_installer.h"
#include "update/update_log.h"
#include "update/update_prompt.h"

namespace {

void manual(QCoreApplication& app, const UpdatePrompt::Feed& feed,
            const std::filesystem::path& root, int& status) {
  UpdateInstaller::download(
      feed.zip, feed.version, QStringLiteral("1.6"),
      {{},
       {},
       [&app, &status, root](const UpdateInstaller::VerifyResult& result) {
         if (const auto* failure = std::get_if<UpdateInstaller::Failure>(&result)) {
           std::fprintf(stderr, "client: %s %s\n", qPrintable(failure->headline),
                        qPrintable(failure->detail));
         } else if (!UpdateInstaller::replaceAfterQuit(
                        std::get<UpdateInstaller::StagedInstall>(result), true,
                        {.program = root / "bin/wordloom",
                         .target = root,
                         .relaunchArguments = {"--version"}})) {
           status = 0;
         }
         app.quit();
       }},
      {.installRoot = root});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--finish-update") {
    return FinishUpdate::main(std::vector<std::string>(argv + 1, argv + argc));
  }
  QCoreApplication app(argc, argv);
  if (argc != 5) return 2;
  const std::string mode = argv[1];
  QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
  ssl.setCaCertificates(QSslCertificate::fromPath(QString::fromLocal8Bit(argv[3])));
  QSslConfiguration::setDefaultConfiguration(ssl);
  const std::filesystem::path root = argv[4];

  int status = 1;
  UpdatePrompt::setLogSink([&](std::string_view line) {
    std::fprintf(stderr, "%.*s\n", int(line.size()), line.data());
    if (line.ends_with("を用意しました。終了したときに差し替えます")) status = 0;
    if (line.find("用意ができませんでした") != std::string_view::npos || status == 0) app.quit();
  });
  UpdatePrompt::fetch(UpdatePrompt::RemoteSource{QUrl(QString::fromLocal8Bit(argv[2]))},
                      [&](const std::optional<UpdatePrompt::Feed>& feed) {
                        if (!feed) {
                          app.quit();
                        } else if (mode == "auto") {
                          UpdateInstaller::prepareForQuit(*feed, QStringLiteral("1.6"),
                                                          {.installRoot = root});
                        } else {
                          manual(app, *feed, root, status);
                        }
                      });
  app.exec();
  return status;
}
