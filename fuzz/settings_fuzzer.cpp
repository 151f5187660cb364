// Any bytes as "設定.json": reading never throws, a folder it names is absolute and whole (no
// NUL for the system to cut it at), and writing that folder back reads the same.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sync/sync_paths.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto master = SyncConfig::masterIn(bytes);
  if (!master) return 0;
  const std::string path = master->string();
  if (!master->is_absolute() || path.find('\0') != std::string::npos) std::abort();
  if (SyncConfig::masterIn(SyncConfig::text(*master)) != master) std::abort();
  return 0;
}
