#include "registry/RegCommand.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/Platform.h"
#include "platform/RegistryRules.h"
#include "platform/System.h"
#include "registry/RegData.h"
#include "runtime/Text.h"

namespace sigpatch {

using platform::RegKey;
namespace fs = std::filesystem;

/// A failure of the command: the text of its one "ERROR: " line.
class RegCommand::Failure : public std::exception {
 public:
  explicit Failure(std::u16string text) : text_(std::move(text)), what_(text::toUtf8(text_)) {}
  const std::u16string& Text() const { return text_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::u16string text_;
  std::string what_;
};

struct RegCommand::Switches {
  std::u16string operation;  // upper case
  std::vector<std::u16string> positional;
  std::optional<std::u16string> v;
  std::optional<std::u16string> t;
  std::optional<std::u16string> d;
  bool ve = false;
  bool va = false;
  bool s = false;
  bool f = false;
  bool y = false;
  bool help = false;
};

namespace {

constexpr char16_t kDone[] = u"The operation completed successfully.\n";
constexpr char16_t kCancelled[] = u"The operation was cancelled by the user.\n";

constexpr char16_t kUsage[] =
    u"sigreg QUERY KEY [/v NAME | /ve] [/s]\n"
    u"sigreg ADD KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]\n"
    u"sigreg DELETE KEY [/v NAME | /ve | /va] [/f]\n"
    u"sigreg EXPORT KEY FILE [/y]\n"
    u"sigreg IMPORT FILE\n"
    u"sigreg CHECK\n"
    u"\n"
    u"  KEY   ROOT\\SubKey; ROOT is HKLM, HKCU, HKCR or HKU (or the full name)\n"
    u"  /v    a value; /ve the key's default value; /va every value of the key\n"
    u"  /s    QUERY the key and all keys below it\n"
    u"  /t    REG_SZ (the default), REG_EXPAND_SZ, REG_MULTI_SZ (parts joined by \\0),\n"
    u"        REG_DWORD or REG_QWORD (decimal, or hexadecimal after 0x),\n"
    u"        REG_BINARY or REG_NONE (hexadecimal bytes, as 01ab)\n"
    u"  /d    the data\n"
    u"  /f    change or delete without asking; /y overwrite FILE without asking\n"
    u"  FILE  a .reg file; EXPORT writes \"Windows Registry Editor Version 5.00\"\n"
    u"        (UTF-16), IMPORT also reads REGEDIT4 and UTF-8; EXPORT to - writes\n"
    u"        to standard output, through a symbolic link to the file it names,\n"
    u"        keeps an existing file's owner and mode, and never replaces a\n"
    u"        folder, a device or a pipe\n"
    u"  CHECK checks every store file whole (SQLite's integrity check and every\n"
    u"        key's and value's checksum); exit code 1 when one is damaged\n";

struct TypeName {
  std::uint32_t type;
  std::u16string_view name;
};
constexpr TypeName kTypeNames[] = {{0, u"REG_NONE"},
                                   {1, u"REG_SZ"},
                                   {2, u"REG_EXPAND_SZ"},
                                   {3, u"REG_BINARY"},
                                   {4, u"REG_DWORD"},
                                   {5, u"REG_DWORD_BIG_ENDIAN"},
                                   {6, u"REG_LINK"},
                                   {7, u"REG_MULTI_SZ"},
                                   {8, u"REG_RESOURCE_LIST"},
                                   {9, u"REG_FULL_RESOURCE_DESCRIPTOR"},
                                   {10, u"REG_RESOURCE_REQUIREMENTS_LIST"},
                                   {11, u"REG_QWORD"}};

std::u16string hex(std::uint64_t number) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string text;
  do {
    text.insert(text.begin(), kDigits[number & 0xF]);
    number >>= 4;
  } while (number != 0);
  return text;
}

std::u16string typeName(std::uint32_t type) {
  for (const auto& entry : kTypeNames) {
    if (entry.type == type) return std::u16string(entry.name);
  }
  return u"0x" + hex(type);
}

std::u16string displayName(std::u16string_view name) {
  return name.empty() ? std::u16string(u"(Default)") : std::u16string(name);
}

// A name as a message quotes it: a long one by its beginning.
std::u16string shown(std::u16string_view name) {
  if (name.size() <= 40) return std::u16string(name);
  return std::u16string(name.substr(0, 32)) + u"\u2026";
}

// "code N: " and the system's text for the code (without its closing full
// stop), or "code N" when the system has none.
std::u16string codeAndText(std::int32_t code) {
  std::u16string message;
  if (platform::current().system != nullptr &&
      platform::current().system->FormatMessage(static_cast<std::uint32_t>(code), message)) {
    while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r' ||
                                message.back() == u' ' || message.back() == u'.')) {
      message.pop_back();
    }
  }
  return u"code " + text::dec(code) + (message.empty() ? u"" : u": " + message);
}

