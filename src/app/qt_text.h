#pragma once

#include <QString>
#include <string_view>

// The engine's texts are UTF-8 std::strings; the window's are QStrings.
inline QString qtText(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
