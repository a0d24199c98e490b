#include "registry/RegFile.h"

#include "platform/RegistryRules.h"
#include "registry/RegData.h"
#include "runtime/Text.h"

namespace sigpatch {
namespace {

constexpr std::u16string_view kHeader5 = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kHeader4 = u"REGEDIT4";

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view trimLeft(std::u16string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::u16string_view trimRight(std::u16string_view s) {
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

int hexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

std::u16string utf16(std::string_view bytes, bool bigEndian, int& oddLine) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    text.push_back(static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a));
  }
  oddLine = bytes.size() % 2;
  return text;
}

// The file's text, by its byte-order mark, else by its header.
std::u16string decode(std::string_view bytes) {
  auto startsWith = [&](std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
  };
  int odd = 0;
  std::u16string text;
  if (startsWith("\xFF\xFE")) {
    text = utf16(bytes.substr(2), false, odd);
  } else if (startsWith("\xFE\xFF")) {
    text = utf16(bytes.substr(2), true, odd);
  } else if (startsWith("\xEF\xBB\xBF")) {
    return text::fromUtf8(bytes.substr(3));
  } else if (bytes.size() >= 2 && bytes[0] != 0 && bytes[1] == 0) {
    text = utf16(bytes, false, odd);
  } else if (startsWith("REGEDIT4")) {
    return text::fromAnsi(bytes);
  } else {
    return text::fromUtf8(bytes);
  }
  if (odd) throw RegFileError(0, u"the file ends in the middle of a UTF-16 character");
  return text;
}

std::vector<std::u16string_view> splitLines(std::u16string_view text) {
  std::vector<std::u16string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' || text[i] == u'\n') {
      lines.push_back(text.substr(start, i - start));
      if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      start = i + 1;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

class Parser {
 public:
  explicit Parser(std::u16string_view text) : lines_(splitLines(text)) {}

  RegFileContent parse() {
    if (lines_.empty()) fail(1, u"the file is empty");
    const auto header = trimRight(lines_[0]);
    if (header == kHeader5) {
      unicode_ = true;
    } else if (header == kHeader4) {
      unicode_ = false;
    } else {
      fail(1,
           u"the file does not begin with \"Windows Registry Editor Version 5.00\" or "
           u"\"REGEDIT4\"");
    }
    for (line_ = 1; line_ < lines_.size(); ++line_) {
      const auto text = trimLeft(lines_[line_]);
      if (text.empty() || text.front() == u';') continue;
      if (text.front() == u'[') {
        keyLine(trimRight(text));
      } else {
        valueLine(text);
      }
    }
    return std::move(content_);
  }

 private:
  [[noreturn]] void fail(std::size_t line, std::u16string message) const {
    throw RegFileError(static_cast<int>(line), std::move(message));
  }
  [[noreturn]] void fail(std::u16string message) const { fail(line_ + 1, std::move(message)); }

  void keyLine(std::u16string_view text) {
    if (text.size() < 2 || text.back() != u']') fail(u"a key line must end with \"]\"");
    auto inside = text.substr(1, text.size() - 2);
    RegFileKey key;
    key.Line = static_cast<int>(line_ + 1);
    if (!inside.empty() && inside.front() == u'-') {
      key.Delete = true;
      inside.remove_prefix(1);
    }
    const auto slash = inside.find(u'\\');
    const auto rootName = inside.substr(0, slash);
    const auto root = RegFile::RootName(rootName);
    if (root.empty()) fail(u"unknown root key \"" + std::u16string(rootName) + u"\"");
    key.Path = root;
    if (slash != std::u16string_view::npos) key.Path += inside.substr(slash);
    content_.Keys.push_back(std::move(key));
  }

  // A quoted text from `at` (the opening quote) with "\\" and "\"" escapes;
  // `at` ends after the closing quote.
  std::u16string quoted(std::u16string_view text, std::size_t& at) const {
    std::u16string result;
    for (++at; at < text.size(); ++at) {
      const char16_t c = text[at];
      if (c == u'"') {
        ++at;
        return result;
      }
      if (c == u'\\') {
        if (at + 1 >= text.size()) break;
        const char16_t next = text[++at];
        if (next != u'\\' && next != u'"') {
          fail(u"unknown escape \"\\" + std::u16string(1, next) +
               u"\" in a string (write \"\\\\\" for a backslash)");
        }
        result += next;
      } else {
        result += c;
      }
    }
    fail(u"a string without its closing quote");
  }

  void valueLine(std::u16string_view text) {
    if (content_.Keys.empty()) fail(u"a value before the first key");
    RegFileValue value;
    std::size_t at = 0;
    if (text.front() == u'@') {
      at = 1;
    } else if (text.front() == u'"') {
      value.Name = quoted(text, at);
    } else {
      fail(u"a value line must begin with \"@\" or a quoted name");
    }
    while (at < text.size() && isBlank(text[at])) ++at;
    if (at >= text.size() || text[at] != u'=') fail(u"\"=\" expected after the value name");
    ++at;
    while (at < text.size() && isBlank(text[at])) ++at;
    const auto data = text.substr(at);
    if (trimRight(data) == u"-") {
      value.Delete = true;
    } else if (!data.empty() && data.front() == u'"') {
      std::size_t end = 0;
      const auto string = quoted(data, end);
      if (!trimRight(data.substr(end)).empty()) fail(u"unexpected text after the value");
      value.Type = 1;
      value.Data = regdata::textBytes(string, true);
    } else if (data.substr(0, 6) == u"dword:") {
      const auto digits = trimRight(data.substr(6));
      if (digits.empty() || digits.size() > 8) fail(u"dword: needs 1 to 8 hexadecimal digits");
      std::uint32_t number = 0;
      for (char16_t c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0) fail(u"dword: needs 1 to 8 hexadecimal digits");
        number = number * 16 + static_cast<std::uint32_t>(digit);
      }
      value.Type = 4;
      value.Data = regdata::dwordBytes(number);
    } else if (data.substr(0, 3) == u"hex") {
      hexValue(data, value);
    } else {
      fail(u"the data must be a quoted string, dword:, hex:, hex(type): or \"-\"");
    }
    if (content_.Keys.back().Delete) fail(u"a value under a key that is being deleted");
    content_.Keys.back().Values.push_back(std::move(value));
  }

  void hexValue(std::u16string_view data, RegFileValue& value) {
    std::size_t at = 3;
    value.Type = 3;
    if (at < data.size() && data[at] == u'(') {
      const auto close = data.find(u')', at);
      const auto digits =
          data.substr(at + 1, close == std::u16string_view::npos ? 0 : close - at - 1);
      if (close == std::u16string_view::npos || digits.empty() || digits.size() > 8) {
        fail(u"a value type must be written hex(type) with 1 to 8 hexadecimal digits");
      }
      value.Type = 0;
      for (char16_t c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0)
          fail(u"a value type must be written hex(type) with 1 to 8 hexadecimal digits");
        value.Type = value.Type * 16 + static_cast<std::uint32_t>(digit);
      }
      at = close + 1;
    }
    if (at >= data.size() || data[at] != u':') fail(u"\":\" expected after hex");
    // The byte list, with its continuation lines.
    std::u16string list(trimRight(data.substr(at + 1)));
    while (!list.empty() && list.back() == u'\\') {
      list.pop_back();
      if (line_ + 1 >= lines_.size()) fail(u"the last line ends with \"\\\"");
      ++line_;
      list += trimRight(trimLeft(lines_[line_]));
    }
    std::vector<std::uint8_t> bytes;
    const std::u16string_view all = trimLeft(list);
    std::vector<std::u16string_view> tokens;
    for (std::size_t start = 0; !all.empty();) {
      const auto comma = all.find(u',', start);
      tokens.push_back(
          trimRight(trimLeft(all.substr(start, comma == all.npos ? comma : comma - start))));
      if (comma == all.npos) break;
      start = comma + 1;
    }
    for (std::size_t k = 0; k < tokens.size(); ++k) {
      const auto token = tokens[k];
      // A comma may end the list.
      if (token.empty() && k + 1 == tokens.size() && k > 0) break;
      if (token.empty() || token.size() > 2 || hexDigit(token[0]) < 0 ||
          (token.size() == 2 && hexDigit(token[1]) < 0)) {
        fail(u"hex data must be hexadecimal bytes separated by commas");
      }
      int byte = hexDigit(token[0]);
      if (token.size() == 2) byte = byte * 16 + hexDigit(token[1]);
      bytes.push_back(static_cast<std::uint8_t>(byte));
    }
    // A REGEDIT4 file holds text data in the code page; it is stored as UTF-16.
    if (!unicode_ && regdata::isTextType(value.Type)) {
      value.Data = regdata::textBytes(regdata::byteCharacters(bytes.data(), bytes.size()), false);
    } else {
      value.Data = std::move(bytes);
    }
  }

