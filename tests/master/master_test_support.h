#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/files.h"

// Writes a file of the test's master folder as a cloud client would bring it.
inline void put(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::create_directories(path.parent_path());
  platform::writeAtomically(path, bytes);
}

// カ + combining voiced mark: the decomposed form of ガ.
inline const std::string decomposedGa = "\xE3\x82\xAB\xE3\x82\x99";
