#include "sync/reflect_fingerprint.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <system_error>

#include "platform/executable.h"

namespace {

constexpr std::string_view header = "wordloom reflect fingerprint 1";

std::int64_t nanosecondsNow() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// Fields are TAB-separated and records end in LF; names are bytes and may hold either.
std::string escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::optional<std::string> unescaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t at = text.find(separator);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

template <class Number>
std::optional<Number> number(std::string_view text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  return value;
}

constexpr std::size_t statusFields = 6;

void writeStatus(std::string& out, const std::optional<platform::FileStatus>& status) {
  if (!status) {
    out += "\t-";
    return;
  }
  for (const std::int64_t value :
       {static_cast<std::int64_t>(status->device), static_cast<std::int64_t>(status->inode),
        static_cast<std::int64_t>(status->mode), static_cast<std::int64_t>(status->size),
        status->modified, status->changed}) {
    out += '\t';
    out += std::to_string(value);
  }
}

// The status in `fields` from `at` to the end: "-", or its six numbers.
bool readStatus(const std::vector<std::string_view>& fields, std::size_t at,
                std::optional<platform::FileStatus>& status) {
  if (fields.size() == at + 1 && fields[at] == "-") {
    status.reset();
    return true;
  }
  if (fields.size() != at + statusFields) return false;
  std::int64_t values[statusFields];
  for (std::size_t i = 0; i < statusFields; ++i) {
    const std::optional<std::int64_t> value = number<std::int64_t>(fields[at + i]);
    if (!value) return false;
    values[i] = *value;
  }
  status = platform::FileStatus{.device = static_cast<std::uint64_t>(values[0]),
                                .inode = static_cast<std::uint64_t>(values[1]),
                                .mode = static_cast<std::uint32_t>(values[2]),
                                .size = static_cast<std::uint64_t>(values[3]),
                                .modified = values[4],
                                .changed = values[5]};
  return true;
}

std::optional<IgnoredWord> readIgnored(const std::vector<std::string_view>& fields) {
  if (fields.size() != 11) return std::nullopt;
  const std::optional<std::string> dictionary = unescaped(fields[1]);
  const std::optional<std::size_t> line = number<std::size_t>(fields[2]);
  const std::optional<std::string> reading = unescaped(fields[3]);
  const std::optional<std::string> word = unescaped(fields[4]);
  const std::optional<std::int64_t> posCode = number<std::int64_t>(fields[5]);
  const std::optional<std::string> comment = unescaped(fields[6]);
  const std::optional<int> kind = number<int>(fields[7]);
  const std::optional<int> field = number<int>(fields[8]);
  const std::optional<std::size_t> bytes = number<std::size_t>(fields[9]);
  const std::optional<std::uint32_t> character = number<std::uint32_t>(fields[10]);
  if (!dictionary || !line || !reading || !word || !posCode || !comment || !kind || !field ||
      !bytes || !character) {
    return std::nullopt;
  }
  using Kind = ImeRules::Problem::Kind;
  using Field = ImeRules::Field;
  if (*kind < 0 || *kind > static_cast<int>(Kind::readingCharacter) || *field < 0 ||
      *field > static_cast<int>(Field::comment) || *character > 0x10FFFF) {
    return std::nullopt;
  }
  return IgnoredWord{.dictionary = *dictionary,
                     .line = *line,
                     .entry = DictEntry(*reading, *word, *posCode, *comment),
                     .problem = {.kind = static_cast<Kind>(*kind),
                                 .field = static_cast<Field>(*field),
                                 .bytes = *bytes,
                                 .character = static_cast<char32_t>(*character)}};
}

// The stamps of a run that found the dictionary up to date, taken in the
// order of that run.
ReflectFingerprint current(const SyncPaths& paths) {
  ReflectFingerprint now = ReflectFingerprint::begin(paths);
  now.stamp(paths.dictionary);
  now.stamp(paths.lastApplied());
  now.stamp(paths.pendingWrite());
  return now;
}

}  // namespace

ReflectFingerprint ReflectFingerprint::begin(const SyncPaths& paths) {
  ReflectFingerprint fingerprint;
  fingerprint.takenAt = nanosecondsNow();
  try {
    fingerprint.program = platform::runningExecutableStatus();
    fingerprint.stamp(paths.master);
    for (const std::filesystem::directory_entry& entry :
         std::filesystem::directory_iterator(paths.master)) {
      fingerprint.stamp(entry.path());
    }
  } catch (const std::filesystem::filesystem_error&) {
    fingerprint.complete = false;
  }
  return fingerprint;
}

