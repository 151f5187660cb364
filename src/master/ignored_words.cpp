#include "master/ignored_words.h"

#include "platform/ime_platform.h"

std::string IgnoredWord::message() const {
  return std::to_string(line) + "行目 " + entry.reading + " → " + entry.word + ": " +
         PlatformWords::join({platformWords().ime, "では使われません（" + problem.reason() + "）"});
}
