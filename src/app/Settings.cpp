#include "app/Settings.h"

#include <string>

#include "registry/RegUtilities.h"

namespace sigpatch {

std::int64_t wholeNumberSetting(RegUtilities& reg, std::u16string_view name,
                                std::int64_t fallback) {
  const std::u16string value = reg.GetKeyValue(kSettingsKey, name, u"");
  if (value.empty() || value.size() > 10) return fallback;
  std::int64_t seconds = 0;
  for (char16_t c : value) {
    if (c < u'0' || c > u'9') return fallback;
    seconds = seconds * 10 + (c - u'0');
  }
  return seconds;
}

}  // namespace sigpatch
