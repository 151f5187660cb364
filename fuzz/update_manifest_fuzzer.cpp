// Any bytes as an update manifest: either refused, or every listed path stays inside the folder.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "update/manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto manifest = Manifest::parse(bytes);
  if (!manifest) return 0;
  for (const auto& [path, hash] : manifest->files) {
    const std::filesystem::path p(path);
    if (p.is_absolute() || hash.size() != 64) std::abort();
    for (const auto& part : p) {
      if (part == ".." || part == "." || part.empty()) std::abort();
    }
  }
  return 0;
}
