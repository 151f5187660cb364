#include "app/cloud_place.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>
#include <system_error>

#include "master/master_format.h"
#include "master/master_listing.h"
#include "platform/files.h"
#include "platform/home.h"
#include "platform/text.h"

namespace {

namespace fs = std::filesystem;

using Candidates = std::vector<fs::path>;

// Client settings name folders with or without a trailing slash; the setup compares and shows
// them without.
fs::path withoutTrailingSlash(fs::path path) {
  path = path.lexically_normal();
  if (!path.has_filename() && path.has_relative_path()) path = path.parent_path();
  return path;
}

std::optional<fs::path> firstFolder(const Candidates& candidates) {
  for (const fs::path& candidate : candidates) {
    std::error_code error;
    if (candidate.is_absolute() && fs::is_directory(candidate, error)) {
      return withoutTrailingSlash(candidate);
    }
  }
  return std::nullopt;
}

std::optional<std::string> readIfPresent(const fs::path& file) {
  try {
    return platform::readFile(file);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// The entries of `folder` whose names begin with `prefix`, in ascending name order.
Candidates entriesStartingWith(const fs::path& folder, std::string_view prefix) {
  Candidates found;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->path().filename().string().starts_with(prefix)) found.push_back(it->path());
  }
  std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
    return a.filename().string() < b.filename().string();
  });
  return found;
}

// The folders of ~/.dropbox/info.json: {"personal": {"path": …}, "business": {"path": …}}.
Candidates dropboxFolders(const fs::path& home) {
  Candidates found;
  const std::optional<std::string> text = readIfPresent(home / ".dropbox/info.json");
  if (!text) return found;
  const nlohmann::json info = nlohmann::json::parse(*text, nullptr, false);
  if (!info.is_object()) return found;
  for (const char* account : {"personal", "business"}) {
    const auto entry = info.find(account);
    if (entry == info.end() || !entry->is_object()) continue;
    const auto path = entry->find("path");
    if (path != entry->end() && path->is_string()) {
      found.push_back(fs::path(path->get<std::string>()));
    }
  }
  return found;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// UTF-16 units to UTF-8; none for a lone surrogate.
std::optional<std::string> fromUtf16(const std::u16string& units) {
  std::string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char32_t unit = units[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      return std::nullopt;
    } else {
      appendUtf8(out, unit);
    }
  }
  return out;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One string value as Qt's INI writer stores it: optionally in double quotes, with C escapes
// and \x escapes of UTF-16 units (older clients escape every non-ASCII character so). None for
// a list, a typed value (@Variant, @ByteArray…) or anything that does not decode.
std::optional<std::string> iniString(std::string_view value) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!value.empty() && isSpace(value.front())) value.remove_prefix(1);
  while (!value.empty() && isSpace(value.back())) value.remove_suffix(1);
  if (value.starts_with("@@")) {
    value.remove_prefix(1);
  } else if (value.starts_with("@")) {
    return std::nullopt;
  }
  if (!platform::isValidUtf8(value)) return std::nullopt;

  std::u16string units;
  bool quoted = false;
  std::size_t i = 0;
  const auto raw = [&] {
    // One UTF-8 sequence, already known valid.
    const auto lead = static_cast<unsigned char>(value[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    char32_t c = length == 1 ? lead : lead & (0x7F >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) c = c << 6 | (value[i + k] & 0x3F);
    i += length;
    if (c >= 0x10000) {
      units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      units += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      units += static_cast<char16_t>(c);
    }
  };
  while (i < value.size()) {
    const char c = value[i];
    if (c == '"') {
      quoted = !quoted;
      ++i;
    } else if (c == ',' && !quoted) {
      return std::nullopt;
    } else if (c != '\\') {
      raw();
    } else {
      if (++i >= value.size()) return std::nullopt;
      const char e = value[i++];
      if (e == 'x') {
        unsigned long unit = 0;
        for (; i < value.size() && hexValue(value[i]) >= 0; ++i)
          unit = ((unit << 4) | static_cast<unsigned>(hexValue(value[i]))) & 0xFFFF;
        units += static_cast<char16_t>(unit);
      } else if (e >= '0' && e <= '7') {
        unsigned long unit = static_cast<unsigned>(e - '0');
        for (; i < value.size() && value[i] >= '0' && value[i] <= '7'; ++i)
          unit = ((unit << 3) | static_cast<unsigned>(value[i] - '0')) & 0xFFFF;
        units += static_cast<char16_t>(unit);
      } else {
        static constexpr std::string_view from = "abfnrtv", to = "\a\b\f\n\r\t\v";
        const std::size_t at = from.find(e);
        units += static_cast<char16_t>(at == std::string_view::npos ? e : to[at]);
      }
    }
  }
  if (quoted) return std::nullopt;
  return fromUtf16(units);
}

// The local folders of Nextcloud's settings, in file order: every key of the [Accounts] section
// that ends in "localPath" ("0\Folders\1\localPath").
Candidates nextcloudFolders(const fs::path& settings) {
  Candidates found;
  const std::optional<std::string> text = readIfPresent(settings);
  if (!text) return found;
  std::istringstream lines(*text);
  bool inAccounts = false;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("[")) {
      inAccounts = line == "[Accounts]";
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!inAccounts || equals == std::string::npos) continue;
    std::string_view key(line.data(), equals);
    while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
    if (!key.ends_with("\\localPath") && !key.ends_with("/localPath")) continue;
    if (std::optional<std::string> path = iniString(std::string_view(line).substr(equals + 1))) {
      found.push_back(fs::path(*path));
    }
  }
  return found;
}

