#include "update/manifest.h"

#include <fcntl.h>
#include <sodium.h>
#include <unistd.h>

#include <cerrno>
#include <nlohmann/json.hpp>
#include <set>
#include <system_error>

#include "platform/files.h"
#include "platform/text.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t maxManifestText = 4 << 20;

bool isHash(const std::string& text) {
  return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// A path inside the folder: relative, no empty, "." or ".." component, no NUL, UTF-8.
bool isInnerPath(std::string_view path) {
  if (path.empty() || path.front() == '/' || path.back() == '/' ||
      path.find('\0') != std::string_view::npos || !platform::isValidUtf8(path)) {
    return false;
  }
  while (!path.empty()) {
    const std::size_t slash = path.find('/');
    const std::string_view part = path.substr(0, slash);
    if (part.empty() || part == "." || part == "..") return false;
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return true;
}

[[noreturn]] void throwErrno(const char* what, const fs::path& path) {
  throw fs::filesystem_error(what, path, std::error_code(errno, std::generic_category()));
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

void flushFolder(const fs::path& folder) {
  const Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0 || ::fsync(fd.get()) != 0) throwErrno("cannot flush folder", folder);
}

}  // namespace

std::optional<Manifest> Manifest::parse(std::string_view json) {
  if (json.size() > maxManifestText) return std::nullopt;
  const nlohmann::json document = nlohmann::json::parse(json, nullptr, false);
  if (!document.is_object()) return std::nullopt;
  Manifest manifest;
  for (const auto& [key, target] :
       {std::pair{"id", &manifest.id}, std::pair{"version", &manifest.version},
        std::pair{"architecture", &manifest.architecture}}) {
    const auto found = document.find(key);
    if (found == document.end() || !found->is_string()) return std::nullopt;
    *target = found->get<std::string>();
    if (target->empty() || !platform::isValidUtf8(*target)) return std::nullopt;
  }
  const auto files = document.find("files");
  if (files == document.end() || !files->is_object() || files->empty()) return std::nullopt;
  for (const auto& [path, hash] : files->items()) {
    if (!isInnerPath(path) || path == fileName || path == signatureName || !hash.is_string() ||
        !isHash(hash.get<std::string>())) {
      return std::nullopt;
    }
    manifest.files.emplace(path, hash.get<std::string>());
  }
  return manifest;
}

std::optional<std::string> Manifest::installedVersion(const fs::path& root) {
  try {
    const std::string text = platform::readFile(root / fileName);
    if (auto manifest = parse(text)) return manifest->version;
  } catch (const fs::filesystem_error&) {
  }
  return std::nullopt;
}

std::string sha256File(const fs::path& file, bool flush) {
  const Fd fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (fd.get() < 0) throwErrno("cannot open", file);
  crypto_hash_sha256_state state;
  crypto_hash_sha256_init(&state);
  unsigned char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throwErrno("cannot read", file);
    if (n == 0) break;
    crypto_hash_sha256_update(&state, buffer, static_cast<unsigned long long>(n));
  }
  if (flush && ::fsync(fd.get()) != 0) throwErrno("cannot flush", file);
  unsigned char hash[crypto_hash_sha256_BYTES];
  crypto_hash_sha256_final(&state, hash);
  char hex[2 * crypto_hash_sha256_BYTES + 1];
  sodium_bin2hex(hex, sizeof hex, hash, sizeof hash);
  return hex;
}

std::optional<std::string> checkTree(const fs::path& root, const Manifest& manifest,
                                     const TreeCheckOptions& options) {
  if (sodium_init() < 0) return "libsodium cannot start";
  std::set<std::string> seen;
  try {
    if (!fs::is_directory(fs::symlink_status(root))) return root.string() + ": not a folder";
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
      const std::string relative = it->path().lexically_relative(root).generic_string();
      const fs::file_status status = it->symlink_status();
      if (fs::is_directory(status)) {
        if (options.flush) flushFolder(it->path());
        continue;
      }
      if (!fs::is_regular_file(status)) return relative + ": not a regular file";
      if (relative == Manifest::fileName || relative == Manifest::signatureName) continue;
      const auto listed = manifest.files.find(relative);
      if (listed == manifest.files.end()) return relative + ": not in the manifest";
      if (sha256File(it->path(), options.flush) != listed->second) {
        return relative + ": content differs";
      }
      seen.insert(relative);
    }
    if (options.flush) flushFolder(root);
  } catch (const fs::filesystem_error& e) {
    return e.what();
  }
  for (const auto& [path, hash] : manifest.files) {
    if (!seen.contains(path)) return path + ": missing";
  }
  return std::nullopt;
}