void ReflectFingerprint::stamp(const std::filesystem::path& file) {
  Stamp taken{.path = file.native(), .status = std::nullopt};
  try {
    taken.status = platform::fileStatus(file);
  } catch (const std::filesystem::filesystem_error&) {
    complete = false;
    return;
  }
  const auto at = std::lower_bound(stamps.begin(), stamps.end(), taken.path,
                                   [](const Stamp& s, const std::string& p) { return s.path < p; });
  if (at != stamps.end() && at->path == taken.path) {
    *at = std::move(taken);
  } else {
    stamps.insert(at, std::move(taken));
  }
}

bool ReflectFingerprint::trusts(const ReflectFingerprint& now) const {
  if (!complete || !now.complete || !program || program != now.program || stamps != now.stamps) {
    return false;
  }
  const std::int64_t settled = takenAt - granularity.count();
  const auto settledBefore = [&](const std::optional<platform::FileStatus>& status) {
    return !status || std::max(status->modified, status->changed) < settled;
  };
  return settledBefore(program) && std::all_of(stamps.begin(), stamps.end(), [&](const Stamp& s) {
           return settledBefore(s.status);
         });
}

std::optional<std::vector<IgnoredWord>> ReflectFingerprint::upToDate(const SyncPaths& paths) {
  std::string bytes;
  try {
    bytes = platform::readFile(paths.reflectFingerprint());
  } catch (const std::filesystem::filesystem_error&) {
    return std::nullopt;
  }
  std::optional<ReflectFingerprint> recorded = parse(bytes);
  if (!recorded || !recorded->trusts(current(paths))) return std::nullopt;
  return std::move(recorded->ignoredWords);
}

void ReflectFingerprint::save(const SyncPaths& paths, std::vector<IgnoredWord> ignored) {
  stamp(paths.lastApplied());
  stamp(paths.pendingWrite());
  ignoredWords = std::move(ignored);
  if (!complete) return;
  try {
    platform::writeAtomically(paths.reflectFingerprint(), serialized());
  } catch (const std::exception&) {
    // Only the next run's speed depends on it.
  }
}

void ReflectFingerprint::forget(const SyncPaths& paths) {
  std::error_code ignored;
  std::filesystem::remove(paths.reflectFingerprint(), ignored);
}

std::string ReflectFingerprint::serialized() const {
  std::string out(header);
  out += "\ntaken\t" + std::to_string(takenAt) + "\nprogram";
  writeStatus(out, program);
  out += '\n';
  for (const Stamp& s : stamps) {
    out += "file\t" + escaped(s.path);
    writeStatus(out, s.status);
    out += '\n';
  }
  for (const IgnoredWord& w : ignoredWords) {
    out += "ignored\t" + escaped(w.dictionary) + '\t' + std::to_string(w.line) + '\t' +
           escaped(w.entry.reading) + '\t' + escaped(w.entry.word) + '\t' +
           std::to_string(w.entry.posCode) + '\t' + escaped(w.entry.comment) + '\t' +
           std::to_string(static_cast<int>(w.problem.kind)) + '\t' +
           std::to_string(static_cast<int>(w.problem.field)) + '\t' +
           std::to_string(w.problem.bytes) + '\t' +
           std::to_string(static_cast<std::uint32_t>(w.problem.character)) + '\n';
  }
  return out;
}

std::optional<ReflectFingerprint> ReflectFingerprint::parse(std::string_view bytes) {
  if (!bytes.ends_with('\n')) return std::nullopt;
  bytes.remove_suffix(1);
  const std::vector<std::string_view> lines = split(bytes, '\n');
  if (lines.size() < 3 || lines[0] != header) return std::nullopt;

  ReflectFingerprint fingerprint;
  const std::vector<std::string_view> taken = split(lines[1], '\t');
  const std::vector<std::string_view> program = split(lines[2], '\t');
  if (taken.size() != 2 || taken[0] != "taken" || program[0] != "program") return std::nullopt;
  const std::optional<std::int64_t> takenAt = number<std::int64_t>(taken[1]);
  if (!takenAt || !readStatus(program, 1, fingerprint.program)) return std::nullopt;
  fingerprint.takenAt = *takenAt;

  for (std::size_t i = 3; i < lines.size(); ++i) {
    const std::vector<std::string_view> fields = split(lines[i], '\t');
    if (fields[0] == "file" && fingerprint.ignoredWords.empty() && fields.size() >= 3) {
      std::optional<std::string> path = unescaped(fields[1]);
      Stamp s;
      if (!path || !readStatus(fields, 2, s.status)) return std::nullopt;
      s.path = std::move(*path);
      fingerprint.stamps.push_back(std::move(s));
    } else if (fields[0] == "ignored") {
      std::optional<IgnoredWord> word = readIgnored(fields);
      if (!word) return std::nullopt;
      fingerprint.ignoredWords.push_back(std::move(*word));
    } else {
      return std::nullopt;
    }
  }
  return fingerprint;
}
