#pragma once

#include <cstdint>
#include <string_view>

namespace sigpatch {

class RegUtilities;

/// The key of the program's settings.
inline constexpr char16_t kSettingsKey[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch";

/// The key of the downloader's settings: its LocalPath is the folder proposed
/// when no source folder is stored.
inline constexpr char16_t kDownloaderKey[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigfetch";

/// A whole number (of seconds, of days) from a setting under the settings key, stored as
/// REG_DWORD or as decimal text; `fallback` when it is missing, empty or not a
/// whole number from 0 up.
std::int64_t wholeNumberSetting(RegUtilities& reg, std::u16string_view name, std::int64_t fallback);

}  // namespace sigpatch
