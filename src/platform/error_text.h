#pragma once

#include <exception>
#include <string>
#include <system_error>

// The one place where a platform failure becomes text for the user: the file
// it is about and the system's own description of the error, in Japanese.
namespace platform {

// The system's description of an error number, from glibc's Japanese
// messages; the untranslated one when the ja_JP.UTF-8 locale is missing.
std::string systemMessage(int error);
std::string systemMessage(const std::error_code& code);

// The text of any error: a file-system error as "path: description", another
// system error as its subject and the description, and every other error
// (ours carry their Japanese text) as its own what().
std::string errorText(const std::exception& error);

}  // namespace platform
