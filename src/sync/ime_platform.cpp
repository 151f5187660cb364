#include "sync/ime_platform.h"

#include <unistd.h>

namespace {

std::string currentUser() {
  return std::to_string(::getuid());
}

}  // namespace

ImePlatform ImePlatform::mozc() {
  // The dictionary tool, the word-register dialog and the settings are all
  // modes of mozc_tool; only this user's processes matter.
  return {
      .installLocations = {"/usr/lib/mozc/mozc_server", "/usr/libexec/mozc/mozc_server",
                           "/usr/lib64/mozc/mozc_server"},
      .toolProbe = {},
      .toolCommandText = "mozc_tool",
      .dictionaryLockName = ".user_dictionary.db.lock",
      .reload = {"pkill", {"-u", currentUser(), "-x", "mozc_server"}},
  };
}

ImePlatform ImePlatform::googleJapaneseInput() {
  return {
      .installLocations = {"/Library/Input Methods/GoogleJapaneseInput.app",
                           "~/Library/Input Methods/GoogleJapaneseInput.app"},
      .toolProbe = {"/usr/bin/pgrep",
                    {"-f", "DictionaryTool|GoogleJapaneseInputTool|GoogleJapaneseInputPrefPane"}},
      .toolCommandText = {},
      .dictionaryLockName = {},
      .reload = {"/usr/bin/pkill", {"-x", "GoogleJapaneseInputConverter"}},
  };
}

ImePlatform ImePlatform::current() {
#ifdef __APPLE__
  return googleJapaneseInput();
#else
  return mozc();
#endif
}
