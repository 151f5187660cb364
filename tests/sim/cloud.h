#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "sim_random.h"

// A cloud-storage service as the computers sharing a master see it: a server holding the newest
// version of every file, and on each computer a client that copies files up and down late, one
// at a time, in any order; that replaces a file by a rename, in place (so that an empty, then
// half-written file lies in the folder for a while) or by removing it first (so that for a while
// there is none); and that keeps both sides of a clash as a conflict copy the way Dropbox,
// Nextcloud and Syncthing name them.
namespace sim {

// How a client names the copy it keeps when a file changed on both sides.
enum class ConflictStyle { dropbox, dropboxJapanese, nextcloud, japanese, syncthing };
inline constexpr int conflictStyleCount = 5;

// The name of the conflict copy of `fileName` made by `device` at `when`; `n` > 1 tells apart
// several copies of one file made by one device the same day.
std::string conflictCopyName(std::string_view fileName, ConflictStyle style,
                             std::string_view device, std::chrono::sys_seconds when, int n = 1);

struct ServerFile {
  std::optional<std::string> content;  // none: deleted
  std::uint64_t version = 0;
};

class CloudServer {
 public:
  // Null when the server never had the file.
  const ServerFile* find(const std::string& path) const;
  std::uint64_t put(const std::string& path, std::optional<std::string> content);
  const std::map<std::string, ServerFile>& files() const { return files_; }

 private:
  std::map<std::string, ServerFile> files_;
  std::uint64_t clock_ = 0;
};

struct CloudFigures {
  int uploads = 0;
  int downloads = 0;
  int inPlaceDownloads = 0;
  int conflicts = 0;
  // Downloads given up because a program on the computer wrote the file meanwhile.
  int abandoned = 0;
  // Files left empty, half written or missing in a folder by a download under way.
  int transientStates = 0;
};

// One computer's client, over its copy of the shared folder. Paths are relative to that folder,
// with "/" between their parts.
class CloudClient {
 public:
  CloudClient(std::filesystem::path root, std::string device, ConflictStyle style,
              CloudServer& server);

  // Takes in what programs of this computer wrote in the folder since the last look.
  void rescan();
  bool hasWork() const;
  // One unit of work chosen at random: an upload, the start of a download, one stage of a
  // download under way, or a clash settled by a conflict copy.
  void step(Random& random, std::chrono::sys_seconds now);

  // What the folder holds, as of the last rescan or the client's own writes.
  const std::map<std::string, std::string>& files() const { return contents_; }
  // True while a download has written part of the file at `path` (nothing yet included).
  bool isMidWrite(const std::string& path) const;
  const std::filesystem::path& root() const { return root_; }
  const CloudFigures& figures() const { return figures_; }

 private:
  struct Known {
    std::uint64_t version = 0;
    std::optional<std::string> content;
  };
  struct Download {
    std::string content;
    std::uint64_t version = 0;
    bool inPlace = false;
    int stage = 0;
    // In place: the file being written and what it holds so far. Atomic: the temporary file,
    // and what the target held when the download began.
    ino_t inode = 0;
    std::string written;
    std::string temporary;
    std::optional<std::string> before;
  };

  // Null when the file is not there.
  const std::string* local(const std::string& path) const;
  const Known& known(const std::string& path) const;
  const ServerFile& server(const std::string& path) const;
  bool needsWork(const std::string& path) const;
  std::vector<std::string> work() const;

  void reconcile(const std::string& path, Random& random, std::chrono::sys_seconds now);
  void upload(const std::string& path);
  void startDownload(const std::string& path, const ServerFile& file, Random& random);
  void advance(const std::string& path, Random& random);
  void finish(const std::string& path, const Download& download);
  void keepConflictCopy(const std::string& path, std::chrono::sys_seconds now);
  // Reads the file at `path` into the client's view; forgets it when it is gone.
  void look(const std::string& path);

  std::filesystem::path root_;
  std::string device_;
  ConflictStyle style_;
  CloudServer& server_;
  std::map<std::string, std::string> contents_;
  std::map<std::string, platform::FileStamp> stamps_;
  std::map<std::string, Known> known_;
  std::map<std::string, Download> downloads_;
  int temporaries_ = 0;
  CloudFigures figures_;
};

}  // namespace sim
