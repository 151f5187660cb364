#pragma once

#include <string_view>

// The two ways isValidUtf8 checks a text, apart so that tests can hold each to
// the plain decoder.
namespace platform::utf8_scan {

// A byte-at-a-time state machine; runs anywhere.
bool machineValid(std::string_view bytes);

// Thirty-two bytes at a time with AVX2, when this processor has it.
bool blocksAvailable();
bool blocksValid(std::string_view bytes);

}  // namespace platform::utf8_scan
