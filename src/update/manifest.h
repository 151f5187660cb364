#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// The signed list of every file of an install folder with its SHA-256: what makes a folder a
// genuine Wordloom install, checked before a swap and again just before it.
struct Manifest {
  static constexpr std::string_view fileName = "wordloom-manifest.json";
  static constexpr std::string_view signatureName = "wordloom-manifest.json.minisig";

  std::string id;
  std::string version;
  std::string architecture;
  // Relative path ("bin/wordloom") -> lower-case hex SHA-256.
  std::map<std::string, std::string> files;

  bool operator==(const Manifest&) const = default;

  // The JSON object {"id", "version", "architecture", "files"}; other keys are ignored. None
  // for anything else, and for a path that could leave the folder or name the manifest itself.
  static std::optional<Manifest> parse(std::string_view json);

  // The version recorded in an install folder's manifest, when it has a readable one.
  static std::optional<std::string> installedVersion(const std::filesystem::path& root);
};

struct TreeCheckOptions {
  // Flushes every file and folder to disk while reading it: the swap must not make a folder
  // current whose files are still only in the page cache.
  bool flush = false;
};

// Checks that `root` holds exactly the manifest's files with their hashes, plain folders and
// the two manifest files besides: no other file, no link, no device. Returns what differs first
// ("bin/wordloom: content differs"), or nothing when the tree matches.
std::optional<std::string> checkTree(const std::filesystem::path& root, const Manifest& manifest,
                                     const TreeCheckOptions& options = {});

// Lower-case hex SHA-256 of a file. Throws std::filesystem::filesystem_error.
std::string sha256File(const std::filesystem::path& file, bool flush = false);
