#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/RegistryApi.h"
#include "registry/Recordset.h"
#include "runtime/Variant.h"

namespace sigpatch {

/// The program's one road to the registry. Every operation names its key by a
/// key path ("HKEY_LOCAL_MACHINE\SOFTWARE\Ferrolite\Sigpatch"), opens the key,
/// does its work and closes the key again; the class keeps no state. It reaches
/// the registry through platform::registry().
class RegUtilities {
 public:
  /// The longest value text that is written, in characters.
  static constexpr std::int32_t kLongestSetting = 127;

  /// The handle value of the key path's root name (0x80000000 ... 0x80000003 as a
  /// 32-bit number), 0 for any other root name.
  std::int32_t GetPredefinedRootKey(std::u16string_view strHive) const;
  /// The root name: the key path's text before its first "\".
  Variant GetRootKey(std::u16string_view strHive) const;
  /// The key path less its root name and every "\" after it.
  Variant GetBranch(std::u16string_view strHive) const;

  /// Writes a value of the type named by `strType` ("REG_SZ", "REG_EXPAND_SZ",
  /// "REG_BINARY", "REG_DWORD"), creating the key when it is missing. Any other
  /// type name writes nothing; failures are reported in message boxes. True
  /// when the value was written.
  bool SetKeyValue(std::u16string_view strHive, std::u16string_view vValueName,
                   const Variant& vValueSetting, std::u16string_view strType = {});
  /// Writes a text value (REG_SZ) as SetKeyValue does, creating the key when it
  /// is missing, but shows nothing: the system's result code, 0 when written.
  /// For the writes a run must know succeeded before it goes on.
  std::int32_t TryWriteText(std::u16string_view strHive, std::u16string_view vValueName,
                            std::u16string_view vValueSetting);
  /// The value as text, or `dValue` when it cannot be read.
  std::u16string GetKeyValue(std::u16string_view strHive, std::u16string_view vValueName,
                             std::u16string_view dValue);
  /// The value's type code, -1 when the key cannot be opened or the value not queried.
  std::int32_t GetKeyType(std::u16string_view strHive, std::u16string_view vValueName);
  /// Creates the key (and every missing key above it); a failure is not reported.
  void CreateNewKey(std::u16string_view strHive);

  /// The values of a key as hexadecimal text, one numbered line each; with
  /// `strKey` only that value's hexadecimal text. Empty when the key cannot be opened.
  std::u16string EnumerateBinaryKey(std::u16string_view strHive, std::int32_t lngOutFormat,
                                    std::u16string_view strKey = {});
  /// The values of a key as records of "Name" and "Data"; null when the key
  /// cannot be opened.
  std::unique_ptr<Recordset> EnumerateAnyKey(std::u16string_view strHive,
                                             std::u16string_view strKey = {});
  /// The names of a key's sub-keys as records of "Name" (and an empty "Data");
  /// null when the key cannot be opened.
  std::unique_ptr<Recordset> EnumerateAnyBranch(std::u16string_view strHive);

  /// Deletes the key if the system allows it; the outcome is not reported and
  /// the result is always empty.
  Variant DeleteKey(std::u16string_view strHive);
  /// Deletes the value; false only after a run-time fault (which is reported).
  bool DeleteValue(std::u16string_view strHive, std::u16string_view vValueName);

 private:
  bool pSetKeyValue(std::int32_t lngRootKey, std::u16string_view strBranch,
                    std::u16string_view strValueName, const Variant& vValue, std::int32_t lngType);
  std::int32_t pWriteValue(std::int32_t lngRootKey, std::u16string_view strBranch,
                           std::u16string_view strValueName, const Variant& vValue,
                           std::int32_t lngType);
  std::int32_t pSetValueEx(platform::RegKey hKey, std::u16string_view strValueName,
                           std::int32_t lngType, const Variant& vValue);
  std::int32_t pGetValueType(platform::RegKey hKey, std::u16string_view strValueName);
  /// Reads a value through `query` (GetValue, or QueryValueEx of an open key).
  using ValueQuery =
      std::function<std::int32_t(std::uint32_t* type, std::uint8_t* data, std::uint32_t* size)>;
  std::int32_t pQueryValue(const ValueQuery& query, Variant& vValue);
  std::unique_ptr<Recordset> CreateRecordset();
};

}  // namespace sigpatch
