#include "platform/win32/Win32Registry.h"

#include "platform/win32/Wide.h"
#include "platform/win32/WindowsHeaders.h"

namespace sigpatch::platform::win32 {
namespace {

static_assert(sizeof(RegKey) == sizeof(HKEY), "a key handle holds a system handle");
static_assert(sizeof(DWORD) == sizeof(std::uint32_t));

HKEY handle(RegKey key) { return reinterpret_cast<HKEY>(key); }

// The system's optional DWORD out-parameters, copied in before the call and
// out after it.
class InOut {
 public:
  explicit InOut(std::uint32_t* value) : value_(value), copy_(value ? *value : 0) {}
  ~InOut() {
    if (value_ != nullptr) *value_ = copy_;
  }
  InOut(const InOut&) = delete;
  InOut& operator=(const InOut&) = delete;
  DWORD* get() { return value_ != nullptr ? &copy_ : nullptr; }

 private:
  std::uint32_t* value_;
  DWORD copy_;
};

}  // namespace

std::int32_t Win32Registry::OpenKeyEx(RegKey hKey, std::u16string_view lpSubKey,
                                      std::uint32_t ulOptions, std::uint32_t samDesired,
                                      RegKey& phkResult) {
  HKEY opened = nullptr;
  const LSTATUS result =
      ::RegOpenKeyExW(handle(hKey), wide(lpSubKey).c_str(), ulOptions, samDesired, &opened);
  phkResult = result == ERROR_SUCCESS ? reinterpret_cast<RegKey>(opened) : 0;
  return result;
}

std::int32_t Win32Registry::CreateKeyEx(RegKey hKey, std::u16string_view lpSubKey,
                                        std::u16string_view lpClass, std::uint32_t dwOptions,
                                        std::uint32_t samDesired, RegKey& phkResult,
                                        std::uint32_t* lpdwDisposition) {
  HKEY created = nullptr;
  std::wstring className = wide(lpClass);
  InOut disposition(lpdwDisposition);
  const LSTATUS result = ::RegCreateKeyExW(handle(hKey), wide(lpSubKey).c_str(), 0,
                                           lpClass.empty() ? nullptr : className.data(), dwOptions,
                                           samDesired, nullptr, &created, disposition.get());
  phkResult = result == ERROR_SUCCESS ? reinterpret_cast<RegKey>(created) : 0;
  return result;
}

std::int32_t Win32Registry::QueryValueEx(RegKey hKey, std::u16string_view lpValueName,
                                         std::uint32_t* lpType, std::uint8_t* lpData,
                                         std::uint32_t* lpcbData) {
  InOut type(lpType);
  InOut size(lpcbData);
  return ::RegQueryValueExW(handle(hKey), wide(lpValueName).c_str(), nullptr, type.get(), lpData,
                            size.get());
}

std::int32_t Win32Registry::SetValueEx(RegKey hKey, std::u16string_view lpValueName,
                                       std::uint32_t dwType, const std::uint8_t* lpData,
                                       std::uint32_t cbData) {
  return ::RegSetValueExW(handle(hKey), wide(lpValueName).c_str(), 0, dwType, lpData, cbData);
}

std::int32_t Win32Registry::DeleteKey(RegKey hKey, std::u16string_view lpSubKey) {
  return ::RegDeleteKeyW(handle(hKey), wide(lpSubKey).c_str());
}

std::int32_t Win32Registry::DeleteValue(RegKey hKey, std::u16string_view lpValueName) {
  return ::RegDeleteValueW(handle(hKey), wide(lpValueName).c_str());
}

std::int32_t Win32Registry::EnumValue(RegKey hKey, std::uint32_t dwIndex, char16_t* lpValueName,
                                      std::uint32_t* lpcchValueName, std::uint32_t* lpType,
                                      std::uint8_t* lpData, std::uint32_t* lpcbData) {
  InOut length(lpcchValueName);
  InOut type(lpType);
  InOut size(lpcbData);
  return ::RegEnumValueW(handle(hKey), dwIndex, reinterpret_cast<wchar_t*>(lpValueName),
                         length.get(), nullptr, type.get(), lpData, size.get());
}

std::int32_t Win32Registry::EnumKeyEx(RegKey hKey, std::uint32_t dwIndex, char16_t* lpName,
                                      std::uint32_t* lpcchName, char16_t* lpClass,
                                      std::uint32_t* lpcchClass, std::uint64_t* lpftLastWriteTime) {
  InOut length(lpcchName);
  InOut classLength(lpcchClass);
  FILETIME written{};
  const LSTATUS result =
      ::RegEnumKeyExW(handle(hKey), dwIndex, reinterpret_cast<wchar_t*>(lpName), length.get(),
                      nullptr, reinterpret_cast<wchar_t*>(lpClass), classLength.get(), &written);
  if (result == ERROR_SUCCESS && lpftLastWriteTime != nullptr) {
    *lpftLastWriteTime =
        (static_cast<std::uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
  }
  return result;
}

std::int32_t Win32Registry::CloseKey(RegKey hKey) { return ::RegCloseKey(handle(hKey)); }

}  // namespace sigpatch::platform::win32
