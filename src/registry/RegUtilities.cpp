#include "registry/RegUtilities.h"

#include <vector>

#include "platform/Platform.h"
#include "platform/RegistryRules.h"
#include "registry/RegData.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "toolkit/ErrorReportBox.h"
#include "toolkit/Windowing.h"
#include "util/StringUtilities.h"

namespace sigpatch {
namespace {

using platform::RegKey;

constexpr std::u16string_view kClassName = u"RegUtilities";
// The name and data buffers of an enumeration step, in characters.
constexpr std::uint32_t kEnumBufferLength = 2000;

RegKey handleOf(std::int32_t lngRootKey) { return static_cast<RegKey>(lngRootKey); }

// Closes a key that an operation opened, also when a fault leaves the operation.
class OpenedKey {
 public:
  OpenedKey(platform::RegistryApi& api, RegKey key) : api_(api), key_(key) {}
  ~OpenedKey() {
    if (open_) api_.CloseKey(key_);
  }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;
  void Close() {
    open_ = false;
    api_.CloseKey(key_);
  }

 private:
  platform::RegistryApi& api_;
  RegKey key_;
  bool open_ = true;
};

std::int32_t typeCodeOf(std::u16string_view strType) {
  if (strType == u"REG_EXPAND_SZ") return static_cast<std::int32_t>(platform::kRegExpandSz);
  if (strType == u"REG_DWORD") return static_cast<std::int32_t>(platform::kRegDword);
  if (strType == u"REG_BINARY") return static_cast<std::int32_t>(platform::kRegBinary);
  if (strType == u"REG_SZ") return static_cast<std::int32_t>(platform::kRegSz);
  return -1;
}

// The data a value of the type is written as. Conversion faults (13, 6, and 5 for
// a binary text with a character the code page cannot hold) go to the caller.
regdata::Bytes bytesOf(std::int32_t lngType, const Variant& vValue, bool& writes) {
  writes = true;
  switch (static_cast<std::uint32_t>(lngType)) {
    case platform::kRegSz:
    case platform::kRegExpandSz:
      return regdata::textBytes(vValue.toText(), true);
    case platform::kRegBinary: {
      regdata::Bytes bytes;
      for (char16_t c : vValue.toText()) {
        const int code = text::charToAnsi(c);
        if (code < 0) throw RuntimeError(err::kInvalidProcedureCall);
        bytes.push_back(static_cast<std::uint8_t>(code));
      }
      return bytes;
    }
    case platform::kRegDword:
      return regdata::dwordBytes(static_cast<std::uint32_t>(vValue.toLong()));
    default:
      writes = false;
      return {};
  }
}

std::u16string nameOf(const std::vector<char16_t>& buffer, std::uint32_t length) {
  return std::u16string(buffer.data(), std::min<std::size_t>(length, buffer.size()));
}

void showMessage(const std::u16string& prompt) { platform::windowing().MsgBox(prompt); }

}  // namespace

std::int32_t RegUtilities::GetPredefinedRootKey(std::u16string_view strHive) const {
  const auto root = GetRootKey(strHive).toText();
  // Only the full name, in capitals, names a root here.
  const auto* key = platform::regrules::findRootKey(root);
  return key != nullptr && key->name == root ? static_cast<std::int32_t>(key->handle) : 0;
}

Variant RegUtilities::GetRootKey(std::u16string_view strHive) const {
  StringUtilities su;
  return su.GetPosSep(strHive, u"\\", 1);
}

Variant RegUtilities::GetBranch(std::u16string_view strHive) const {
  StringUtilities su;
  const auto root = GetRootKey(strHive).toText();
  return su.LTrimText(su.LTrimText(strHive, root), u"\\");
}

bool RegUtilities::SetKeyValue(std::u16string_view strHive, std::u16string_view vValueName,
                               const Variant& vValueSetting, std::u16string_view strType) {
  try {
    const auto lngRootKey = GetPredefinedRootKey(strHive);
    const auto strBranch = GetBranch(strHive).toText();
    const auto lngType = typeCodeOf(strType);
    if (lngType < 0) return false;
    return pSetKeyValue(lngRootKey, strBranch, vValueName, vValueSetting, lngType);
  } catch (const std::exception& e) {
    toolkit::showErrorReport(kClassName, u"SetKeyValue", e);
    return false;
  }
}

bool RegUtilities::pSetKeyValue(std::int32_t lngRootKey, std::u16string_view strBranch,
                                std::u16string_view strValueName, const Variant& vValue,
                                std::int32_t lngType) {
  // The count of the value's characters is a 16-bit number.
  const auto valueText = vValue.toText();
  if (valueText.size() > 32767) throw RuntimeError(err::kOverflow);
  const auto count = static_cast<std::int16_t>(valueText.size());
  if (count > RegUtilities::kLongestSetting) {
    showMessage(u"Registry setting to long : " + text::str(count) + u"\r\nFor Key: " +
                std::u16string(strBranch) + u"\r\nFor Variable: " + std::u16string(strValueName));
    return false;
  }
  const std::int32_t result = pWriteValue(lngRootKey, strBranch, strValueName, vValue, lngType);
  if (result != 0) {
    showMessage(u"Error updating registry: " + text::str(result) + u"\r\nFor keyname: " +
                std::u16string(strBranch) + u"\r\nFor variable: " + std::u16string(strValueName));
  }
  return result == 0;
}

std::int32_t RegUtilities::TryWriteText(std::u16string_view strHive, std::u16string_view vValueName,
                                        std::u16string_view vValueSetting) {
  return pWriteValue(GetPredefinedRootKey(strHive), GetBranch(strHive).toText(), vValueName,
                     Variant(std::u16string(vValueSetting)),
                     static_cast<std::int32_t>(platform::kRegSz));
}

std::int32_t RegUtilities::pWriteValue(std::int32_t lngRootKey, std::u16string_view strBranch,
                                       std::u16string_view strValueName, const Variant& vValue,
                                       std::int32_t lngType) {
  // The value is converted before the key is opened or created, so that a value
  // that cannot be converted leaves nothing behind.
  bool writes = false;
  bytesOf(lngType, vValue, writes);

  auto& api = platform::registry();
  const RegKey root = handleOf(lngRootKey);
  RegKey key = 0;
  std::int32_t result = api.OpenKeyEx(root, strBranch, 0, platform::kKeyAllAccess, key);
  if (result == platform::kErrorFileNotFound) {
    RegKey created = 0;
    std::uint32_t disposition = 0;
    if (api.CreateKeyEx(root, strBranch, u"", platform::kRegOptionNonVolatile,
                        platform::kKeyAllAccess, created, &disposition) == 0) {
      api.CloseKey(created);
    }
    result = api.OpenKeyEx(root, strBranch, 0, platform::kKeyAllAccess, key);
  }
  if (result == 0) {
    OpenedKey opened(api, key);
    result = pSetValueEx(key, strValueName, lngType, vValue);
    opened.Close();
  }
  return result;
}

std::int32_t RegUtilities::pSetValueEx(RegKey hKey, std::u16string_view strValueName,
                                       std::int32_t lngType, const Variant& vValue) {
  bool writes = false;
  const auto bytes = bytesOf(lngType, vValue, writes);
  if (!writes) return 0;
  return platform::registry().SetValueEx(hKey, strValueName, static_cast<std::uint32_t>(lngType),
                                         bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

std::u16string RegUtilities::GetKeyValue(std::u16string_view strHive,
                                         std::u16string_view vValueName,
                                         std::u16string_view dValue) {
  std::u16string result(dValue);
  try {
    const RegKey root = handleOf(GetPredefinedRootKey(strHive));
    const auto strBranch = GetBranch(strHive).toText();
    auto& api = platform::registry();
    // One read of the key and its value, which needs only read access: a user
    // who may read but not change the settings still reads them.
    Variant value;
    const auto code = pQueryValue(
        [&](std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) {
          return api.GetValue(root, strBranch, vValueName, type, data, size);
        },
        value);
    if (code == 0) result = value.toText();
  } catch (const std::exception& e) {
    toolkit::showErrorReport(kClassName, u"GetKeyValue", e);
    result = std::u16string(dValue);
  }
  return result;
}

std::int32_t RegUtilities::pQueryValue(const ValueQuery& query, Variant& vValue) {
  std::int32_t code = 0;
  try {
    std::uint32_t type = 0;
    // Most values fit the first buffer, so that they are read at once.
    regdata::Bytes buffer(256);
    auto size = static_cast<std::uint32_t>(buffer.size());
    code = query(&type, buffer.data(), &size);
    if (code != 0 && code != platform::kErrorMoreData) return code;
    switch (type) {
      case platform::kRegSz:
      case platform::kRegExpandSz:
      case platform::kRegBinary:
      case platform::kRegMultiSz: {
        if (code == platform::kErrorMoreData) {
          buffer.resize(size);
          code = query(&type, buffer.data(), &size);
          if (code != 0) {
            showMessage(u"Error RegQueryValueExSTRING: " + text::dec(code));
            vValue = Variant(u"");
            return code;
          }
        }
        const auto returned = std::min<std::uint32_t>(size, static_cast<std::uint32_t>(buffer.size()));
        if (type == platform::kRegBinary) {
          // Binary data has no terminator to drop: it is delivered whole.
          vValue = regdata::byteCharacters(buffer.data(), returned);
        } else {
          auto characters = regdata::textOf(buffer.data(), returned);
          if (!characters.empty()) characters.pop_back();
          vValue = std::move(characters);
        }
        return 0;
      }
      case platform::kRegDword: {
        // A double word of more than four bytes is not one.
        if (code != 0 || size > 4) return platform::kErrorMoreData;
        std::uint8_t bytes[4] = {0, 0, 0, 0};
        std::copy_n(buffer.data(), size, bytes);
        vValue = static_cast<std::int32_t>(regdata::dwordOf(bytes, sizeof bytes));
        return 0;
      }
      default:
        showMessage(u"Illegal RegType: " + text::dec(type));
        return -1;
    }
  } catch (const std::exception&) {
    return code;
  }
}

std::int32_t RegUtilities::GetKeyType(std::u16string_view strHive, std::u16string_view vValueName) {
  std::int32_t result = -1;
  const RegKey root = handleOf(GetPredefinedRootKey(strHive));
  const auto strBranch = GetBranch(strHive).toText();
  try {
    auto& api = platform::registry();
    RegKey key = 0;
    if (api.OpenKeyEx(root, strBranch, 0, platform::kKeyRead, key) == 0) {
      OpenedKey opened(api, key);
      result = pGetValueType(key, vValueName);
      opened.Close();
    }
  } catch (const std::exception&) {
    result = -1;
  }
  return result;
}

std::int32_t RegUtilities::pGetValueType(RegKey hKey, std::u16string_view strValueName) {
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (platform::registry().QueryValueEx(hKey, strValueName, &type, nullptr, &size) != 0) return -1;
  return static_cast<std::int32_t>(type);
}

void RegUtilities::CreateNewKey(std::u16string_view strHive) {
  const RegKey root = handleOf(GetPredefinedRootKey(strHive));
  const auto strBranch = GetBranch(strHive).toText();
  auto& api = platform::registry();
  RegKey key = 0;
  std::uint32_t disposition = 0;
  if (api.CreateKeyEx(root, strBranch, u"", platform::kRegOptionNonVolatile,
                      platform::kKeyAllAccess, key, &disposition) == 0) {
    api.CloseKey(key);
  }
}

std::u16string RegUtilities::EnumerateBinaryKey(std::u16string_view strHive,
                                                std::int32_t lngOutFormat,
                                                std::u16string_view strKey) {
  const RegKey root = handleOf(GetPredefinedRootKey(strHive));
  const auto strBranch = GetBranch(strHive).toText();
  auto& api = platform::registry();
  RegKey key = 0;
  if (api.OpenKeyEx(root, strBranch, 0, platform::kKeyRead, key) != 0) return {};
  OpenedKey opened(api, key);
  StringUtilities su;
  std::u16string result;
  const auto wanted = text::toLower(strKey);
  for (std::uint32_t i = 0;; ++i) {
    std::vector<char16_t> name(kEnumBufferLength, u'\0');
    // 2000 characters: 2000 bytes of binary data, 2000 UTF-16 characters of text.
    regdata::Bytes data(kEnumBufferLength * 2, 0);
    std::uint32_t nameLength = kEnumBufferLength;
    std::uint32_t dataSize = static_cast<std::uint32_t>(data.size());
    std::uint32_t type = 0;
    if (api.EnumValue(key, i, name.data(), &nameLength, &type, data.data(), &dataSize) != 0) break;
    std::u16string characters;
    if (regdata::isTextType(type)) {
      characters = regdata::textOf(data.data(), dataSize);
    } else {
      if (dataSize > kEnumBufferLength) break;
      characters = regdata::byteCharacters(data.data(), dataSize);
    }
    const auto valueName = nameOf(name, nameLength);
    const auto hex = su.BinaryInStringToHexInString(characters, lngOutFormat);
    if (strKey.empty()) {
      result += text::dec(i + 1) + u": " + valueName + u": " + hex + u"\r\n";
    } else if (wanted == text::toLower(valueName)) {
      result = hex;
    }
  }
  opened.Close();
  return result;
}

std::unique_ptr<Recordset> RegUtilities::EnumerateAnyKey(std::u16string_view strHive,
                                                         std::u16string_view strKey) {
  auto records = CreateRecordset();
  const RegKey root = handleOf(GetPredefinedRootKey(strHive));
  const auto strBranch = GetBranch(strHive).toText();
  auto& api = platform::registry();
  RegKey key = 0;
  if (api.OpenKeyEx(root, strBranch, 0, platform::kKeyRead, key) != 0) return nullptr;
  OpenedKey opened(api, key);
  const auto wanted = text::toLower(strKey);
  for (std::uint32_t i = 0;; ++i) {
    std::vector<char16_t> name(kEnumBufferLength, u'\0');
    regdata::Bytes data(kEnumBufferLength * 2, 0);
    std::uint32_t nameLength = kEnumBufferLength;
    std::uint32_t dataSize = static_cast<std::uint32_t>(data.size());
    std::uint32_t type = 0;
    if (api.EnumValue(key, i, name.data(), &nameLength, &type, data.data(), &dataSize) != 0) break;
    std::u16string characters;
    if (regdata::isTextType(type)) {
      // The text less its terminating zero.
      characters = regdata::textOf(data.data(), dataSize);
      if (!characters.empty()) characters.pop_back();
    } else {
      // Numbers and binary data have no terminator: their bytes are taken whole.
      if (dataSize > kEnumBufferLength) break;
      characters = regdata::byteCharacters(data.data(), dataSize);
    }
    const auto valueName = nameOf(name, nameLength);
    if (strKey.empty() || wanted == text::toLower(valueName)) {
      records->AddNew();
      records->Fields(u"Name") = valueName;
      records->Fields(u"Data") = characters;
    }
  }
  opened.Close();
  if (!records->Bof()) records->MoveFirst();
  return records;
}

std::unique_ptr<Recordset> RegUtilities::EnumerateAnyBranch(std::u16string_view strHive) {
  auto records = CreateRecordset();
  const RegKey root = handleOf(GetPredefinedRootKey(strHive));
  const auto strBranch = GetBranch(strHive).toText();
  auto& api = platform::registry();
  RegKey key = 0;
  if (api.OpenKeyEx(root, strBranch, 0, platform::kKeyRead, key) != 0) return nullptr;
  OpenedKey opened(api, key);
  for (std::uint32_t i = 0;; ++i) {
    std::vector<char16_t> name(kEnumBufferLength, u'\0');
    std::vector<char16_t> className(kEnumBufferLength, u'\0');
    std::uint32_t nameLength = kEnumBufferLength;
    std::uint32_t classLength = kEnumBufferLength;
    std::uint64_t written = 0;
    if (api.EnumKeyEx(key, i, name.data(), &nameLength, className.data(), &classLength, &written) !=
        0) {
      break;
    }
    records->AddNew();
    records->Fields(u"Name") = nameOf(name, nameLength);
  }
  opened.Close();
  if (!records->Bof()) records->MoveFirst();
  return records;
}

std::unique_ptr<Recordset> RegUtilities::CreateRecordset() {
  auto records = std::make_unique<Recordset>();
  records->AppendField(u"Name", Recordset::kVarChar, 255);
  records->AppendField(u"Data", Recordset::kVarChar, 255);
  records->Open();
  return records;
}

Variant RegUtilities::DeleteKey(std::u16string_view strHive) {
  const RegKey root = handleOf(GetPredefinedRootKey(strHive));
  const auto strBranch = GetBranch(strHive).toText();
  platform::registry().DeleteKey(root, strBranch);
  return Variant();
}

bool RegUtilities::DeleteValue(std::u16string_view strHive, std::u16string_view vValueName) {
  try {
    const RegKey root = handleOf(GetPredefinedRootKey(strHive));
    const auto strBranch = GetBranch(strHive).toText();
    auto& api = platform::registry();
    RegKey key = 0;
    if (api.OpenKeyEx(root, strBranch, 0, platform::kKeyAllAccess, key) == 0) {
      OpenedKey opened(api, key);
      api.DeleteValue(key, vValueName);
      opened.Close();
    }
    return true;
  } catch (const std::exception& e) {
    toolkit::showErrorReport(kClassName, u"DeleteValue", e);
    return false;
  }
}

}  // namespace sigpatch
