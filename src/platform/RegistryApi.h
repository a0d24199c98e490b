#pragma once

// The registry functions of the system (advapi32), in their wide form on every
// system: key and value names are UTF-16, text data is stored as the system
// stores it (REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ as UTF-16LE with their
// terminators, REG_DWORD as 4 bytes low byte first). Results are the system's
// result codes. A Windows build passes each call through to the function of the
// same name; the POSIX build keeps the keys in an SQLite store.
//
// The constants carry names of our own (kRegSz, not REG_SZ) so that they never
// meet the macros of <windows.h>.

#include <cstdint>
#include <string_view>

namespace sigpatch::platform {

/// A key handle: an open key or one of the predefined root keys. The predefined
/// handles are the system's 32-bit values, sign-extended as the system extends them.
using RegKey = std::intptr_t;

inline constexpr RegKey predefinedKey(std::uint32_t value) {
  return static_cast<RegKey>(static_cast<std::int32_t>(value));
}
inline constexpr RegKey kHkeyClassesRoot = predefinedKey(0x80000000u);
inline constexpr RegKey kHkeyCurrentUser = predefinedKey(0x80000001u);
inline constexpr RegKey kHkeyLocalMachine = predefinedKey(0x80000002u);
inline constexpr RegKey kHkeyUsers = predefinedKey(0x80000003u);

/// A predefined root key: its name, the short name a key path may give instead
/// ("HKLM"), and its handle.
struct RootKey {
  std::u16string_view name;
  std::u16string_view shortName;
  RegKey handle;
};

/// The predefined root keys in the system's order, the order of their handles.
inline constexpr RootKey kRootKeys[] = {
    {u"HKEY_CLASSES_ROOT", u"HKCR", kHkeyClassesRoot},
    {u"HKEY_CURRENT_USER", u"HKCU", kHkeyCurrentUser},
    {u"HKEY_LOCAL_MACHINE", u"HKLM", kHkeyLocalMachine},
    {u"HKEY_USERS", u"HKU", kHkeyUsers},
};

// Result codes.
inline constexpr std::int32_t kErrorSuccess = 0;
inline constexpr std::int32_t kErrorFileNotFound = 2;
inline constexpr std::int32_t kErrorAccessDenied = 5;
inline constexpr std::int32_t kErrorInvalidHandle = 6;
inline constexpr std::int32_t kErrorOutOfMemory = 14;
inline constexpr std::int32_t kErrorNotSupported = 50;
inline constexpr std::int32_t kErrorInvalidParameter = 87;
inline constexpr std::int32_t kErrorDiskFull = 112;
inline constexpr std::int32_t kErrorBadPathname = 161;
inline constexpr std::int32_t kErrorBusy = 170;
inline constexpr std::int32_t kErrorMoreData = 234;
inline constexpr std::int32_t kErrorNoMoreItems = 259;
inline constexpr std::int32_t kErrorNoAccess = 998;
inline constexpr std::int32_t kErrorRegistryCorrupt = 1015;
inline constexpr std::int32_t kErrorRegistryIoFailed = 1016;
inline constexpr std::int32_t kErrorKeyDeleted = 1018;

// Value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegLink = 6;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// Access rights.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kKeyNotify = 0x0010;
inline constexpr std::uint32_t kKeyCreateLink = 0x0020;
inline constexpr std::uint32_t kKeyWow64Mask = 0x0300;
inline constexpr std::uint32_t kDeleteAccess = 0x00010000;
inline constexpr std::uint32_t kReadControl = 0x00020000;
inline constexpr std::uint32_t kWriteDac = 0x00040000;
inline constexpr std::uint32_t kWriteOwner = 0x00080000;
inline constexpr std::uint32_t kMaximumAllowed = 0x02000000;
inline constexpr std::uint32_t kGenericAll = 0x10000000;
inline constexpr std::uint32_t kGenericWrite = 0x40000000;
inline constexpr std::uint32_t kGenericRead = 0x80000000;
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyWrite = 0x20006;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
/// The rights that change a key; a store the user may not write refuses them.
inline constexpr std::uint32_t kKeyChangingRights =
    kKeySetValue | kKeyCreateSubKey | kKeyCreateLink | kDeleteAccess | kWriteDac | kWriteOwner;

// Key creation.
inline constexpr std::uint32_t kRegOptionNonVolatile = 0;
inline constexpr std::uint32_t kRegCreatedNewKey = 1;
inline constexpr std::uint32_t kRegOpenedExistingKey = 2;

// The system's limits.
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;
inline constexpr std::size_t kMaxKeyDepth = 512;

/// The registry functions. Optional out-parameters are pointers that may be
/// null; buffer sizes follow the system's rules: name buffers count characters
/// including room for the terminating zero, data buffers count bytes, and a
/// buffer that is too small gives kErrorMoreData with the size needed. Text
/// data follows the system's terminator rules (RegistryRules.h: dataToStore,
/// deliverData). A failed OpenKeyEx or CreateKeyEx sets the handle to 0.
class RegistryApi {
 public:
  virtual ~RegistryApi() = default;