// The data as the system's "reg query" shows it.
std::u16string dataText(std::uint32_t type, const std::vector<std::uint8_t>& data) {
  switch (type) {
    case platform::kRegSz:
    case platform::kRegExpandSz: {
      auto text = regdata::textOf(data);
      return text.substr(0, text.find(u'\0'));
    }
    case platform::kRegMultiSz: {
      auto text = regdata::textOf(data);
      while (!text.empty() && text.back() == u'\0') text.pop_back();
      std::u16string shown;
      for (char16_t c : text) shown += c == u'\0' ? std::u16string(u"\\0") : std::u16string(1, c);
      return shown;
    }
    case platform::kRegDword:
      if (data.size() == 4) return u"0x" + hex(regdata::dwordOf(data.data(), 4));
      break;
    case platform::kRegDwordBigEndian:
      if (data.size() == 4) {
        return u"0x" + hex(std::uint32_t{data[0]} << 24 | std::uint32_t{data[1]} << 16 |
                           std::uint32_t{data[2]} << 8 | data[3]);
      }
      break;
    case platform::kRegQword:
      if (data.size() == 8) return u"0x" + hex(regdata::qwordOf(data.data(), 8));
      break;
    default:
      break;
  }
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string text;
  for (auto b : data) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0xF];
  }
  return text;
}

std::optional<std::uint64_t> number(std::u16string_view text, std::uint64_t largest) {
  if (text.empty()) return std::nullopt;
  int base = 10;
  if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  std::uint64_t value = 0;
  for (char16_t c : text) {
    int digit = -1;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    if (base == 16 && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    if (base == 16 && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    if (digit < 0) return std::nullopt;
    if (value > (largest - static_cast<std::uint64_t>(digit)) / static_cast<std::uint64_t>(base)) {
      return std::nullopt;
    }
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
  }
  return value;
}

// The switches an operation takes, as ",v,ve,s,?,".
std::u16string switchesOf(std::u16string_view operation) {
  std::u16string allowed = u"?";
  if (operation == u"QUERY") allowed += u"v,ve,s";
  if (operation == u"ADD") allowed += u"v,ve,t,d,f";
  if (operation == u"DELETE") allowed += u"v,ve,va,f";
  if (operation == u"EXPORT") allowed += u"y";
  return u"," + allowed.substr(1) + u",?,";
}

// Switches are one or two letters (or "?") after "/" or "-"; anything else is a
// key or file name, so that "/srv/settings.reg" is a file.
bool isSwitch(std::u16string_view arg) {
  return arg.size() >= 2 && arg.size() <= 3 && (arg[0] == u'/' || arg[0] == u'-') &&
         std::all_of(arg.begin() + 1, arg.end(), [](char16_t c) {
           return c == u'?' || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
         });
}

// REG_MULTI_SZ data from its parts joined by "\0".
regdata::Bytes multiStringBytes(const std::u16string& given) {
  std::u16string parts;
  std::size_t start = 0;
  while (true) {
    const auto at = given.find(u"\\0", start);
    parts += given.substr(start, at == std::u16string::npos ? at : at - start);
    parts += u'\0';
    if (at == std::u16string::npos) break;
    start = at + 2;
  }
  if (!given.empty()) parts += u'\0';
  return regdata::textBytes(parts, false);
}

// Bytes written as pairs of hexadecimal digits ("01ab"); nothing when the text is not such pairs.
std::optional<regdata::Bytes> hexBytes(const std::u16string& given) {
  if (given.size() % 2 != 0) return std::nullopt;
  regdata::Bytes bytes;
  for (std::size_t i = 0; i < given.size(); i += 2) {
    const auto pair = number(u"0x" + given.substr(i, 2), 0xFF);
    if (!pair || given[i] == u'x' || given[i] == u'X') return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(*pair));
  }
  return bytes;
}

// Closes a key when the step that opened it is over.
class OpenKey {
 public:
  OpenKey(platform::RegistryApi& api, RegKey key) : api_(api), key_(key) {}
  ~OpenKey() { api_.CloseKey(key_); }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  RegKey operator*() const { return key_; }

 private:
  platform::RegistryApi& api_;
  RegKey key_;
};

}  // namespace

