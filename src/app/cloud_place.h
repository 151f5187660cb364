#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sync/sync_environment.h"

// A cloud-storage folder the setup offers with one click: a service whose client copies a folder
// of this computer to the user's other computers.
struct CloudPlace {
  std::string id;  // stable; also the tile's identity
  std::string name;
  std::string icon;  // a symbol of the icon font
  // The service's folder on this computer; none when the service is not found.
  std::optional<std::filesystem::path> root;

  // The folder the application creates inside the chosen place; the master files live in it.
  static constexpr std::string_view folderName = "Wordloom";

  // `root` followed by folderName; none without a root.
  std::optional<std::filesystem::path> master() const;

  bool operator==(const CloudPlace&) const = default;

  // The places of the platform this was built for, always the same ones in the same order;
  // each root is the first of its candidates that is a folder. Unreadable or malformed client
  // settings only mean fewer candidates.
  static std::vector<CloudPlace> detect(const SyncEnvironment& environment);
  // Dropbox (its info.json, personal before business, then ~/Dropbox), Nextcloud (the local
  // folders of its settings in their order, then ~/Nextcloud), Syncthing (~/Sync).
  static std::vector<CloudPlace> detectLinux(const SyncEnvironment& environment);
  // Dropbox, iCloud Drive and Google Drive, under ~/Library.
  static std::vector<CloudPlace> detectMac(const SyncEnvironment& environment);
};

// Where the setup puts the master, and what it finds there. Folders that cannot be listed count
// as empty: the setup then offers to start from this computer, and the model reports the real
// problem when the user starts.
namespace SetupFolder {

// The number of dictionary files in `folder`, conflict copies left out.
std::size_t dictionaryCount(const std::filesystem::path& folder);

// The master for a folder the user picked: the folder itself when it already holds text files
// (it is a master) or is named folderName, else folderName inside it.
std::filesystem::path masterFor(const std::filesystem::path& picked);

// The path as the user reads it: "~/…" inside `home`, the full path elsewhere, "フォルダを選択"
// for none.
std::string shortPath(const std::optional<std::filesystem::path>& path,
                      const std::filesystem::path& home);

}  // namespace SetupFolder
