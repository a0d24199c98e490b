#pragma once

// The system's rules for key paths, names and access rights, shared by every
// implementation of the registry functions so that they agree to the letter.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryApi.h"

namespace sigpatch::platform::regrules {

/// Splits a sub-key path into its key names. Backslashes at the end are
/// allowed (`Software\Test\\` names `Software\Test`); a leading `\` or an empty
/// name between two `\` gives kErrorBadPathname, a name longer than 255
/// characters kErrorInvalidParameter.
std::int32_t splitSubKey(std::u16string_view lpSubKey, std::vector<std::u16string>& names);

/// splitSubKey for OpenKeyEx, which under the predefined HKEY_CLASSES_ROOT also
/// takes one leading `\` (`\CLSID` opens `CLSID`, `\` the root itself).
std::int32_t splitOpenPath(RegKey hKey, std::u16string_view lpSubKey,
                           std::vector<std::u16string>& names);

/// The root key named by its name or its short name, in any letter case
/// ("hklm" finds HKEY_LOCAL_MACHINE); null for any other name.
const RootKey* findRootKey(std::u16string_view name);

/// The position of a predefined root key's handle in kRootKeys; -1 for any other handle.
int rootIndex(RegKey hKey);

/// kErrorInvalidParameter for a value name longer than 16383 characters, else 0.
std::int32_t checkValueName(std::u16string_view lpValueName);

/// The form in which names are compared: upper case by the simple mapping.
std::u16string fold(std::u16string_view name);

/// The rights a handle gets for `samDesired` (generic rights mapped, "maximum
/// allowed" granted as far as the store allows): kErrorAccessDenied when the
/// store may not be changed and a right that changes a key is asked for.
std::int32_t grantedAccess(std::uint32_t samDesired, bool writable, std::uint32_t& granted);

/// Copies a name and its terminating zero into a buffer of `*lpcch`
/// characters and sets `*lpcch` to the name's length; kErrorMoreData (nothing
/// changed) when it does not fit.
std::int32_t deliverName(std::u16string_view name, char16_t* buffer, std::uint32_t* lpcch);

/// Whether values of the type hold text (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ).
bool isText(std::uint32_t type);

/// What SetValueEx makes of its data: kErrorNoAccess when there is no data
/// buffer (or one in the first 64 KiB of the address space, where no buffer
/// lies) but a size other than 0, else 0 with `size` set to the bytes to store.
/// Text written with a size that leaves out its terminator is stored with it
/// when the character just past the size is a zero: that one character is read
/// (up to two bytes past the size), so a caller's buffer must hold it.
std::int32_t dataToStore(std::uint32_t type, const std::uint8_t* lpData, std::uint32_t cbData,
                         std::uint32_t& size);

/// Delivers data of the type into a buffer of `*lpcbData` bytes and sets
/// `*lpcbData` to the data's size. With no buffer only the size is delivered; a
/// buffer that is too small gives kErrorMoreData. Text whose last character is
/// not a zero gets one after it when the buffer has room for it; the size stays
/// the stored one.
std::int32_t deliverData(std::uint32_t type, const std::uint8_t* data, std::size_t size,
                         std::uint8_t* lpData, std::uint32_t* lpcbData);

/// The current time as the system counts it: 100-nanosecond intervals since 1601.
std::uint64_t fileTimeNow();

}  // namespace sigpatch::platform::regrules
