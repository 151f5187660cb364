#include "update/archive_unpack.h"

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <string_view>

namespace ArchiveUnpack {
namespace {

namespace fs = std::filesystem;

using Reader = std::unique_ptr<archive, decltype(&archive_read_free)>;
using Writer = std::unique_ptr<archive, decltype(&archive_write_free)>;

// Refused before libarchive sees the name: the destination is prefixed to every name, so
// libarchive's own absolute-path check can no longer tell.
bool staysInside(std::string_view name) {
  if (name.empty() || name.front() == '/') return false;
  while (!name.empty()) {
    const std::size_t slash = name.find('/');
    if (name.substr(0, slash) == "..") return false;
    if (slash == std::string_view::npos) break;
    name.remove_prefix(slash + 1);
  }
  return true;
}

std::string archiveError(archive* a, std::string_view fallback) {
  const char* message = archive_error_string(a);
  return message != nullptr ? message : std::string(fallback);
}

}  // namespace

std::optional<std::string> unpack(const fs::path& archivePath, const fs::path& destination,
                                  const Limits& limits) {
  std::error_code error;
  // Resolved so that the symbolic-link check below only ever meets links inside the archive.
  const fs::path root = fs::canonical(destination, error);
  if (error) return destination.string() + ": " + error.message();

  Reader in(archive_read_new(), archive_read_free);
  archive_read_support_filter_gzip(in.get());
  archive_read_support_format_tar(in.get());
  if (archive_read_open_filename(in.get(), archivePath.c_str(), 1 << 16) != ARCHIVE_OK) {
    return archiveError(in.get(), "cannot open the archive");
  }
  Writer out(archive_write_disk_new(), archive_write_free);
  archive_write_disk_set_options(
      out.get(), ARCHIVE_EXTRACT_SECURE_SYMLINKS | ARCHIVE_EXTRACT_SECURE_NODOTDOT |
                     ARCHIVE_EXTRACT_NO_OVERWRITE | ARCHIVE_EXTRACT_PERM | ARCHIVE_EXTRACT_TIME);

  std::uint64_t entries = 0;
  std::uint64_t bytes = 0;
  for (;;) {
    archive_entry* entry = nullptr;
    const int status = archive_read_next_header(in.get(), &entry);
    if (status == ARCHIVE_EOF) break;
    if (status != ARCHIVE_OK) return archiveError(in.get(), "cannot read the archive");
    const char* rawName = archive_entry_pathname(entry);
    const std::string name = rawName != nullptr ? rawName : "";
    if (++entries > limits.entries) {
      return "more than " + std::to_string(limits.entries) + " entries";
    }
    if (!staysInside(name)) return name + ": name leaves the folder";
    const mode_t type = archive_entry_filetype(entry);
    if (archive_entry_hardlink(entry) != nullptr || (type != AE_IFREG && type != AE_IFDIR)) {
      return name + ": not a regular file or folder";
    }
    const la_int64_t size = archive_entry_size(entry);
    if (size < 0 || static_cast<std::uint64_t>(size) > limits.totalBytes - bytes) {
      return name + ": more than " + std::to_string(limits.totalBytes) + " bytes in all";
    }
    bytes += static_cast<std::uint64_t>(size);
    // Owner-executable files stay executable; nothing else of the archive's modes survives.
    const bool executable = (archive_entry_perm(entry) & S_IXUSR) != 0;
    archive_entry_set_perm(entry, type == AE_IFDIR || executable ? 0755 : 0644);
    archive_entry_set_pathname(entry, (root / name).c_str());
    if (archive_write_header(out.get(), entry) != ARCHIVE_OK) {
      return name + ": " + archiveError(out.get(), "cannot write");
    }
    const void* block = nullptr;
    size_t length = 0;
    la_int64_t offset = 0;
    std::uint64_t written = 0;
    for (;;) {
      const int read = archive_read_data_block(in.get(), &block, &length, &offset);
      if (read == ARCHIVE_EOF) break;
      if (read != ARCHIVE_OK) return name + ": " + archiveError(in.get(), "cannot read");
      // Sparse entries can place data beyond their stated size.
      written = std::max<std::uint64_t>(written, static_cast<std::uint64_t>(offset) + length);
      if (written > static_cast<std::uint64_t>(size)) return name + ": more data than its size";
      if (archive_write_data_block(out.get(), block, length, offset) != ARCHIVE_OK) {
        return name + ": " + archiveError(out.get(), "cannot write");
      }
    }
    if (archive_write_finish_entry(out.get()) != ARCHIVE_OK) {
      return name + ": " + archiveError(out.get(), "cannot write");
    }
  }
  if (archive_write_close(out.get()) != ARCHIVE_OK) {
    return archiveError(out.get(), "cannot finish writing");
  }
  return std::nullopt;
}

}  // namespace ArchiveUnpack
