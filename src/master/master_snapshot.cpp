#include "master/master_snapshot.h"

#include "platform/text.h"

std::vector<MasterDictionary> MasterSnapshot::dictionaries() const {
  std::vector<MasterDictionary> result;
  result.reserve(files.size());
  for (const MasterFile& f : files) result.push_back({f.name, f.entries});
  return result;
}

const MasterFile* MasterSnapshot::file(std::string_view named) const {
  for (const MasterFile& f : files) {
    if (platform::canonicallyEqual(f.name, named)) return &f;
  }
  return nullptr;
}
