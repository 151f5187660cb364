// Any bytes as a minisign signature, public key and trusted comment: the readers refuse or read,
// and a signature read from these bytes never verifies a message under a fixed key.
#include <sodium.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "update/minisign.h"
#include "update/trust.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  static const std::vector<Minisign::PublicKey> keys = [] {
    Minisign::PublicKey key;
    std::uint8_t secret[crypto_sign_SECRETKEYBYTES];
    std::uint8_t seed[crypto_sign_SEEDBYTES] = {7};
    if (sodium_init() < 0) std::abort();
    crypto_sign_seed_keypair(key.key.data(), secret, seed);
    key.keyId = {1, 2, 3, 4, 5, 6, 7, 8};
    return std::vector{key};
  }();
  Minisign::parsePublicKey(bytes);
  UpdateTrust::parseTrustedComment(bytes);
  if (const auto signature = Minisign::parseSignature(bytes)) {
    if (Minisign::verify(*signature, keys, "message") == Minisign::Check::ok) std::abort();
    UpdateTrust::parseTrustedComment(signature->trustedComment);
  }
  return 0;
}
