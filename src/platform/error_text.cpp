#include "platform/error_text.h"

#include <locale.h>
#include <string.h>

#include <filesystem>
#include <string_view>

#include "platform/text.h"

namespace platform {
namespace {

locale_t japanese() {
  // Made once and kept for the process: strerror_l may be called from any thread.
  static const locale_t locale = ::newlocale(LC_ALL_MASK, "ja_JP.UTF-8", locale_t{});
  return locale;
}

std::string shownPath(const std::filesystem::path& path) {
  return printable(path.native());
}

}  // namespace

std::string systemMessage(int error) {
  if (const locale_t locale = japanese()) return ::strerror_l(error, locale);
  return std::error_code(error, std::generic_category()).message();
}

std::string systemMessage(const std::error_code& code) {
  if (code.category() == std::generic_category() || code.category() == std::system_category()) {
    return systemMessage(code.value());
  }
  return code.message();
}

std::string errorText(const std::exception& error) {
  if (const auto* fs = dynamic_cast<const std::filesystem::filesystem_error*>(&error)) {
    std::string subject = shownPath(fs->path1());
    if (!fs->path2().empty()) subject += " → " + shownPath(fs->path2());
    const std::string message = systemMessage(fs->code());
    return subject.empty() ? message : subject + ": " + message;
  }
  if (const auto* system = dynamic_cast<const std::system_error*>(&error)) {
    // what() is the thrower's subject, ": " and the untranslated description.
    const std::string_view what = system->what();
    const std::string untranslated = ": " + system->code().message();
    const std::string message = systemMessage(system->code());
    if (what.ends_with(untranslated) && what.size() > untranslated.size()) {
      return printable(what.substr(0, what.size() - untranslated.size())) + ": " + message;
    }
    return message;
  }
  return error.what();
}

}  // namespace platform
