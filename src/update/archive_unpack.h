#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

// Unpacking a downloaded .tar.gz: only plain files and folders, names that stay inside the
// destination, and limits that stop an archive from filling the disk.
namespace ArchiveUnpack {

struct Limits {
  std::uint64_t totalBytes = 512ull << 20;
  std::uint64_t entries = 10000;
};

// Unpacks `archive` into the existing empty folder `destination`. Returns why it refused or
// failed (the offending entry's name first, as a tool would print it), or nothing on success.
// On failure, what was already written stays for the caller to remove with its work folder.
std::optional<std::string> unpack(const std::filesystem::path& archive,
                                  const std::filesystem::path& destination,
                                  const Limits& limits = {});

}  // namespace ArchiveUnpack