RegCommand::RegCommand(platform::RegistryApi& registry,
                       platform::RegistryTransactions* transactions, Io io)
    : registry_(registry), transactions_(transactions), io_(std::move(io)) {}

void RegCommand::print(const std::u16string& text) const { io_.out << text::toUtf8(text); }

int RegCommand::Run(const std::vector<std::u16string>& args) {
  try {
    const Switches s = parse(args);
    if (s.help) {
      print(kUsage);
      return 0;
    }
    checkArguments(s);
    if (s.operation == u"QUERY") return query(s);
    if (s.operation == u"ADD") return add(s);
    if (s.operation == u"DELETE") return remove(s);
    if (s.operation == u"EXPORT") return exportKey(s);
    if (s.operation == u"CHECK") return checkStores();
    return importFile(s);
  } catch (const Failure& failure) {
    io_.err << "ERROR: " << text::toUtf8(failure.Text()) << '\n';
    return 1;
  } catch (const std::exception& fault) {
    io_.err << "ERROR: " << fault.what() << '\n';
    return 1;
  }
}

RegCommand::Switches RegCommand::parse(const std::vector<std::u16string>& args) {
  Switches s;
  if (args.empty()) {
    throw Failure(
        u"Invalid syntax: name an operation: QUERY, ADD, DELETE, EXPORT, IMPORT or CHECK (sigreg /? "
        u"shows how).");
  }
  s.operation = text::toUpper(args[0]);
  if (s.operation == u"/?" || s.operation == u"-?") {
    s.help = true;
    return s;
  }
  const std::u16string_view operations[] = {u"QUERY",  u"ADD",    u"DELETE",
                                            u"EXPORT", u"IMPORT", u"CHECK"};
  if (std::find(std::begin(operations), std::end(operations), s.operation) ==
      std::end(operations)) {
    throw Failure(u"Invalid syntax: unknown operation \"" + args[0] + u"\" (sigreg /? shows how).");
  }
  for (std::size_t i = 1; i < args.size(); ++i) {
    const auto& arg = args[i];
    if (!isSwitch(arg)) {
      s.positional.push_back(arg);
      continue;
    }
    const auto name = switchName(arg, s.operation);
    auto parameter = [&](std::optional<std::u16string>& into) {
      if (into) throw Failure(u"Invalid syntax: " + arg + u" given twice.");
      if (i + 1 >= args.size()) throw Failure(u"Invalid syntax: " + arg + u" needs a value.");
      into = args[++i];
    };
    auto flag = [&](bool& into) {
      if (into) throw Failure(u"Invalid syntax: " + arg + u" given twice.");
      into = true;
    };
    if (name == u"?") s.help = true;
    if (name == u"v") parameter(s.v);
    if (name == u"t") parameter(s.t);
    if (name == u"d") parameter(s.d);
    if (name == u"ve") flag(s.ve);
    if (name == u"va") flag(s.va);
    if (name == u"s") flag(s.s);
    if (name == u"f") flag(s.f);
    if (name == u"y") flag(s.y);
  }
  return s;
}

std::u16string RegCommand::switchName(const std::u16string& arg, std::u16string_view operation) {
  const auto name = text::toLower(std::u16string_view(arg).substr(1));
  if (switchesOf(operation).find(u"," + name + u",") == std::u16string::npos) {
    const std::u16string known = u",v,ve,va,s,t,d,f,y,?,";
    if (known.find(u"," + name + u",") == std::u16string::npos) {
      throw Failure(u"Invalid syntax: unknown switch \"" + arg + u"\".");
    }
    throw Failure(u"Invalid syntax: " + arg + u" does not go with " + std::u16string(operation) +
                  u".");
  }
  return name;
}

