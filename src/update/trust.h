#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "update/minisign.h"

// What a genuine update is checked against: the public keys compiled into this build and the
// application, version and architecture a signature's trusted comment names.
namespace UpdateTrust {

inline constexpr std::string_view applicationId = "jp.kumomori.wordloom";

// The keys whose signatures are accepted: the release key and room for the one that follows it.
// In builds with test hooks, UPDATE_PROMPT_TEST_TEAM (a public key) replaces them.
std::vector<Minisign::PublicKey> trustedKeys();

// The key id of the first trusted key, as minisign prints it: who signs genuine updates. Empty
// when this build trusts no key (then no update is ever accepted).
std::string expectedTeamID();

// The architecture this was built for, as `uname -m` names it.
std::string_view architecture();

// What a release's trusted comment says: "app:<id> version:<version> arch:<architecture>".
struct SignedRelease {
  std::string id;
  std::string version;
  std::string architecture;
  bool operator==(const SignedRelease&) const = default;
};

std::string trustedComment(const SignedRelease& release);

// Each of the three fields exactly once; other words (minisign's own "timestamp:", "file:") are
// ignored. None when a field is missing or repeated.
std::optional<SignedRelease> parseTrustedComment(std::string_view comment);

}  // namespace UpdateTrust
