// Reflects once with the paths of the environment and the IME of this
// platform, as the background run does, and prints the outcome's case, then
// one line "ignored", TAB, dictionary, TAB, line for each master word found
// that the IME will not offer. The Mozc test runs it as the user whose
// profile it reflects into.
#include <cstdio>
#include <exception>
#include <string_view>

#include "sync/sync_lock.h"
#include "sync/syncer.h"

namespace {

const char* caseName(const ApplyResult& result) {
  constexpr const char* names[] = {"applied",   "masterProblem", "localEdits",
                                   "bigChange", "upToDate",      "toolOpen"};
  return names[result.value.index()];
}

}  // namespace

int main(int argc, char** argv) {
  ApplyOptions options;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--discard") options.discardLocalEdits = true;
    if (std::string_view(argv[i]) == "--big") options.allowBigChange = true;
  }
  try {
    const Syncer syncer{.paths = syncPathsFromEnvironment(),
                        .keepBackups = 30,
                        .reloadsConverter = reloadsConverterFromEnvironment(),
                        .ime = ImePlatform::current()};
    const ApplyResult result =
        SyncLock::run(syncer.paths.state, [&] { return syncer.apply(options); });
    std::printf("%s\n", caseName(result));
    for (const IgnoredWord& word : result.ignoredWords) {
      std::printf("ignored\t%s\t%zu\n", word.dictionary.c_str(), word.line);
    }
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "reflect failed: %s\n", error.what());
    return 2;
  }
}