void RegCommand::checkArguments(const Switches& s) {
  if ((s.v ? 1 : 0) + (s.ve ? 1 : 0) + (s.va ? 1 : 0) > 1) {
    throw Failure(u"Invalid syntax: /v, /ve and /va exclude each other.");
  }
  const std::size_t wanted = s.operation == u"EXPORT" ? 2 : s.operation == u"CHECK" ? 0 : 1;
  if (s.positional.size() != wanted) {
    if (s.operation == u"CHECK") throw Failure(u"Invalid syntax: CHECK takes no key or file.");
    if (s.operation == u"EXPORT") {
      throw Failure(u"Invalid syntax: EXPORT takes a key name and a file name.");
    }
    if (s.operation == u"IMPORT") throw Failure(u"Invalid syntax: IMPORT takes one file name.");
    throw Failure(u"Invalid syntax: " + s.operation + u" takes one key name.");
  }
}

RegCommand::KeyName RegCommand::keyName(std::u16string_view text) const {
  std::u16string_view name = text;
  while (name.size() > 1 && name.back() == u'\\') name.remove_suffix(1);
  const auto slash = name.find(u'\\');
  const auto* root = platform::regrules::findRootKey(name.substr(0, slash));
  if (root == nullptr) {
    throw Failure(u"Invalid key name: \"" + std::u16string(text) +
                  u"\" does not begin with HKLM, HKCU, HKCR or HKU.");
  }
  KeyName key;
  key.root = root->handle;
  key.rootName = root->name;
  if (slash != std::u16string_view::npos) key.subKey = name.substr(slash + 1);
  return key;
}

void RegCommand::failWith(std::int32_t code) const {
  if (code == platform::kErrorFileNotFound) {
    throw Failure(u"The system was unable to find the specified registry key or value.");
  }
  const auto diagnostic = io_.diagnostic ? io_.diagnostic() : std::u16string();
  if (!diagnostic.empty()) throw Failure(diagnostic + u".");
  if (code == platform::kErrorAccessDenied) throw Failure(u"Access is denied.");
  throw Failure(u"The registry call failed with " + codeAndText(code) + u".");
}

void RegCommand::failWithKey(std::int32_t code, const KeyName& key) const {
  // The name at fault, for the codes of a key path the registry refuses.
  std::vector<std::u16string_view> names;
  const std::u16string_view path = key.subKey;
  for (std::size_t start = 0; !path.empty();) {
    const auto end = path.find(u'\\', start);
    names.push_back(path.substr(start, end == std::u16string_view::npos ? end : end - start));
    if (end == std::u16string_view::npos) break;
    start = end + 1;
  }
  const auto because = u" (" + codeAndText(code) + u").";
  for (const auto name : names) {
    if (code == platform::kErrorBadPathname && name.empty()) {
      throw Failure(u"Invalid key name \"" + key.Full() +
                    u"\": it holds an empty name between two backslashes" + because);
    }
    if (code == platform::kErrorInvalidParameter && name.size() > platform::kMaxKeyNameLength) {
      throw Failure(u"Invalid key name: \"" + shown(name) + u"\" has " + text::dec(name.size()) +
                    u" characters, more than the " + text::dec(platform::kMaxKeyNameLength) +
                    u" a key name may have" + because);
    }
  }
  if (code == platform::kErrorInvalidParameter && names.size() > platform::kMaxKeyDepth) {
    throw Failure(u"Invalid key name \"" + shown(key.Full()) + u"\": it lies " +
                  text::dec(names.size()) + u" keys deep, deeper than the " +
                  text::dec(platform::kMaxKeyDepth) + u" the registry allows" + because);
  }
  failWith(code);
}

void RegCommand::failWithValue(std::int32_t code, std::u16string_view name) const {
  if (code == platform::kErrorInvalidParameter && name.size() > platform::kMaxValueNameLength) {
    throw Failure(u"Invalid value name: \"" + shown(name) + u"\" has " + text::dec(name.size()) +
                  u" characters, more than the " + text::dec(platform::kMaxValueNameLength) +
                  u" a value name may have (" + codeAndText(code) + u").");
  }
  failWith(code);
}

