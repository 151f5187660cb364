#include "update/minisign.h"

#include <sodium.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

namespace Minisign {
namespace {

constexpr std::string_view untrustedPrefix = "untrusted comment: ";
constexpr std::string_view trustedPrefix = "trusted comment: ";
// Far above any real signature; keeps a hostile download from being read whole.
constexpr std::size_t maxSignatureText = 8192;

bool ready() {
  static const bool initialised = sodium_init() >= 0;
  return initialised;
}

std::optional<std::vector<std::uint8_t>> base64(std::string_view text) {
  // Nothing this reads is empty, and libsodium takes no empty buffer.
  if (text.empty() || !ready()) return std::nullopt;
  std::vector<std::uint8_t> out(text.size());
  std::size_t length = 0;
  const char* end = nullptr;
  if (sodium_base642bin(out.data(), out.size(), text.data(), text.size(), nullptr, &length, &end,
                        sodium_base64_VARIANT_ORIGINAL) != 0 ||
      end != text.data() + text.size()) {
    return std::nullopt;
  }
  out.resize(length);
  return out;
}

// Lines split at LF with one trailing CR dropped; a final LF ends the last line.
std::vector<std::string_view> lines(std::string_view text) {
  std::vector<std::string_view> out;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    out.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return out;
}

const PublicKey* keyFor(const Signature& signature, std::span<const PublicKey> keys) {
  const auto found = std::find_if(
      keys.begin(), keys.end(), [&](const PublicKey& key) { return key.keyId == signature.keyId; });
  return found == keys.end() ? nullptr : &*found;
}

bool checkGlobal(const Signature& signature, const PublicKey& key) {
  std::vector<std::uint8_t> signed_(signature.signature.begin(), signature.signature.end());
  signed_.insert(signed_.end(), signature.trustedComment.begin(), signature.trustedComment.end());
  return crypto_sign_verify_detached(signature.globalSignature.data(), signed_.data(),
                                     signed_.size(), key.key.data()) == 0;
}

Check finish(const Signature& signature, const PublicKey& key, const std::uint8_t* message,
             std::size_t size) {
  if (crypto_sign_verify_detached(signature.signature.data(), message, size, key.key.data()) != 0 ||
      !checkGlobal(signature, key)) {
    return Check::badSignature;
  }
  return Check::ok;
}

}  // namespace

std::optional<PublicKey> parsePublicKey(std::string_view text) {
  std::vector<std::string_view> all = lines(text);
  if (!all.empty() && all.front().starts_with(untrustedPrefix)) all.erase(all.begin());
  if (all.size() != 1) return std::nullopt;
  const auto bytes = base64(all.front());
  if (!bytes || bytes->size() != 2 + 8 + 32 || (*bytes)[0] != 'E' || (*bytes)[1] != 'd') {
    return std::nullopt;
  }
  PublicKey key;
  std::copy_n(bytes->begin() + 2, 8, key.keyId.begin());
  std::copy_n(bytes->begin() + 10, 32, key.key.begin());
  return key;
}

std::optional<Signature> parseSignature(std::string_view text) {
  if (text.size() > maxSignatureText) return std::nullopt;
  const std::vector<std::string_view> all = lines(text);
  if (all.size() != 4 || !all[0].starts_with(untrustedPrefix) ||
      !all[2].starts_with(trustedPrefix)) {
    return std::nullopt;
  }
  const auto main = base64(all[1]);
  const auto global = base64(all[3]);
  if (!main || !global || main->size() != 2 + 8 + 64 || global->size() != 64) return std::nullopt;
  Signature signature;
  if ((*main)[0] != 'E') return std::nullopt;
  if ((*main)[1] == 'D') {
    signature.prehashed = true;
  } else if ((*main)[1] == 'd') {
    signature.prehashed = false;
  } else {
    return std::nullopt;
  }
  std::copy_n(main->begin() + 2, 8, signature.keyId.begin());
  std::copy_n(main->begin() + 10, 64, signature.signature.begin());
  signature.trustedComment = std::string(all[2].substr(trustedPrefix.size()));
  std::copy(global->begin(), global->end(), signature.globalSignature.begin());
  return signature;
}

std::string keyIdText(const KeyId& id) {
  // minisign prints the id as a little-endian 64-bit number.
  std::string out;
  char digits[3];
  for (auto it = id.rbegin(); it != id.rend(); ++it) {
    std::snprintf(digits, sizeof digits, "%02X", *it);
    out += digits;
  }
  return out;
}

Check verify(const Signature& signature, std::span<const PublicKey> keys,
             std::string_view message) {
  const PublicKey* key = keyFor(signature, keys);
  if (key == nullptr) return Check::unknownKey;
  if (!ready()) return Check::badSignature;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(message.data());
  if (!signature.prehashed) return finish(signature, *key, bytes, message.size());
  std::array<std::uint8_t, crypto_generichash_BYTES_MAX> hash{};
  crypto_generichash(hash.data(), hash.size(), bytes, message.size(), nullptr, 0);
  return finish(signature, *key, hash.data(), hash.size());
}

Check verifyFile(const Signature& signature, std::span<const PublicKey> keys,
                 const std::filesystem::path& file) {
  const PublicKey* key = keyFor(signature, keys);
  if (key == nullptr) return Check::unknownKey;
  if (!ready()) return Check::badSignature;
  std::ifstream in(file, std::ios::binary);
  if (!in) return Check::badSignature;
  std::vector<char> buffer(1 << 16);
  if (!signature.prehashed) {
    std::string whole;
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
      whole.append(buffer.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) return Check::badSignature;
    return verify(signature, keys, whole);
  }
  crypto_generichash_state state;
  crypto_generichash_init(&state, nullptr, 0, crypto_generichash_BYTES_MAX);
  while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
    crypto_generichash_update(&state, reinterpret_cast<const std::uint8_t*>(buffer.data()),
                              static_cast<unsigned long long>(in.gcount()));
  }
  if (in.bad()) return Check::badSignature;
  std::array<std::uint8_t, crypto_generichash_BYTES_MAX> hash{};
  crypto_generichash_final(&state, hash.data(), hash.size());
  return finish(signature, *key, hash.data(), hash.size());
}

}  // namespace Minisign
