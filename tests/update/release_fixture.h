#pragma once

#include <archive.h>
#include <archive_entry.h>
#include <sodium.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "update/manifest.h"
#include "update/trust.h"

// Signing keys, signatures, archives and release trees made in the test, so that every way a
// download can be wrong is one line of a table.

inline std::string base64(const std::uint8_t* bytes, std::size_t size) {
  std::string out(sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(out.data(), out.size(), bytes, size, sodium_base64_VARIANT_ORIGINAL);
  out.resize(out.size() - 1);
  return out;
}

struct TestKey {
  std::array<std::uint8_t, 8> id{};
  std::array<std::uint8_t, crypto_sign_PUBLICKEYBYTES> publicKey{};
  std::array<std::uint8_t, crypto_sign_SECRETKEYBYTES> secretKey{};

  static TestKey make() {
    if (sodium_init() < 0) throw std::runtime_error("libsodium");
    TestKey key;
    crypto_sign_keypair(key.publicKey.data(), key.secretKey.data());
    randombytes_buf(key.id.data(), key.id.size());
    return key;
  }

  // The public key line as minisign writes it.
  std::string publicKeyText() const {
    std::vector<std::uint8_t> bytes{'E', 'd'};
    bytes.insert(bytes.end(), id.begin(), id.end());
    bytes.insert(bytes.end(), publicKey.begin(), publicKey.end());
    return base64(bytes.data(), bytes.size());
  }

  // A signature file of `message` as minisign writes it.
  std::string sign(std::string_view message, std::string_view trustedComment,
                   bool prehashed = true) const {
    std::vector<std::uint8_t> signedBytes(message.begin(), message.end());
    if (prehashed) {
      signedBytes.assign(crypto_generichash_BYTES_MAX, 0);
      crypto_generichash(signedBytes.data(), signedBytes.size(),
                         reinterpret_cast<const std::uint8_t*>(message.data()), message.size(),
                         nullptr, 0);
    }
    std::array<std::uint8_t, crypto_sign_BYTES> signature{};
    crypto_sign_detached(signature.data(), nullptr, signedBytes.data(), signedBytes.size(),
                         secretKey.data());
    std::vector<std::uint8_t> line{'E', static_cast<std::uint8_t>(prehashed ? 'D' : 'd')};
    line.insert(line.end(), id.begin(), id.end());
    line.insert(line.end(), signature.begin(), signature.end());
    std::vector<std::uint8_t> global(signature.begin(), signature.end());
    global.insert(global.end(), trustedComment.begin(), trustedComment.end());
    std::array<std::uint8_t, crypto_sign_BYTES> globalSignature{};
    crypto_sign_detached(globalSignature.data(), nullptr, global.data(), global.size(),
                         secretKey.data());
    return "untrusted comment: test\n" + base64(line.data(), line.size()) +
           "\ntrusted comment: " + std::string(trustedComment) + "\n" +
           base64(globalSignature.data(), globalSignature.size()) + "\n";
  }
};

struct ArchiveEntry {
  enum class Type { file, folder, symlink, hardlink, device, fifo };
  std::string name;
  std::string content = {};
  Type type = Type::file;
  mode_t mode = 0644;
  std::string link = {};    // symlink and hardlink target
  std::uint64_t zeros = 0;  // zero bytes after `content`, written without holding them
};

// A .tar.gz (pax) holding exactly the entries given, whatever they are.
inline void writeArchive(const std::filesystem::path& file,
                         const std::vector<ArchiveEntry>& entries) {
  std::unique_ptr<archive, decltype(&archive_write_free)> out(archive_write_new(),
                                                              archive_write_free);
  archive_write_set_format_pax_restricted(out.get());
  archive_write_add_filter_gzip(out.get());
  archive_write_set_filter_option(out.get(), "gzip", "compression-level", "1");
  if (archive_write_open_filename(out.get(), file.c_str()) != ARCHIVE_OK) {
    throw std::runtime_error(archive_error_string(out.get()));
  }
  for (const ArchiveEntry& e : entries) {
    std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(),
                                                                        archive_entry_free);
    archive_entry_set_pathname(entry.get(), e.name.c_str());
    archive_entry_set_perm(entry.get(), e.mode);
    const std::int64_t size = e.type == ArchiveEntry::Type::file
                                  ? static_cast<std::int64_t>(e.content.size() + e.zeros)
                                  : 0;
    archive_entry_set_size(entry.get(), size);
    switch (e.type) {
      case ArchiveEntry::Type::file:
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        break;
      case ArchiveEntry::Type::folder:
        archive_entry_set_filetype(entry.get(), AE_IFDIR);
        break;
      case ArchiveEntry::Type::symlink:
        archive_entry_set_filetype(entry.get(), AE_IFLNK);
        archive_entry_set_symlink(entry.get(), e.link.c_str());
        break;
      case ArchiveEntry::Type::hardlink:
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_hardlink(entry.get(), e.link.c_str());
        break;
      case ArchiveEntry::Type::device:
        archive_entry_set_filetype(entry.get(), AE_IFCHR);
        archive_entry_set_rdev(entry.get(), makedev(1, 3));
        break;
      case ArchiveEntry::Type::fifo:
        archive_entry_set_filetype(entry.get(), AE_IFIFO);
        break;
    }
    if (archive_write_header(out.get(), entry.get()) != ARCHIVE_OK) {
      throw std::runtime_error(archive_error_string(out.get()));
    }
    if (!e.content.empty()) archive_write_data(out.get(), e.content.data(), e.content.size());
    const std::string block(1 << 20, '\0');
    for (std::uint64_t left = e.zeros; left > 0;) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
      archive_write_data(out.get(), block.data(), n);
      left -= n;
    }
  }
  archive_write_close(out.get());
}

