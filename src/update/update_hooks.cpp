#include "update/update_hooks.h"

#include <QString>
#include <QtGlobal>

#include "update/update_text.h"

namespace UpdatePrompt {
namespace {

std::optional<QString> variable(const char* name) {
  if (!qEnvironmentVariableIsSet(name)) return std::nullopt;
  return qEnvironmentVariable(name);
}

std::optional<QString> testVariable([[maybe_unused]] const char* name) {
#ifdef WORDLOOM_TEST_HOOKS
  return variable(name);
#else
  return std::nullopt;
#endif
}

}  // namespace

bool isSnapshotting() {
  return !variable("UPDATE_PROMPT_SNAPSHOT").value_or(QString()).isEmpty();
}

QString snapshotPath() {
  return variable("UPDATE_PROMPT_SNAPSHOT").value_or(QStringLiteral("/dev/null"));
}

std::optional<bool> snapshotIsDark() {
  const auto value = variable("UPDATE_PROMPT_APPEARANCE");
  if (!value) return std::nullopt;
  return *value == QLatin1String("dark");
}

UpdatePhase snapshotPhase(const UpdatePhase& opened) {
  const QString phase = variable("UPDATE_PROMPT_SNAPSHOT_PHASE").value_or(QString());
  if (phase == QLatin1String("download")) return UpdatePhase::downloading(0.56, 3100000, 5600000);
  if (phase == QLatin1String("installing")) return UpdatePhase::installing();
  if (phase == QLatin1String("failed")) {
    return UpdatePhase::failed(
        L(QStringLiteral("署名を確認できませんでした。")),
        L(QStringLiteral(
            "ダウンロードしたものが、開発元の署名と一致しません。ダウンロードページから、"
            "もう一度インストールしてください。")));
  }
  if (phase == QLatin1String("uptodate")) return UpdatePhase::upToDate();
  return opened;
}

std::optional<QUrl> testFeed() {
  const auto value = testVariable("UPDATE_PROMPT_TEST_FEED");
  if (!value) return std::nullopt;
  const QUrl url(*value, QUrl::StrictMode);
  if (!url.isValid() || url.scheme().isEmpty()) return std::nullopt;
  return url;
}

bool testReset() {
  return testVariable("UPDATE_PROMPT_TEST_RESET") == QLatin1String("1");
}

bool testAllowAnywhere() {
  return testVariable("UPDATE_PROMPT_TEST_ALLOW_ANYWHERE") == QLatin1String("1");
}

bool testActionIsInstall() {
  return testVariable("UPDATE_PROMPT_TEST_ACTION") == QLatin1String("install");
}

bool testNoRelaunch() {
  return testVariable("UPDATE_PROMPT_TEST_NO_RELAUNCH") == QLatin1String("1");
}

std::optional<QString> testTeam() {
  return testVariable("UPDATE_PROMPT_TEST_TEAM");
}

}  // namespace UpdatePrompt
