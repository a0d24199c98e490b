#pragma once

#include "platform/RegistryApi.h"

namespace sigpatch::platform::win32 {

/// The registry functions of advapi32, called in their wide form: each call
/// passes straight through, and the result is the system's own.
class Win32Registry final : public RegistryApi {
 public:
  std::int32_t OpenKeyEx(RegKey hKey, std::u16string_view lpSubKey, std::uint32_t ulOptions,
                         std::uint32_t samDesired, RegKey& phkResult) override;
  std::int32_t CreateKeyEx(RegKey hKey, std::u16string_view lpSubKey, std::u16string_view lpClass,
                           std::uint32_t dwOptions, std::uint32_t samDesired, RegKey& phkResult,
                           std::uint32_t* lpdwDisposition) override;
  std::int32_t QueryValueEx(RegKey hKey, std::u16string_view lpValueName, std::uint32_t* lpType,
                            std::uint8_t* lpData, std::uint32_t* lpcbData) override;
  std::int32_t SetValueEx(RegKey hKey, std::u16string_view lpValueName, std::uint32_t dwType,
                          const std::uint8_t* lpData, std::uint32_t cbData) override;
  std::int32_t DeleteKey(RegKey hKey, std::u16string_view lpSubKey) override;
  std::int32_t DeleteValue(RegKey hKey, std::u16string_view lpValueName) override;
  std::int32_t EnumValue(RegKey hKey, std::uint32_t dwIndex, char16_t* lpValueName,
                         std::uint32_t* lpcchValueName, std::uint32_t* lpType, std::uint8_t* lpData,
                         std::uint32_t* lpcbData) override;
  std::int32_t EnumKeyEx(RegKey hKey, std::uint32_t dwIndex, char16_t* lpName,
                         std::uint32_t* lpcchName, char16_t* lpClass, std::uint32_t* lpcchClass,
                         std::uint64_t* lpftLastWriteTime) override;
  std::int32_t CloseKey(RegKey hKey) override;
};

}  // namespace sigpatch::platform::win32