  std::vector<std::u16string_view> lines_;
  std::size_t line_ = 0;
  bool unicode_ = true;
  RegFileContent content_;
};

std::u16string escaped(std::u16string_view text) {
  std::u16string result;
  for (char16_t c : text) {
    if (c == u'\\' || c == u'"') result += u'\\';
    result += c;
  }
  return result;
}

bool hasLineBreak(std::u16string_view text) {
  return text.find_first_of(u"\r\n") != std::u16string_view::npos;
}

// The text of a REG_SZ value that a quoted string gives back byte for byte.
bool asString(const std::vector<std::uint8_t>& data, std::u16string& text) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  text = regdata::textOf(data);
  if (text.back() != u'\0') return false;
  text.pop_back();
  return text.find(u'\0') == std::u16string::npos && !hasLineBreak(text);
}

std::u16string hexNumber(std::uint32_t number, int digits) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string text;
  do {
    text.insert(text.begin(), kDigits[number & 0xF]);
    number >>= 4;
  } while (number != 0);
  while (static_cast<int>(text.size()) < digits) text.insert(text.begin(), u'0');
  return text;
}

// The byte list the registry editor writes: lines of at most 80 characters,
// continued with "\" and two blanks.
void appendHex(std::u16string& out, std::u16string line, const std::vector<std::uint8_t>& data) {
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::u16string piece = hexNumber(data[i], 2);
    if (i + 1 < data.size()) piece += u',';
    if (line.size() + piece.size() > 79) {
      out += line + u"\\\r\n";
      line = u"  ";
    }
    line += piece;
  }
  out += line + u"\r\n";
}

}  // namespace

