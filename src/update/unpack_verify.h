#pragma once

#include <QString>
#include <filesystem>
#include <variant>

#include "update/archive_unpack.h"
#include "update/update_failure.h"

namespace UpdateInstaller {

// A new install folder that passed every check, waiting in its work folder for the swap.
struct StagedInstall {
  std::filesystem::path tree;  // <work>/x/Wordloom
  std::filesystem::path work;
  QString version;
  bool operator==(const StagedInstall&) const = default;
};

using VerifyResult = std::variant<StagedInstall, Failure>;

// Checks a downloaded release in the order that never lets an unsigned byte be unpacked or run:
// the archive's signature and what its trusted comment names (this application and
// architecture, a version newer than `currentVersion`); then unpacking into <work>/x; then the
// manifest's signature and every file's hash, with no file besides; then the new binary must
// start and name its version. Runs on a worker thread.
VerifyResult unpackAndVerify(const std::filesystem::path& archive,
                             const std::filesystem::path& signature,
                             const std::filesystem::path& work, const QString& currentVersion,
                             const ArchiveUnpack::Limits& limits = {});

}  // namespace UpdateInstaller
