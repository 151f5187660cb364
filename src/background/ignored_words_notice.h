#pragma once

#include <string>
#include <vector>

#include "background/notification_sink.h"
#include "master/ignored_words.h"
#include "sync/sync_paths.h"

// Telling the user of master words the IME will not offer. A reflect writes them all the same,
// so without this the dictionary would read as matching the master while the IME skips them.
namespace IgnoredWordsNotice {

// "マスターに Mozc が使わない語が 3語あります（「人名.txt」の 12行目など）。…"
std::string message(const std::vector<IgnoredWord>& words);

// Changes whenever a word, its place or its reason changes.
std::string key(const std::vector<IgnoredWord>& words);

// A heading and one line per word, for a person at a terminal; nothing when there are none.
std::vector<std::string> lines(const std::vector<IgnoredWord>& words);

// After a reflect that wrote or found the dictionary up to date: notifies the words once, or
// forgets the last notice when there are none.
void settle(const std::vector<IgnoredWord>& words, const SyncPaths& paths,
            NotificationSink& notifier);

}  // namespace IgnoredWordsNotice
