#include "master/master_store.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "master/deleted_list.h"
#include "master/master_error.h"
#include "master/master_format.h"
#include "master/master_history.h"
#include "master/master_listing.h"
#include "master/master_store_error.h"
#include "master/validation.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/text.h"

namespace MasterStore {
namespace {

namespace fs = std::filesystem;
using Dictionaries = std::map<std::string, std::vector<DictEntry>>;

bool hasLineBreakOrTab(const std::string& text) {
  return text.find_first_of("\t\r\n") != std::string::npos;
}

// A master line cannot hold these, and a reading that begins with U+FEFF
// would be read back as a byte-order mark when its word comes first; written
// anyway, the file would be replaced and only then fail to read back.
void refuseUnwritable(const std::string& dictionary, const std::vector<DictEntry>& entries) {
  for (const DictEntry& e : entries) {
    if (hasLineBreakOrTab(e.reading) || hasLineBreakOrTab(e.word) || hasLineBreakOrTab(e.comment) ||
        e.reading.starts_with("\xEF\xBB\xBF")) {
      throw MasterStoreError(MasterStoreError::UnwritableText{dictionary, e.reading, e.word});
    }
  }
}

void writeVerified(const fs::path& dir, const std::string& fileName, const std::string& name,
                   const std::vector<DictEntry>& entries) {
  const fs::path path = dir / fileName;
  platform::writeAtomically(path, Master::text(entries));
  if (MasterListing::parseFile(platform::readFile(path), fileName) != entries) {
    throw MasterStoreError(MasterStoreError::VerifyFailed{name});
  }
}

struct Write {
  const MasterFile* file;
  const std::string* name;
  const std::vector<DictEntry>* entries;
};

}  // namespace

MasterSnapshot load(const fs::path& dir) {
  MasterSnapshot snapshot;
  snapshot.dir = dir;
  std::vector<std::string> empty;
  for (const MasterListing::Name& name : MasterListing::dictionaryFiles(dir)) {
    if (Master::isConflictCopy(name.nfc)) {
      snapshot.conflictCopies.push_back(name.nfc);
      continue;
    }
    std::string bytes = platform::readFile(dir / name.listed);
    if (bytes.empty()) {
      empty.push_back(platform::printable(name.nfc));
      continue;
    }
    std::vector<DictEntry> entries = MasterListing::parseFile(bytes, platform::printable(name.nfc));
    snapshot.files.push_back({MasterListing::dictionaryName(name.nfc), name.listed,
                              std::move(entries), std::move(bytes)});
  }
  if (!empty.empty()) throw MasterStoreError(MasterStoreError::ZeroByte{std::move(empty)});
  return snapshot;
}

MasterSnapshot save(const Dictionaries& changes, const Dictionaries& newDictionaries,
                    const MasterSnapshot& base, std::chrono::system_clock::time_point now) {
  const fs::path& dir = base.dir;
  MasterSnapshot fresh = load(dir);

  // The map's order is already ascending by code point.
  std::vector<std::string> elsewhere;
  for (const auto& [name, entries] : changes) {
    const MasterFile* before = base.file(name);
    const MasterFile* after = fresh.file(name);
    if (before == nullptr || after == nullptr || before->raw != after->raw) {
      elsewhere.push_back(name);
    }
  }
  if (!elsewhere.empty()) {
    throw MasterStoreError(MasterStoreError::ChangedElsewhere{std::move(elsewhere)});
  }

  for (const auto& [name, entries] : newDictionaries) {
    if (fresh.file(name) != nullptr) throw MasterStoreError(MasterStoreError::AlreadyExists{name});
    // A name from this computer's IME file is not screened by the edit sheet:
    // "../x" or ".x" would write a file the readers never see.
    if (std::optional<std::string> problem = nameProblem(name, {})) {
      throw MasterStoreError(MasterStoreError::UnusableName{name, std::move(*problem)});
    }
  }

  for (const Dictionaries* map : {&changes, &newDictionaries}) {
    for (const auto& [name, entries] : *map) {
      if (entries.empty()) throw MasterStoreError(MasterStoreError::EmptyDictionary{name});
    }
  }

  std::unordered_map<std::string, const std::vector<DictEntry>*> changed;
  for (const auto& [name, entries] : changes) changed.emplace(platform::nfc(name), &entries);
  std::vector<MasterDictionary> whole;
  whole.reserve(fresh.files.size() + newDictionaries.size());
  for (const MasterFile& file : fresh.files) {
    const auto found = changed.find(file.name);
    whole.push_back({file.name, found != changed.end() ? *found->second : file.entries});
  }
  for (const auto& [name, entries] : newDictionaries) whole.push_back({name, entries});
  std::vector<ValidationIssue> errors = Validation::check(whole);
  std::erase_if(errors, [](const ValidationIssue& issue) {
    return issue.level != ValidationIssue::Level::error;
  });
  if (!errors.empty()) throw MasterStoreError(MasterStoreError::Invalid{std::move(errors)});

  std::vector<Write> writes;
  for (const auto& [name, entries] : changes) {
    const MasterFile* file = fresh.file(name);
    if (file == nullptr || file->entries != entries) writes.push_back({file, &name, &entries});
  }
  if (writes.empty() && newDictionaries.empty()) return fresh;

  // Everything that can be refused is refused before the first file is touched.
  for (const Write& w : writes) refuseUnwritable(*w.name, *w.entries);
  for (const auto& [name, entries] : newDictionaries) refuseUnwritable(name, entries);
  std::vector<const MasterFile*> toKeep;
  for (const Write& w : writes) {
    if (w.file == nullptr) throw MasterStoreError(MasterStoreError::UnknownDictionary{*w.name});
    toKeep.push_back(w.file);
  }
  // Under the composed form of the name, whatever form it came in: the folder's readers compare
  // names that way, and another computer making the same dictionary makes the same file.
  const auto fileNameOf = [](const std::string& name) { return platform::nfc(name) + ".txt"; };
  for (const auto& [name, entries] : newDictionaries) {
    if (fs::exists(fs::symlink_status(dir / fileNameOf(name)))) {
      throw MasterStoreError(MasterStoreError::AlreadyExists{name});
    }
  }

  MasterHistory::keep(dir, historySuffix, now, toKeep);
  if (!toKeep.empty()) MasterHistory::prune(dir, now);

  for (const Write& w : writes) writeVerified(dir, w.file->fileName, *w.name, *w.entries);
  std::set<std::string> created;
  for (const auto& [name, entries] : newDictionaries) {
    const std::string fileName = fileNameOf(name);
    // Checked again: the cloud service may have brought the file meanwhile.
    if (fs::exists(fs::symlink_status(dir / fileName))) {
      throw MasterStoreError(MasterStoreError::AlreadyExists{name});
    }
    writeVerified(dir, fileName, name, entries);
    created.insert(name);
  }
  if (!created.empty()) DeletedList::forget(dir, created);
  return load(dir);
}

MasterSnapshot deleteDictionary(std::string_view name, const MasterSnapshot& base,
                                std::chrono::system_clock::time_point now) {
  const fs::path& dir = base.dir;
  const MasterSnapshot fresh = load(dir);
  const MasterFile* before = base.file(name);
  const MasterFile* after = fresh.file(name);
  if (before == nullptr || after == nullptr) {
    throw MasterStoreError(MasterStoreError::UnknownDictionary{std::string(name)});
  }
  if (before->raw != after->raw) {
    throw MasterStoreError(MasterStoreError::ChangedElsewhere{{std::string(name)}});
  }
  if (fresh.files.size() < 2) throw MasterStoreError(MasterStoreError::LastDictionary{});

  MasterHistory::keep(dir, MasterHistory::deletionSuffix, now, {after});

  DeletedList::add(dir, {after->name, platform::stamp(now)});

  fs::remove(dir / after->fileName);
  return load(dir);
}

std::optional<std::string> nameProblem(std::string_view name,
                                       const std::vector<std::string>& existing) {
  const std::string normal = platform::nfc(platform::trimSpaces(name));
  if (normal.empty()) return "名前を入力してください";
  if (normal.starts_with('.')) return "「.」で始まる名前は使えません";
  if (normal.find_first_of("/:\\\t\n") != std::string::npos) return "「/」「:」「\\」は使えません";
  if (Master::isConflictCopy(normal)) {
    return "この名前は、同期のときにできる競合コピーと見分けがつかないので使えません";
  }
  for (const std::string& other : existing) {
    if (platform::nfc(other) == normal) return "辞書「" + normal + "」はすでにあります";
  }
  return std::nullopt;
}

std::set<std::string> deletedDictionaries(const fs::path& masterDir) {
  std::set<std::string> names;
  for (DeletedList::Entry& e : DeletedList::read(masterDir)) names.insert(std::move(e.name));
  return names;
}

}  // namespace MasterStore
