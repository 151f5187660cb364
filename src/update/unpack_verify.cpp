#include "update/unpack_verify.h"

#include "platform/files.h"
#include "platform/process.h"
#include "update/archive_unpack.h"
#include "update/manifest.h"
#include "update/minisign.h"
#include "update/trust.h"
#include "update/version_rule.h"

namespace UpdateInstaller {
namespace {

namespace fs = std::filesystem;

// The folder at the top of every release archive: the install folder itself.
constexpr std::string_view treeName = "Wordloom";

std::optional<Minisign::Signature> readSignature(const fs::path& file) {
  try {
    return Minisign::parseSignature(platform::readFile(file));
  } catch (const fs::filesystem_error&) {
    return std::nullopt;
  }
}

// The release a signature file vouches for, when it is signed by a trusted key over `signedFile`.
std::optional<UpdateTrust::SignedRelease> signedRelease(const fs::path& signatureFile,
                                                        const fs::path& signedFile) {
  const auto signature = readSignature(signatureFile);
  if (!signature) return std::nullopt;
  const auto keys = UpdateTrust::trustedKeys();
  if (Minisign::verifyFile(*signature, keys, signedFile) != Minisign::Check::ok) {
    return std::nullopt;
  }
  return UpdateTrust::parseTrustedComment(signature->trustedComment);
}

bool onlyTheTree(const fs::path& unpacked) {
  std::error_code error;
  fs::directory_iterator it(unpacked, error);
  if (error || it == fs::directory_iterator()) return false;
  const bool first = it->path().filename() == treeName;
  return first && ++it == fs::directory_iterator();
}

}  // namespace

VerifyResult unpackAndVerify(const fs::path& archive, const fs::path& signature,
                             const fs::path& work, const QString& currentVersion,
                             const ArchiveUnpack::Limits& limits) {
  const auto release = signedRelease(signature, archive);
  if (!release) return Failure::signature();
  if (release->id != UpdateTrust::applicationId ||
      release->architecture != UpdateTrust::architecture()) {
    return Failure::notThisApplication();
  }
  const QString version = QString::fromStdString(release->version);
  if (!UpdatePrompt::isNewer(release->version, currentVersion.toStdString())) {
    return Failure::notNewer(version);
  }

  const fs::path unpacked = work / "x";
  std::error_code error;
  fs::create_directory(unpacked, error);
  if (error) return Failure::unpack(QString::fromStdString(error.message()));
  if (const auto problem = ArchiveUnpack::unpack(archive, unpacked, limits)) {
    return Failure::unpack(QString::fromStdString(*problem));
  }

  const fs::path tree = unpacked / treeName;
  if (!fs::is_regular_file(fs::symlink_status(tree / Manifest::fileName, error))) {
    return Failure::notThisApplication();
  }
  if (!onlyTheTree(unpacked)) return Failure::signature();
  const auto manifestRelease =
      signedRelease(tree / Manifest::signatureName, tree / Manifest::fileName);
  if (!manifestRelease || *manifestRelease != *release) return Failure::signature();
  std::optional<Manifest> manifest;
  try {
    manifest = Manifest::parse(platform::readFile(tree / Manifest::fileName));
  } catch (const fs::filesystem_error&) {
  }
  if (!manifest || manifest->id != release->id || manifest->version != release->version ||
      manifest->architecture != release->architecture || checkTree(tree, *manifest)) {
    return Failure::signature();
  }

  const platform::ProcessResult started = platform::runProcess(
      (tree / "bin" / "wordloom").string(), {"--version"}, {.captureOutput = true});
  if (started.status != 0 || QString::fromStdString(started.output).trimmed() != version) {
    return Failure::cannotStart();
  }
  return StagedInstall{tree, work, version};
}

}  // namespace UpdateInstaller
