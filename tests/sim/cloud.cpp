#include "cloud.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <set>
#include <system_error>

namespace sim {
namespace {

namespace fs = std::filesystem;

// Temporary files of atomic downloads: hidden, so the master's readers pass them by, and never
// copied up.
constexpr std::string_view temporaryPrefix = ".~cloud-";

fs::path u8path(std::string_view text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

std::string u8string(const fs::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}

std::string date(std::chrono::sys_seconds when, bool dashes) {
  const std::chrono::year_month_day day{std::chrono::floor<std::chrono::days>(when)};
  char text[16];
  std::snprintf(text, sizeof text, dashes ? "%04d-%02u-%02u" : "%04d%02u%02u",
                static_cast<int>(day.year()), static_cast<unsigned>(day.month()),
                static_cast<unsigned>(day.day()));
  return text;
}

std::string time(std::chrono::sys_seconds when) {
  const std::chrono::hh_mm_ss clock{when - std::chrono::floor<std::chrono::days>(when)};
  char text[8];
  std::snprintf(text, sizeof text, "%02d%02d%02d", static_cast<int>(clock.hours().count()),
                static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

void writeAll(int fd, std::string_view bytes, const fs::path& path) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw fs::filesystem_error("cloud write", path,
                                 std::error_code(errno, std::generic_category()));
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

ino_t inodeOf(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

}  // namespace

std::string conflictCopyName(std::string_view fileName, ConflictStyle style,
                             std::string_view device, std::chrono::sys_seconds when, int n) {
  const std::size_t dot = fileName.rfind('.');
  const bool hasExtension = dot != std::string_view::npos && dot > 0;
  const std::string stem(hasExtension ? fileName.substr(0, dot) : fileName);
  const std::string extension(hasExtension ? fileName.substr(dot) : std::string_view{});
  const std::string who =
      n > 1 ? std::string(device) + "-" + std::to_string(n) : std::string(device);
  switch (style) {
    case ConflictStyle::dropbox:
      return stem + " (" + who + "'s conflicted copy " + date(when, true) + ")" + extension;
    case ConflictStyle::dropboxJapanese:
      return stem + " (" + who + " の競合コピー " + date(when, true) + ")" + extension;
    case ConflictStyle::nextcloud:
      return stem + " (conflicted copy " + date(when, true) + " " + time(when) +
             (n > 1 ? "-" + std::to_string(n) : "") + ")" + extension;
    case ConflictStyle::japanese:
      return stem + " (" + who + " のコンフリクト " + date(when, true) + ")" + extension;
    case ConflictStyle::syncthing:
      return stem + ".sync-conflict-" + date(when, false) + "-" + time(when) + "-" + who +
             extension;
  }
  return stem + " (conflicted copy)" + extension;
}

const ServerFile* CloudServer::find(const std::string& path) const {
  const auto found = files_.find(path);
  return found == files_.end() ? nullptr : &found->second;
}

std::uint64_t CloudServer::put(const std::string& path, std::optional<std::string> content) {
  ServerFile& file = files_[path];
  file.content = std::move(content);
  file.version = ++clock_;
  return file.version;
}

CloudClient::CloudClient(fs::path root, std::string device, ConflictStyle style,
                         CloudServer& server)
    : root_(std::move(root)), device_(std::move(device)), style_(style), server_(server) {
  fs::create_directories(root_);
}

void CloudClient::rescan() {
  std::set<std::string> seen;
  for (auto it = fs::recursive_directory_iterator(root_); it != fs::recursive_directory_iterator();
       ++it) {
    if (!it->is_regular_file()) continue;
    const std::string name = u8string(it->path().filename());
    if (name.starts_with(temporaryPrefix)) continue;
    const std::string path = u8string(fs::relative(it->path(), root_));
    seen.insert(path);
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(it->path());
    // History copies are written once under a new name and never changed in place: reading
    // them all on every look would cost most of the run. Everything else is read again, as a
    // stamp can repeat when a file is replaced within one clock tick.
    const bool history = path.find("/_履歴/") != std::string::npos || path.starts_with("_履歴/");
    const auto old = stamps_.find(path);
    if (history && stamp && old != stamps_.end() && old->second == *stamp) continue;
    look(path);
  }
  for (auto it = contents_.begin(); it != contents_.end();) {
    if (seen.contains(it->first)) {
      ++it;
    } else {
      stamps_.erase(it->first);
      it = contents_.erase(it);
    }
  }
}

void CloudClient::look(const std::string& path) {
  const fs::path file = root_ / u8path(path);
  try {
    contents_[path] = platform::readFile(file);
    if (const std::optional<platform::FileStamp> stamp = platform::fileStamp(file)) {
      stamps_[path] = *stamp;
    }
  } catch (const fs::filesystem_error&) {
    contents_.erase(path);
    stamps_.erase(path);
  }
}

const std::string* CloudClient::local(const std::string& path) const {
  const auto found = contents_.find(path);
  return found == contents_.end() ? nullptr : &found->second;
}

const CloudClient::Known& CloudClient::known(const std::string& path) const {
  static const Known never;
  const auto found = known_.find(path);
  return found == known_.end() ? never : found->second;
}

const ServerFile& CloudClient::server(const std::string& path) const {
  static const ServerFile never;
  const ServerFile* file = server_.find(path);
  return file ? *file : never;
}

namespace {

bool same(const std::string* a, const std::optional<std::string>& b) {
  return a == nullptr ? !b.has_value() : b.has_value() && *a == *b;
}

}  // namespace

bool CloudClient::isMidWrite(const std::string& path) const {
  const auto found = downloads_.find(path);
  return found != downloads_.end() && found->second.inPlace;
}

bool CloudClient::needsWork(const std::string& path) const {
  if (downloads_.contains(path)) return true;
  const Known& base = known(path);
  return !same(local(path), base.content) || server(path).version != base.version;
}

std::vector<std::string> CloudClient::work() const {
  std::set<std::string> paths;
  for (const auto& [path, content] : contents_) paths.insert(path);
  for (const auto& [path, base] : known_) paths.insert(path);
  for (const auto& [path, file] : server_.files()) paths.insert(path);
  std::vector<std::string> result;
  for (const std::string& path : paths) {
    if (needsWork(path)) result.push_back(path);
  }
  return result;
}

bool CloudClient::hasWork() const {
  return !work().empty();
}

void CloudClient::step(Random& random, std::chrono::sys_seconds now) {
  const std::vector<std::string> paths = work();
  if (paths.empty()) return;
  const std::string& path = random.pick(paths);
  if (downloads_.contains(path)) {
    advance(path, random);
  } else {
    reconcile(path, random, now);
  }
}

void CloudClient::reconcile(const std::string& path, Random& random, std::chrono::sys_seconds now) {
  const Known base = known(path);
  const ServerFile newest = server(path);
  const std::string* mine = local(path);
  const bool localChanged = !same(mine, base.content);
  const bool serverChanged = newest.version != base.version;
  if (localChanged && !serverChanged) {
    upload(path);
  } else if (!localChanged && serverChanged) {
    startDownload(path, newest, random);
  } else if (same(mine, newest.content)) {
    known_[path] = {newest.version, newest.content};
  } else if (!mine) {
    // Deleted here, changed there: the change wins.
    startDownload(path, newest, random);
  } else if (!newest.content) {
    // Changed here, deleted there: the change comes back.
    upload(path);
  } else {
    keepConflictCopy(path, now);
    startDownload(path, newest, random);
  }
}

void CloudClient::upload(const std::string& path) {
  std::optional<std::string> mine;
  if (const std::string* content = local(path)) mine = *content;
  known_[path] = {server_.put(path, mine), mine};
  ++figures_.uploads;
}

void CloudClient::keepConflictCopy(const std::string& path, std::chrono::sys_seconds now) {
  const fs::path relative = u8path(path);
  const std::string fileName = u8string(relative.filename());
  std::string copy;
  for (int n = 1;; ++n) {
    copy = u8string(relative.parent_path() /
                    u8path(conflictCopyName(fileName, style_, device_, now, n)));
    if (!contents_.contains(copy) && !known_.contains(copy) && server_.find(copy) == nullptr) break;
  }
  fs::rename(root_ / relative, root_ / u8path(copy));
  contents_[copy] = contents_[path];
  contents_.erase(path);
  stamps_.erase(path);
  look(copy);
  ++figures_.conflicts;
}

void CloudClient::startDownload(const std::string& path, const ServerFile& file, Random& random) {
  const fs::path target = root_ / u8path(path);
  if (!file.content) {
    std::error_code ignored;
    fs::remove(target, ignored);
    contents_.erase(path);
    stamps_.erase(path);
    known_[path] = {file.version, std::nullopt};
    ++figures_.downloads;
    return;
  }
  fs::create_directories(target.parent_path());
  Download download;
  download.content = *file.content;
  download.version = file.version;
  const std::size_t mode = random.below(10);
  download.inPlace = mode < 4;
  if (download.inPlace) {
    // Opened without O_CREAT|O_EXCL and truncated: the same file, emptied, as a client that
    // writes in place leaves it.
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
      throw fs::filesystem_error("cloud open", target,
                                 std::error_code(errno, std::generic_category()));
    }
    ::close(fd);
    download.inode = inodeOf(target);
    ++figures_.inPlaceDownloads;
    ++figures_.transientStates;
    look(path);
  } else {
    download.temporary =
        std::string(temporaryPrefix) + device_ + "-" + std::to_string(++temporaries_);
    if (mode >= 8 && local(path) != nullptr) {
      // Replaced by removing the old file first: for a while there is none.
      fs::remove(target);
      contents_.erase(path);
      stamps_.erase(path);
      ++figures_.transientStates;
    }
    if (const std::string* content = local(path)) download.before = *content;
    platform::writeAtomically(target.parent_path() / download.temporary, download.content);
  }
  downloads_[path] = std::move(download);
}

void CloudClient::advance(const std::string& path, Random& random) {
  Download& download = downloads_[path];
  const fs::path target = root_ / u8path(path);
  if (!download.inPlace) {
    const fs::path temporary = target.parent_path() / download.temporary;
    // A program wrote the file after the download began: its bytes are not overwritten.
    if (!same(local(path), download.before)) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      downloads_.erase(path);
      ++figures_.abandoned;
      return;
    }
    fs::rename(temporary, target);
    finish(path, download);
    return;
  }
  const std::string* now = local(path);
  if (now == nullptr || *now != download.written || inodeOf(target) != download.inode) {
    downloads_.erase(path);
    ++figures_.abandoned;
    return;
  }
  const std::size_t size = download.content.size();
  std::size_t upTo = size;
  if (download.stage == 0 && size >= 2 && random.chance(70)) upTo = 1 + random.below(size - 1);
  const int fd = ::open(target.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) {
    throw fs::filesystem_error("cloud open", target,
                               std::error_code(errno, std::generic_category()));
  }
  writeAll(fd,
           std::string_view(download.content)
               .substr(download.written.size(), upTo - download.written.size()),
           target);
  ::close(fd);
  download.written = download.content.substr(0, upTo);
  ++download.stage;
  look(path);
  if (upTo < size) {
    ++figures_.transientStates;
    return;
  }
  finish(path, download);
}

void CloudClient::finish(const std::string& path, const Download& download) {
  known_[path] = {download.version, download.content};
  ++figures_.downloads;
  downloads_.erase(path);
  look(path);
}

}  // namespace sim