  /// Opens the sub-key (a path of names joined by "\"; empty: the key itself;
  /// under HKEY_CLASSES_ROOT the path may begin with one "\").
  virtual std::int32_t OpenKeyEx(RegKey hKey, std::u16string_view lpSubKey, std::uint32_t ulOptions,
                                 std::uint32_t samDesired, RegKey& phkResult) = 0;
  /// Creates the sub-key with every missing key above it, or opens it when it exists.
  virtual std::int32_t CreateKeyEx(RegKey hKey, std::u16string_view lpSubKey,
                                   std::u16string_view lpClass, std::uint32_t dwOptions,
                                   std::uint32_t samDesired, RegKey& phkResult,
                                   std::uint32_t* lpdwDisposition) = 0;
  /// Type and data of a value; the empty name stands for the key's default value.
  /// With `lpData` null only the type and the size are delivered (the size 0
  /// when there is no such value).
  virtual std::int32_t QueryValueEx(RegKey hKey, std::u16string_view lpValueName,
                                    std::uint32_t* lpType, std::uint8_t* lpData,
                                    std::uint32_t* lpcbData) = 0;
  virtual std::int32_t SetValueEx(RegKey hKey, std::u16string_view lpValueName,
                                  std::uint32_t dwType, const std::uint8_t* lpData,
                                  std::uint32_t cbData) = 0;
  /// Deletes a key that has no sub-keys (a key with sub-keys: kErrorAccessDenied).
  virtual std::int32_t DeleteKey(RegKey hKey, std::u16string_view lpSubKey) = 0;
  virtual std::int32_t DeleteValue(RegKey hKey, std::u16string_view lpValueName) = 0;
  /// Value number `dwIndex` (from 0); kErrorNoMoreItems after the last one. A
  /// name buffer that is too small gives kErrorMoreData with the value's type
  /// and data size, and leaves the name and its length alone.
  virtual std::int32_t EnumValue(RegKey hKey, std::uint32_t dwIndex, char16_t* lpValueName,
                                 std::uint32_t* lpcchValueName, std::uint32_t* lpType,
                                 std::uint8_t* lpData, std::uint32_t* lpcbData) = 0;
  /// Sub-key number `dwIndex` (from 0), in the order of their upper-cased names;
  /// the last-write time counts 100-nanosecond intervals since 1601.
  virtual std::int32_t EnumKeyEx(RegKey hKey, std::uint32_t dwIndex, char16_t* lpName,
                                 std::uint32_t* lpcchName, char16_t* lpClass,
                                 std::uint32_t* lpcchClass, std::uint64_t* lpftLastWriteTime) = 0;
  virtual std::int32_t CloseKey(RegKey hKey) = 0;

  /// The type and data of a value of the sub-key, as OpenKeyEx (for reading),
  /// QueryValueEx and CloseKey give them, in one call (the system's RegGetValue
  /// without its flags), so that a store can read them at once.
  virtual std::int32_t GetValue(RegKey hKey, std::u16string_view lpSubKey,
                                std::u16string_view lpValueName, std::uint32_t* lpType,
                                std::uint8_t* lpData, std::uint32_t* lpcbData);
};

}  // namespace sigpatch::platform