RegKey RegCommand::openKey(const KeyName& key, std::uint32_t access) const {
  RegKey handle = 0;
  if (const auto code = registry_.OpenKeyEx(key.root, key.subKey, 0, access, handle); code != 0) {
    failWithKey(code, key);
  }
  return handle;
}

std::vector<RegCommand::ValueData> RegCommand::values(RegKey key) const {
  std::vector<ValueData> list;
  std::vector<char16_t> name(platform::kMaxValueNameLength + 1);
  for (std::uint32_t i = 0;;) {
    ValueData value;
    std::uint32_t length = static_cast<std::uint32_t>(name.size());
    std::uint32_t size = 0;
    auto code = registry_.EnumValue(key, i, name.data(), &length, &value.type, nullptr, &size);
    if (code == platform::kErrorNoMoreItems) break;
    if (code != 0) failWith(code);
    value.data.resize(size);
    length = static_cast<std::uint32_t>(name.size());
    code = registry_.EnumValue(key, i, name.data(), &length, &value.type, value.data.data(), &size);
    if (code == platform::kErrorMoreData) continue;  // it grew in the meantime
    if (code != 0) failWith(code);
    value.data.resize(size);
    value.name.assign(name.data(), length);
    list.push_back(std::move(value));
    ++i;
  }
  return list;
}

std::optional<RegCommand::ValueData> RegCommand::value(RegKey key, std::u16string_view name) const {
  ValueData value;
  value.name = name;
  while (true) {
    std::uint32_t size = 0;
    auto code = registry_.QueryValueEx(key, name, &value.type, nullptr, &size);
    if (code == platform::kErrorFileNotFound) return std::nullopt;
    if (code != 0) failWithValue(code, name);
    value.data.resize(size);
    code = registry_.QueryValueEx(key, name, &value.type, value.data.data(), &size);
    if (code == platform::kErrorMoreData) continue;
    if (code != 0) failWith(code);
    value.data.resize(size);
    return value;
  }
}

std::vector<std::u16string> RegCommand::subKeys(RegKey key) const {
  std::vector<std::u16string> names;
  for (std::uint32_t i = 0;; ++i) {
    char16_t name[platform::kMaxKeyNameLength + 1];
    std::uint32_t length = platform::kMaxKeyNameLength + 1;
    const auto code = registry_.EnumKeyEx(key, i, name, &length, nullptr, nullptr, nullptr);
    if (code == platform::kErrorNoMoreItems) break;
    if (code != 0) failWith(code);
    names.emplace_back(name, length);
  }
  return names;
}

void RegCommand::queryKey(const KeyName& key, bool recurse,
                          const std::optional<std::u16string>& only, int& matches) {
  OpenKey handle(registry_, openKey(key, platform::kKeyRead));
  auto line = [](const ValueData& v) {
    return u"    " + displayName(v.name) + u"    " + typeName(v.type) + u"    " +
           dataText(v.type, v.data) + u"\n";
  };
  if (only) {
    if (const auto found = value(*handle, *only)) {
      print(u"\n" + key.Full() + u"\n" + line(*found));
      ++matches;
    }
  } else {
    std::u16string block = u"\n" + key.Full() + u"\n";
    for (const auto& v : values(*handle)) block += line(v);
    print(block);
  }
  const auto children = subKeys(*handle);
  if (!recurse) {
    if (only) return;
    std::u16string list = u"\n";
    for (const auto& child : children) list += key.Full() + u"\\" + child + u"\n";
    print(list);
    return;
  }
  for (const auto& child : children) {
    KeyName below = key;
    below.subKey = key.subKey.empty() ? child : key.subKey + u"\\" + child;
    queryKey(below, true, only, matches);
  }
}

