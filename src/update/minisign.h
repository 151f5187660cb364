#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Detached Ed25519 signatures in the minisign format: the tool the release is signed with, and
// the format of the public keys this build trusts.
namespace Minisign {

using KeyId = std::array<std::uint8_t, 8>;

struct PublicKey {
  KeyId keyId{};
  std::array<std::uint8_t, 32> key{};
  bool operator==(const PublicKey&) const = default;
};

struct Signature {
  // "ED": the signature is over the BLAKE2b-512 hash of the file; "Ed": over the file itself.
  bool prehashed = true;
  KeyId keyId{};
  std::array<std::uint8_t, 64> signature{};
  // Signed together with `signature`, so that it cannot be moved to another file.
  std::string trustedComment;
  std::array<std::uint8_t, 64> globalSignature{};
  bool operator==(const Signature&) const = default;
};

enum class Check { ok, unknownKey, badSignature };

// A public key as minisign writes it: the base64 line alone, or the file with its untrusted
// comment line first.
std::optional<PublicKey> parsePublicKey(std::string_view text);

// A signature file: untrusted comment, signature, trusted comment, global signature, one a line.
std::optional<Signature> parseSignature(std::string_view text);

// The key id as minisign prints it: 16 upper-case hex digits.
std::string keyIdText(const KeyId& id);

// Checks the signature of `message` with the key of the same id among `keys`.
Check verify(const Signature& signature, std::span<const PublicKey> keys, std::string_view message);

// The same for a file, read in pieces when the signature is prehashed. An unreadable file is a
// bad signature.
Check verifyFile(const Signature& signature, std::span<const PublicKey> keys,
                 const std::filesystem::path& file);

}  // namespace Minisign
