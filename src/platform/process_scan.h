#pragma once

#include <sys/types.h>

#include <string_view>

namespace platform {

// True when a process of the user `uid`, other than this one, has `text` in
// its command line (arguments joined by spaces): what `pgrep -u <uid> -f
// <text>` answers for a plain text, without starting a process. A process
// without a command line is a kernel thread or one that has ended, never a
// running program: pgrep would match its name, this does not. Throws
// std::system_error when the process table cannot be read.
bool isProcessRunning(uid_t uid, std::string_view text);

}  // namespace platform