int RegCommand::query(const Switches& s) {
  const auto key = keyName(s.positional[0]);
  std::optional<std::u16string> only = s.v;
  if (s.ve) only = u"";
  if (only && only->empty() && !s.s) {
    // The default value is shown also when it has not been set.
    OpenKey handle(registry_, openKey(key, platform::kKeyRead));
    const auto found = value(*handle, u"");
    print(u"\n" + key.Full() + u"\n    (Default)    " +
          (found ? typeName(found->type) + u"    " + dataText(found->type, found->data)
                 : std::u16string(u"REG_SZ    (value not set)")) +
          u"\n");
    return 0;
  }
  int matches = 0;
  queryKey(key, s.s, only, matches);
  if (!only && s.s) print(u"\n");
  if (only && s.s) {
    print(u"\nEnd of search: " + text::dec(matches) + u" match(es) found.\n");
    return matches > 0 ? 0 : 1;
  }
  if (only && matches == 0) failWith(platform::kErrorFileNotFound);
  return 0;
}

bool RegCommand::allowed(std::u16string_view question, std::u16string_view refusal) const {
  const auto answer = io_.confirm ? io_.confirm(question) : std::nullopt;
  if (!answer) throw Failure(std::u16string(refusal));
  if (!*answer) {
    print(kCancelled);
    return false;
  }
  return true;
}

void RegCommand::atomically(const std::function<void()>& change) const {
  if (!transactions_) {
    change();
    return;
  }
  if (const auto code = transactions_->BeginTransaction(); code != 0) failWith(code);
  try {
    change();
  } catch (const std::exception&) {
    transactions_->RollbackTransaction();
    throw;
  }
  if (const auto code = transactions_->CommitTransaction(); code != 0) failWith(code);
}

RegCommand::ValueData RegCommand::valueToAdd(const Switches& s) {
  ValueData data;
  data.name = s.v ? *s.v : u"";
  const auto typeText = s.t ? text::toUpper(*s.t) : std::u16string(u"REG_SZ");
  const std::u16string given = s.d ? *s.d : u"";
  if (typeText == u"REG_SZ" || typeText == u"REG_EXPAND_SZ") {
    data.type = typeText == u"REG_SZ" ? platform::kRegSz : platform::kRegExpandSz;
    data.data = regdata::textBytes(given, true);
  } else if (typeText == u"REG_MULTI_SZ") {
    data.type = platform::kRegMultiSz;
    data.data = multiStringBytes(given);
  } else if (typeText == u"REG_DWORD" || typeText == u"REG_QWORD") {
    const bool dword = typeText == u"REG_DWORD";
    const auto value =
        s.d ? number(given, dword ? 0xFFFFFFFFull : ~0ull) : std::optional<std::uint64_t>(0);
    if (!value) {
      throw Failure(
          u"Invalid data: \"" + given + u"\" is not a number from 0 to " +
          (dword ? std::u16string(u"4294967295") : std::u16string(u"18446744073709551615")) +
          u" for " + typeText + u".");
    }
    data.type = dword ? platform::kRegDword : platform::kRegQword;
    data.data = dword ? regdata::dwordBytes(static_cast<std::uint32_t>(*value))
                      : regdata::qwordBytes(*value);
  } else if (typeText == u"REG_BINARY" || typeText == u"REG_NONE") {
    data.type = typeText == u"REG_BINARY" ? platform::kRegBinary : platform::kRegNone;
    auto bytes = hexBytes(given);
    if (!bytes) {
      throw Failure(u"Invalid data: \"" + given + u"\" is not hexadecimal bytes for " + typeText +
                    u".");
    }
    data.data = std::move(*bytes);
  } else {
    throw Failure(u"Invalid syntax: unknown type \"" + *s.t +
                  u"\"; use REG_SZ, REG_MULTI_SZ, REG_EXPAND_SZ, REG_DWORD, REG_QWORD, "
                  u"REG_BINARY or REG_NONE.");
  }
  return data;
}

bool RegCommand::mayOverwrite(const KeyName& key, std::u16string_view name) const {
  RegKey existing = 0;
  bool exists = false;
  if (registry_.OpenKeyEx(key.root, key.subKey, 0, platform::kKeyRead, existing) == 0) {
    OpenKey handle(registry_, existing);
    exists = value(*handle, name).has_value();
  }
  return !exists || allowed(u"Value " + displayName(name) + u" exists, overwrite(Yes/No)? ",
                            u"Value " + displayName(name) + u" exists; add /f to overwrite it.");
}