RegFileError::RegFileError(int line, std::u16string message)
    : line_(line),
      message_(line > 0 ? u"line " + text::dec(line) + u": " + message : std::move(message)),
      what_(text::toUtf8(message_)) {}

std::u16string RegFile::RootName(std::u16string_view name) {
  const auto* root = platform::regrules::findRootKey(name);
  return root != nullptr ? std::u16string(root->name) : std::u16string();
}

RegFileContent RegFile::Parse(std::string_view bytes) { return Parser(decode(bytes)).parse(); }

std::u16string RegFile::WriteText(const RegFileContent& content) {
  std::u16string out(kHeader5);
  out += u"\r\n\r\n";
  for (const auto& key : content.Keys) {
    if (hasLineBreak(key.Path)) {
      throw RegFileError(0, u"the key \"" + key.Path +
                                u"\" has a line break in its name, which a .reg file cannot hold");
    }
    out += (key.Delete ? u"[-" : u"[") + key.Path + u"]\r\n";
    for (const auto& value : key.Values) {
      if (hasLineBreak(value.Name)) {
        throw RegFileError(0,
                           u"the value \"" + value.Name + u"\" of \"" + key.Path +
                               u"\" has a line break in its name, which a .reg file cannot hold");
      }
      std::u16string line = value.Name.empty() ? u"@=" : u"\"" + escaped(value.Name) + u"\"=";
      std::u16string string;
      if (value.Delete) {
        out += line + u"-\r\n";
      } else if (value.Type == 1 && asString(value.Data, string)) {
        out += line + u"\"" + escaped(string) + u"\"\r\n";
      } else if (value.Type == 4 && value.Data.size() == 4) {
        out += line + u"dword:" + hexNumber(regdata::dwordOf(value.Data.data(), 4), 8) + u"\r\n";
      } else {
        line += value.Type == 3 ? u"hex:" : u"hex(" + hexNumber(value.Type, 1) + u"):";
        appendHex(out, std::move(line), value.Data);
      }
    }
    out += u"\r\n";
  }
  return out;
}

std::string RegFile::Write(const RegFileContent& content) {
  const auto text = WriteText(content);
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

}  // namespace sigpatch