inline std::string sha256Hex(std::string_view bytes) {
  std::array<std::uint8_t, crypto_hash_sha256_BYTES> hash{};
  crypto_hash_sha256(hash.data(), reinterpret_cast<const std::uint8_t*>(bytes.data()),
                     bytes.size());
  std::string hex(2 * hash.size() + 1, '\0');
  sodium_bin2hex(hex.data(), hex.size(), hash.data(), hash.size());
  hex.pop_back();
  return hex;
}

// A program that stands in for the real binary: prints `version` for --version and records the
// arguments of any other start in "started" beside its install folder.
inline std::string fakeBinary(std::string_view version) {
  return "#!/bin/sh\nif [ \"$1\" = --version ]; then echo " + std::string(version) +
         "; exit 0; fi\necho \"$*\" > \"$(dirname \"$0\")/../../started\"\n";
}

// The files of a release tree (relative path -> content), its manifest and its signature.
struct ReleaseTree {
  std::map<std::string, std::string> files;
  std::string manifest;
  std::string manifestSignature;

  static ReleaseTree make(const TestKey& key, std::string_view version,
                          std::string_view architecture = UpdateTrust::architecture()) {
    ReleaseTree tree;
    tree.files = {{"bin/wordloom", fakeBinary(version)},
                  {"share/applications/jp.kumomori.wordloom.desktop", "[Desktop Entry]\n"}};
    tree.sign(key, version, architecture);
    return tree;
  }

  static std::string comment(std::string_view version,
                             std::string_view architecture = UpdateTrust::architecture()) {
    return UpdateTrust::trustedComment(
        {std::string(UpdateTrust::applicationId), std::string(version), std::string(architecture)});
  }

  // Writes the manifest of the files as they are now and signs it.
  void sign(const TestKey& key, std::string_view version, std::string_view architecture) {
    manifest = "{\"id\": \"jp.kumomori.wordloom\", \"version\": \"" + std::string(version) +
               "\", \"architecture\": \"" + std::string(architecture) + "\", \"files\": {";
    const char* separator = "";
    for (const auto& [path, content] : files) {
      manifest += separator + ("\"" + path + "\": \"" + sha256Hex(content) + "\"");
      separator = ", ";
    }
    manifest += "}}";
    manifestSignature = key.sign(manifest, comment(version, architecture));
  }

  // Archive entries under "Wordloom/", folders first as tar writes them.
  std::vector<ArchiveEntry> entries() const {
    std::vector<ArchiveEntry> out{{"Wordloom/", {}, ArchiveEntry::Type::folder, 0755}};
    for (const auto& [path, content] : files) {
      out.push_back({"Wordloom/" + path, content, ArchiveEntry::Type::file,
                     static_cast<mode_t>(path.starts_with("bin/") ? 0755 : 0644)});
    }
    out.push_back({"Wordloom/wordloom-manifest.json", manifest});
    out.push_back({"Wordloom/wordloom-manifest.json.minisig", manifestSignature});
    return out;
  }

  // The tree written into `folder` (created), as an installed copy.
  void writeTo(const std::filesystem::path& folder) const {
    for (const auto& [path, content] : files) {
      const auto file = folder / path;
      std::filesystem::create_directories(file.parent_path());
      writeFile(file, content, path.starts_with("bin/"));
    }
    writeFile(folder / Manifest::fileName, manifest, false);
    writeFile(folder / Manifest::signatureName, manifestSignature, false);
  }

  static void writeFile(const std::filesystem::path& file, std::string_view content,
                        bool executable) {
    std::filesystem::create_directories(file.parent_path());
    FILE* f = std::fopen(file.c_str(), "wb");
    if (f == nullptr) throw std::runtime_error("cannot write " + file.string());
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
    std::filesystem::permissions(
        file, executable ? std::filesystem::perms(0755) : std::filesystem::perms(0644));
  }
};
