#include "update/trust.h"

#include <QString>

#include "update/update_hooks.h"

#ifndef WORDLOOM_UPDATE_KEYS
#define WORDLOOM_UPDATE_KEYS ""
#endif

namespace UpdateTrust {
namespace {

std::vector<Minisign::PublicKey> keysIn(std::string_view text) {
  std::vector<Minisign::PublicKey> keys;
  while (!text.empty()) {
    const std::size_t space = text.find(' ');
    if (const auto key = Minisign::parsePublicKey(text.substr(0, space))) keys.push_back(*key);
    if (space == std::string_view::npos) break;
    text.remove_prefix(space + 1);
  }
  return keys;
}

}  // namespace

std::vector<Minisign::PublicKey> trustedKeys() {
  if (const auto test = UpdatePrompt::testTeam()) {
    const auto key = Minisign::parsePublicKey(test->trimmed().toStdString());
    return key ? std::vector{*key} : std::vector<Minisign::PublicKey>{};
  }
  return keysIn(WORDLOOM_UPDATE_KEYS);
}

std::string expectedTeamID() {
  const auto keys = trustedKeys();
  return keys.empty() ? std::string() : Minisign::keyIdText(keys.front().keyId);
}

std::string_view architecture() {
#if defined(__x86_64__)
  return "x86_64";
#elif defined(__aarch64__)
  return "aarch64";
#elif defined(__riscv) && __riscv_xlen == 64
  return "riscv64";
#else
#error "name this architecture as uname -m does"
#endif
}

std::string trustedComment(const SignedRelease& release) {
  return "app:" + release.id + " version:" + release.version + " arch:" + release.architecture;
}

std::optional<SignedRelease> parseTrustedComment(std::string_view comment) {
  SignedRelease release;
  bool seen[3] = {false, false, false};
  const std::pair<std::string_view, std::string*> fields[3] = {
      {"app:", &release.id}, {"version:", &release.version}, {"arch:", &release.architecture}};
  while (!comment.empty()) {
    const std::size_t space = comment.find_first_of(" \t");
    const std::string_view word = comment.substr(0, space);
    for (int i = 0; i < 3; ++i) {
      if (!word.starts_with(fields[i].first)) continue;
      if (seen[i]) return std::nullopt;
      seen[i] = true;
      *fields[i].second = std::string(word.substr(fields[i].first.size()));
    }
    if (space == std::string_view::npos) break;
    comment.remove_prefix(space + 1);
  }
  if (!seen[0] || !seen[1] || !seen[2] || release.id.empty() || release.version.empty() ||
      release.architecture.empty()) {
    return std::nullopt;
  }
  return release;
}

}  // namespace UpdateTrust