int RegCommand::add(const Switches& s) {
  const auto key = keyName(s.positional[0]);
  std::optional<ValueData> data;
  if (s.v || s.ve || s.t || s.d) {
    data = valueToAdd(s);
    if (!s.f && !mayOverwrite(key, data->name)) return 1;
  }
  atomically([&] {
    RegKey created = 0;
    auto code = registry_.CreateKeyEx(key.root, key.subKey, u"", platform::kRegOptionNonVolatile,
                                      platform::kKeyAllAccess, created, nullptr);
    if (code != 0) failWithKey(code, key);
    OpenKey handle(registry_, created);
    if (data) {
      const auto buffer = regdata::bufferToStore(data->data);
      code = registry_.SetValueEx(*handle, data->name, data->type, buffer.data(),
                                  static_cast<std::uint32_t>(data->data.size()));
      if (code != 0) failWithValue(code, data->name);
    }
  });
  print(kDone);
  return 0;
}

void RegCommand::deleteTree(RegKey parent, const std::u16string& subKey) const {
  std::vector<std::u16string> children;
  {
    RegKey key = 0;
    if (const auto code = registry_.OpenKeyEx(parent, subKey, 0, platform::kKeyRead, key);
        code != 0) {
      failWith(code);
    }
    OpenKey handle(registry_, key);
    children = subKeys(*handle);
  }
  for (const auto& child : children) deleteTree(parent, subKey + u"\\" + child);
  if (const auto code = registry_.DeleteKey(parent, subKey); code != 0) failWith(code);
}

int RegCommand::remove(const Switches& s) {
  const auto key = keyName(s.positional[0]);
  {
    OpenKey handle(registry_, openKey(key, platform::kKeyRead));
    if (s.v || s.ve) {
      const std::u16string name = s.v ? *s.v : u"";
      if (!value(*handle, name)) failWith(platform::kErrorFileNotFound);
    }
  }
  if (s.v || s.ve) {
    const std::u16string name = s.v ? *s.v : u"";
    if (!s.f &&
        !allowed(u"Delete the registry value " + displayName(name) + u" (Yes/No)? ",
                 u"Add /f to delete the value " + displayName(name) + u" without being asked.")) {
      return 1;
    }
    atomically([&] {
      OpenKey handle(registry_, openKey(key, platform::kKeyAllAccess));
      if (const auto code = registry_.DeleteValue(*handle, name); code != 0) {
        failWithValue(code, name);
      }
    });
  } else if (s.va) {
    if (!s.f &&
        !allowed(u"Delete all values under the registry key " + key.Full() + u" (Yes/No)? ",
                 u"Add /f to delete the values of " + key.Full() + u" without being asked.")) {
      return 1;
    }
    atomically([&] {
      OpenKey handle(registry_, openKey(key, platform::kKeyAllAccess));
      for (const auto& v : values(*handle)) {
        if (const auto code = registry_.DeleteValue(*handle, v.name); code != 0) failWith(code);
      }
    });
  } else {
    if (key.subKey.empty()) throw Failure(u"A root key cannot be deleted.");
    if (!s.f && !allowed(u"Permanently delete the registry key " + key.Full() + u" (Yes/No)? ",
                         u"Add /f to delete the key " + key.Full() + u" without being asked.")) {
      return 1;
    }
    atomically([&] { deleteTree(key.root, key.subKey); });
  }
  print(kDone);
  return 0;
}

void RegCommand::collect(const KeyName& key, RegFileContent& content) const {
  OpenKey handle(registry_, openKey(key, platform::kKeyRead));
  RegFileKey entry;
  entry.Path = key.Full();
  for (auto& v : values(*handle)) {
    entry.Values.push_back({std::move(v.name), false, v.type, std::move(v.data)});
  }
  const auto children = subKeys(*handle);
  content.Keys.push_back(std::move(entry));
  for (const auto& child : children) {
    KeyName below = key;
    below.subKey = key.subKey.empty() ? child : key.subKey + u"\\" + child;
    collect(below, content);
  }
}