Candidates operator+(Candidates a, const Candidates& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

std::optional<fs::path> CloudPlace::master() const {
  if (!root) return std::nullopt;
  return *root / std::string(folderName);
}

std::vector<CloudPlace> CloudPlace::detect(const SyncEnvironment& environment) {
#ifdef __APPLE__
  return detectMac(environment);
#else
  return detectLinux(environment);
#endif
}

std::vector<CloudPlace> CloudPlace::detectLinux(const SyncEnvironment& environment) {
  const fs::path& home = environment.home;
  // Nextcloud keeps its settings where the XDG rules put configuration.
  const fs::path config =
      platform::xdgBaseDirectory(environment.get("XDG_CONFIG_HOME"), home / ".config");
  return {
      {"dropbox", "Dropbox", "folder",
       firstFolder(dropboxFolders(home) + Candidates{home / "Dropbox"})},
      {"nextcloud", "Nextcloud", "cloud",
       firstFolder(nextcloudFolders(config / "Nextcloud/nextcloud.cfg") +
                   Candidates{home / "Nextcloud"})},
      {"syncthing", "Syncthing", "sync", firstFolder({home / "Sync"})},
  };
}

std::vector<CloudPlace> CloudPlace::detectMac(const SyncEnvironment& environment) {
  const fs::path& home = environment.home;
  const fs::path storage = home / "Library/CloudStorage";
  Candidates drive;
  for (const fs::path& account : entriesStartingWith(storage, "GoogleDrive-")) {
    drive.push_back(account / "マイドライブ");
    drive.push_back(account / "My Drive");
  }
  return {
      {"dropbox", "Dropbox", "folder",
       firstFolder(entriesStartingWith(storage, "Dropbox") + Candidates{home / "Dropbox"})},
      {"icloud", "iCloud Drive", "cloud",
       firstFolder({home / "Library/Mobile Documents/com~apple~CloudDocs"})},
      {"gdrive", "Google ドライブ", "cloud", firstFolder(drive)},
  };
}

namespace SetupFolder {

std::size_t dictionaryCount(const fs::path& folder) {
  try {
    const std::vector<MasterListing::Name> names = MasterListing::dictionaryFiles(folder);
    return static_cast<std::size_t>(std::count_if(
        names.begin(), names.end(),
        [](const MasterListing::Name& name) { return !Master::isConflictCopy(name.nfc); }));
  } catch (const std::exception&) {
    return 0;
  }
}

fs::path masterFor(const fs::path& picked) {
  const fs::path folder = withoutTrailingSlash(picked);
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    std::error_code kind;
    if (name.ends_with(".txt") && !name.starts_with(".") && !it->is_directory(kind)) return folder;
  }
  if (folder.filename() == CloudPlace::folderName) return folder;
  return folder / std::string(CloudPlace::folderName);
}

std::string shortPath(const std::optional<fs::path>& path, const fs::path& home) {
  if (!path) return "フォルダを選択";
  const fs::path full = withoutTrailingSlash(*path);
  const fs::path base = withoutTrailingSlash(home);
  // A home of "/" would turn every path into "~/…".
  if (!base.has_relative_path()) return full.string();
  auto [inBase, inFull] = std::mismatch(base.begin(), base.end(), full.begin(), full.end());
  if (inBase != base.end()) return full.string();
  fs::path rest;
  for (; inFull != full.end(); ++inFull) rest /= *inFull;
  return rest.empty() ? "~" : "~/" + rest.string();
}

}  // namespace SetupFolder
