#pragma once

#include <ostream>

#include "platform/process.h"

namespace platform {

// Readable failure messages: status and output as text.
inline void PrintTo(const ProcessResult& result, std::ostream* out) {
  *out << "{status " << result.status << ", output \"" << result.output << "\"}";
}

}  // namespace platform
