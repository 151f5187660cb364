#include "background/property_list.h"

#include <charconv>
#include <system_error>

#include "platform/text.h"

PlistValue PlistValue::makeString(std::string text) {
  PlistValue value;
  value.kind = Kind::string;
  value.text = std::move(text);
  return value;
}

PlistValue PlistValue::makeInteger(std::int64_t number) {
  PlistValue value;
  value.kind = Kind::integer;
  value.text = std::to_string(number);
  return value;
}

PlistValue PlistValue::makeBoolean(bool flag) {
  PlistValue value;
  value.kind = Kind::boolean;
  value.boolean = flag;
  return value;
}

PlistValue PlistValue::makeArray(std::vector<PlistValue> items) {
  PlistValue value;
  value.kind = Kind::array;
  value.items = std::move(items);
  return value;
}

PlistValue PlistValue::makeDictionary(std::vector<std::pair<std::string, PlistValue>> members) {
  PlistValue value;
  value.kind = Kind::dictionary;
  for (auto& [key, item] : members) {
    value.keys.push_back(std::move(key));
    value.items.push_back(std::move(item));
  }
  return value;
}

const PlistValue* PlistValue::find(std::string_view key) const {
  if (kind != Kind::dictionary) return nullptr;
  for (std::size_t i = 0; i < keys.size() && i < items.size(); ++i) {
    if (keys[i] == key) return &items[i];
  }
  return nullptr;
}

namespace PropertyList {
namespace {

[[noreturn]] void unencodable() {
  throw std::system_error(std::make_error_code(std::errc::illegal_byte_sequence),
                          "text that an XML property list cannot hold");
}

void appendEscaped(std::string& out, std::string_view text) {
  if (!platform::isValidUtf8(text)) unencodable();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '\r':
        // A literal CR would come back as LF.
        out += "&#13;";
        break;
      case '\t':
      case '\n':
        out += static_cast<char>(c);
        break;
      default:
        if (c < 0x20) unencodable();
        // U+FFFE and U+FFFF are not XML characters.
        if (c == 0xEF && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xBF &&
            (static_cast<unsigned char>(text[i + 2]) & 0xFE) == 0xBE) {
          unencodable();
        }
        out += static_cast<char>(c);
    }
  }
}

void appendValue(std::string& out, const PlistValue& value, int depth) {
  const std::string indent(static_cast<std::size_t>(depth), '\t');
  switch (value.kind) {
    case PlistValue::Kind::string:
      out += indent + "<string>";
      appendEscaped(out, value.text);
      out += "</string>\n";
      return;
    case PlistValue::Kind::integer:
      out += indent + "<integer>" + value.text + "</integer>\n";
      return;
    case PlistValue::Kind::boolean:
      out += indent + (value.boolean ? "<true/>\n" : "<false/>\n");
      return;
    case PlistValue::Kind::array:
      out += indent + "<array>\n";
      for (const auto& item : value.items) appendValue(out, item, depth + 1);
      out += indent + "</array>\n";
      return;
    case PlistValue::Kind::dictionary:
      out += indent + "<dict>\n";
      for (std::size_t i = 0; i < value.keys.size() && i < value.items.size(); ++i) {
        out += indent + "\t<key>";
        appendEscaped(out, value.keys[i]);
        out += "</key>\n";
        appendValue(out, value.items[i], depth + 1);
      }
      out += indent + "</dict>\n";
      return;
    case PlistValue::Kind::other:
      out += indent + "<string>";
      appendEscaped(out, value.text);
      out += "</string>\n";
      return;
  }
}

void appendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// A reader for documents as launchd and property list writers make them:
// no internal DTD subset, no namespaces. Anything else fails the parse.
class Reader {
 public:
  explicit Reader(std::string_view input) : in_(input) {}

  std::optional<PlistValue> document() {
    skipMisc();
    Tag tag;
    if (!openTag(tag) || tag.name != "plist") return std::nullopt;
    std::optional<PlistValue> root;
    if (!tag.empty) {
      root = value();
      if (!root || !closeTag("plist")) return std::nullopt;
    }
    skipMisc();
    if (pos_ != in_.size() || !root) return std::nullopt;
    return root;
  }

 private:
  struct Tag {
    std::string name;
    bool empty = false;
  };

  bool startsWith(std::string_view prefix) const { return in_.substr(pos_).starts_with(prefix); }

  void skipSpace() {
    while (pos_ < in_.size() &&
           (in_[pos_] == ' ' || in_[pos_] == '\t' || in_[pos_] == '\n' || in_[pos_] == '\r')) {
      ++pos_;
    }
  }

  bool skipPast(std::string_view end) {
    const auto found = in_.find(end, pos_);
    if (found == std::string_view::npos) return false;
    pos_ = found + end.size();
    return true;
  }

  // White space, comments, processing instructions and the document type.
  void skipMisc() {
    for (;;) {
      skipSpace();
      if (startsWith("<?")) {
        if (!skipPast("?>")) return;
      } else if (startsWith("<!--")) {
        if (!skipPast("-->")) return;
      } else if (startsWith("<!DOCTYPE")) {
        const auto end = in_.find('>', pos_);
        if (end == std::string_view::npos || in_.substr(pos_, end - pos_).find('[') != npos) {
          return;
        }
        pos_ = end + 1;
      } else {
        return;
      }
    }
  }