int RegCommand::exportKey(const Switches& s) {
  const auto key = keyName(s.positional[0]);
  const auto& file = s.positional[1];
  RegFileContent content;
  collect(key, content);
  std::string bytes;
  try {
    bytes = RegFile::Write(content);
  } catch (const RegFileError& e) {
    throw Failure(u"Cannot export: " + e.Message() + u".");
  }
  if (file == u"-") {
    // Standard output holds the file and nothing else.
    if (const auto fault = platform::system().WriteStandardOutput(bytes); !fault.empty()) {
      throw Failure(u"Cannot write to standard output: " + fault + u".");
    }
    return 0;
  }
  // Only a file (or a link to one) is asked about; the system refuses what is
  // not a file.
  std::error_code error;
  if (fs::is_regular_file(fs::path(file), error) && !s.y &&
      !allowed(u"File " + file + u" already exists. Overwrite (Yes/No)? ",
               u"File " + file + u" exists; add /y to overwrite it.")) {
    return 1;
  }
  if (const auto fault = platform::system().WriteWholeFile(file, bytes); !fault.empty()) {
    throw Failure(u"Cannot write " + file + u": " + fault + u".");
  }
  print(kDone);
  return 0;
}

void RegCommand::apply(const RegFileKey& entry) const {
  const auto key = keyName(entry.Path);
  if (entry.Delete) {
    if (key.subKey.empty()) throw Failure(u"A root key cannot be deleted.");
    RegKey existing = 0;
    const auto code = registry_.OpenKeyEx(key.root, key.subKey, 0, platform::kKeyRead, existing);
    if (code == platform::kErrorFileNotFound) return;
    if (code != 0) failWithKey(code, key);
    registry_.CloseKey(existing);
    deleteTree(key.root, key.subKey);
    return;
  }
  RegKey created = 0;
  auto code = registry_.CreateKeyEx(key.root, key.subKey, u"", platform::kRegOptionNonVolatile,
                                    platform::kKeyAllAccess, created, nullptr);
  if (code != 0) failWithKey(code, key);
  OpenKey handle(registry_, created);
  for (const auto& v : entry.Values) {
    if (v.Delete) {
      code = registry_.DeleteValue(*handle, v.Name);
      if (code == platform::kErrorFileNotFound) code = 0;
    } else {
      // Stored as the file gives it, also text without its terminator.
      const auto buffer = regdata::bufferToStore(v.Data);
      code = registry_.SetValueEx(*handle, v.Name, v.Type, buffer.data(),
                                  static_cast<std::uint32_t>(v.Data.size()));
    }
    if (code != 0) failWithValue(code, v.Name);
  }
}

int RegCommand::checkStores() {
  if (!check_) {
    print(u"Nothing to check: this registry is kept by the system.\n");
    return 0;
  }
  int result = 0;
  for (const auto& store : check_()) {
    if (!store.exists) {
      print(store.place + u": no store yet.\n");
    } else if (store.sound) {
      auto count = [](std::int64_t n, std::u16string_view what) {
        return text::dec(n) + u" " + std::u16string(what) + (n == 1 ? u"" : u"s");
      };
      print(store.place + u": sound, " + count(store.keys, u"key") + u" and " +
            count(store.values, u"value") + u"." +
            (!store.leftOpen      ? u""
             : store.closedAgain ? u" A writer had not closed it; it counts as closed again."
                                 : u" A writer had not closed it; only a user who may change it "
                                   u"can count it as closed again.") +
            u"\n");
    } else {
      io_.err << "ERROR: " << text::toUtf8(store.diagnostic) << '\n';
      result = 1;
    }
  }
  return result;
}

int RegCommand::importFile(const Switches& s) {
  const auto& file = s.positional[0];
  const fs::path path(file);
  std::error_code error;
  if (!fs::exists(path, error)) throw Failure(u"Cannot read " + file + u": there is no such file.");
  if (!fs::is_regular_file(path, error)) throw Failure(u"Cannot read " + file + u": not a file.");
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  if (!in && !in.eof()) throw Failure(u"Cannot read " + file + u".");
  RegFileContent content;
  try {
    content = RegFile::Parse(bytes);
  } catch (const RegFileError& e) {
    throw Failure(file + u": " + e.Message() + u".");
  }
  atomically([&] {
    for (const auto& entry : content.Keys) {
      try {
        apply(entry);
      } catch (const Failure& failure) {
        throw Failure(file + u": line " + text::dec(entry.Line) + u": " + failure.Text());
      }
    }
  });
  print(kDone);
  return 0;
}

}  // namespace sigpatch
