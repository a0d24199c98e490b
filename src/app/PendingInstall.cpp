#include "app/PendingInstall.h"

#include "app/Settings.h"
#include "registry/RegUtilities.h"
#include "runtime/Text.h"

namespace sigpatch {
namespace {

constexpr char16_t kPackage[] = u"PendingUpdate";
constexpr char16_t kBoot[] = u"PendingBoot";
constexpr char16_t kProcess[] = u"PendingProcess";
constexpr char16_t kAttempts[] = u"PendingAttempts";

}  // namespace

PendingInstall PendingInstall::Read(RegUtilities& reg) {
  PendingInstall record;
  record.Package = reg.GetKeyValue(kSettingsKey, kPackage, u"");
  if (!record.Present()) return record;
  record.Boot = reg.GetKeyValue(kSettingsKey, kBoot, u"");
  record.Process = reg.GetKeyValue(kSettingsKey, kProcess, u"");
  record.Attempts = static_cast<std::int32_t>(wholeNumberSetting(reg, kAttempts, 1));
  return record;
}

std::int32_t PendingInstall::Write(RegUtilities& reg) const {
  // The package's name last: a record is present only once it is whole.
  const std::pair<const char16_t*, std::u16string> values[] = {
      {kBoot, Boot}, {kProcess, Process}, {kAttempts, text::dec(Attempts)}, {kPackage, Package}};
  for (const auto& [name, value] : values) {
    if (const std::int32_t result = reg.TryWriteText(kSettingsKey, name, value); result != 0) {
      return result;
    }
  }
  return 0;
}

void PendingInstall::Clear(RegUtilities& reg) {
  // The package's name first: a record half cleared is no record.
  for (const char16_t* name : {kPackage, kBoot, kProcess, kAttempts}) {
    reg.DeleteValue(kSettingsKey, name);
  }
}

}  // namespace sigpatch