  bool openTag(Tag& tag) {
    skipMisc();
    if (!startsWith("<") || startsWith("</")) return false;
    ++pos_;
    const auto nameEnd = in_.find_first_of(" \t\r\n/>", pos_);
    if (nameEnd == std::string_view::npos || nameEnd == pos_) return false;
    tag.name = std::string(in_.substr(pos_, nameEnd - pos_));
    pos_ = nameEnd;
    char quote = 0;
    while (pos_ < in_.size()) {
      const char c = in_[pos_++];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        tag.empty = pos_ >= 2 && in_[pos_ - 2] == '/';
        return true;
      }
    }
    return false;
  }

  bool closeTag(std::string_view name) {
    skipMisc();
    if (!startsWith("</")) return false;
    pos_ += 2;
    if (!startsWith(name)) return false;
    pos_ += name.size();
    skipSpace();
    if (!startsWith(">")) return false;
    ++pos_;
    return true;
  }

  // Character data up to the element's end tag: entities decoded, CDATA
  // taken as it is, line ends normalised as an XML processor does.
  std::optional<std::string> textUntilClose(std::string_view name) {
    std::string text;
    while (pos_ < in_.size()) {
      if (startsWith("<![CDATA[")) {
        pos_ += 9;
        const auto end = in_.find("]]>", pos_);
        if (end == std::string_view::npos) return std::nullopt;
        appendRaw(text, in_.substr(pos_, end - pos_));
        pos_ = end + 3;
      } else if (startsWith("<!--")) {
        if (!skipPast("-->")) return std::nullopt;
      } else if (startsWith("<")) {
        if (!closeTag(name)) return std::nullopt;
        return text;
      } else if (in_[pos_] == '&') {
        if (!entity(text)) return std::nullopt;
      } else {
        const auto end = in_.find_first_of("<&", pos_);
        const auto stop = end == std::string_view::npos ? in_.size() : end;
        appendRaw(text, in_.substr(pos_, stop - pos_));
        pos_ = stop;
      }
    }
    return std::nullopt;
  }

  static void appendRaw(std::string& text, std::string_view raw) {
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '\r') {
        text += '\n';
        if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
      } else {
        text += raw[i];
      }
    }
  }

  bool entity(std::string& text) {
    const auto end = in_.find(';', pos_);
    if (end == std::string_view::npos) return false;
    const std::string_view name = in_.substr(pos_ + 1, end - pos_ - 1);
    pos_ = end + 1;
    if (name == "amp") {
      text += '&';
    } else if (name == "lt") {
      text += '<';
    } else if (name == "gt") {
      text += '>';
    } else if (name == "quot") {
      text += '"';
    } else if (name == "apos") {
      text += '\'';
    } else if (name.starts_with('#')) {
      const bool hex = name.size() > 1 && name[1] == 'x';
      const std::string_view digits = name.substr(hex ? 2 : 1);
      std::uint32_t code = 0;
      const auto [ptr, error] =
          std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
      if (digits.empty() || error != std::errc() || ptr != digits.data() + digits.size() ||
          code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return false;
      }
      appendUtf8(text, code);
    } else {
      return false;
    }
    return true;
  }

  std::optional<PlistValue> value() {
    Tag tag;
    if (!openTag(tag)) return std::nullopt;
    PlistValue result;
    if (tag.name == "dict") {
      result.kind = PlistValue::Kind::dictionary;
      if (tag.empty) return result;
      for (;;) {
        skipMisc();
        if (startsWith("</")) {
          if (!closeTag("dict")) return std::nullopt;
          return result;
        }
        Tag keyTag;
        if (!openTag(keyTag) || keyTag.name != "key") return std::nullopt;
        std::optional<std::string> key = keyTag.empty ? std::string() : textUntilClose("key");
        std::optional<PlistValue> item = key ? value() : std::nullopt;
        if (!item) return std::nullopt;
        result.keys.push_back(std::move(*key));
        result.items.push_back(std::move(*item));
      }
    }
    if (tag.name == "array") {
      result.kind = PlistValue::Kind::array;
      if (tag.empty) return result;
      for (;;) {
        skipMisc();
        if (startsWith("</")) {
          if (!closeTag("array")) return std::nullopt;
          return result;
        }
        std::optional<PlistValue> item = value();
        if (!item) return std::nullopt;
        result.items.push_back(std::move(*item));
      }
    }
    if (tag.name == "true" || tag.name == "false") {
      result.kind = PlistValue::Kind::boolean;
      result.boolean = tag.name == "true";
      if (!tag.empty && !closeTag(tag.name)) return std::nullopt;
      return result;
    }
    if (tag.name == "string") {
      result.kind = PlistValue::Kind::string;
    } else if (tag.name == "integer") {
      result.kind = PlistValue::Kind::integer;
    } else if (tag.name != "real" && tag.name != "date" && tag.name != "data") {
      return std::nullopt;
    }
    if (tag.empty) return result;
    std::optional<std::string> text = textUntilClose(tag.name);
    if (!text) return std::nullopt;
    result.text = std::move(*text);
    return result;
  }

  static constexpr auto npos = std::string_view::npos;
  std::string_view in_;
  std::size_t pos_ = 0;
};

}  // namespace

std::string xml(const PlistValue& root) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n";
  appendValue(out, root, 0);
  out += "</plist>\n";
  return out;
}

std::optional<PlistValue> parse(std::string_view document) {
  return Reader(document).document();
}

}  // namespace PropertyList
