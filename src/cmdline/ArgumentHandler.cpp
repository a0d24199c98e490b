#include "cmdline/ArgumentHandler.h"

#include "platform/Platform.h"
#include "runtime/ExitStatus.h"
#include "runtime/Text.h"
#include "toolkit/Windowing.h"
#include "util/StringUtilities.h"

namespace sigpatch {
namespace {

std::u16string trimBlanks(std::u16string_view text) {
  auto first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  return std::u16string(text.substr(first, text.find_last_not_of(u' ') - first + 1));
}

}  // namespace

ArgumentHandler::ArgumentPtr ArgumentHandler::GetArgumentIndex(std::int32_t lngIndex) const {
  if (lngIndex < 1 || lngIndex > Arguments.Count()) return nullptr;
  return Arguments.Item(lngIndex);
}

ArgumentHandler::ArgumentPtr ArgumentHandler::GetArgumentKey(std::u16string_view strKey) const {
  return Arguments.Contains(strKey) ? Arguments.Item(strKey) : nullptr;
}

bool ArgumentHandler::SetArgumentIndex(std::int32_t lngIndex) {
  ActiveArgument = GetArgumentIndex(lngIndex);
  return ActiveArgument != nullptr;
}

bool ArgumentHandler::SetArgumentKey(std::u16string_view strKey) {
  ActiveArgument = GetArgumentKey(strKey);
  return ActiveArgument != nullptr;
}

void ArgumentHandler::AddArgument(std::u16string_view strName, std::u16string_view strValue) {
  try {
    auto argument = std::make_shared<Argument>();
    argument->SetArgumentName(strName);
    argument->SetArgumentValue(strValue);
    argument->Dirty = false;
    Arguments.Add(std::move(argument), strName);
  } catch (const std::exception&) {
    auto& window = platform::windowing();
    window.MsgBox(u"Duplicate Argument: " + std::u16string(strName),
                  toolkit::MsgBoxStyle::Critical);
    window.End(exitstatus::kBadCommandLine);
  }
}

void ArgumentHandler::ParseCommandLine(std::u16string_view strCommand) {
  Arguments = {};
  try {
    const StringUtilities su;
    std::int32_t plainWord = 1;
    const std::int32_t fields = su.GetPosNum(strCommand, u" ", true);
    for (std::int32_t i = 1; i <= fields; ++i) {
      const std::u16string field = trimBlanks(su.GetPosSep(strCommand, u" ", i, true));
      if (field.empty()) continue;
      if (su.StartsWith(field, u"/")) {
        if (su.GetPosNum(field, u":", true) == 1) {
          AddArgument(su.LTrimText(field, u"/"), u"");
        } else {
          const std::u16string head = trimBlanks(su.GetPosSep(field, u":", 1, true));
          const std::u16string name = su.LTrimText(head, u"/");
          const std::u16string rest = su.LTrimText(field, head + u":", true);
          AddArgument(name, su.TrimText(trimBlanks(rest), u"\""));
        }
      } else {
        AddArgument(u"PATH" + text::dec(plainWord), su.TrimText(field, u"\""));
        ++plainWord;
      }
    }
  } catch (const std::exception&) {
    // Parsing ends quietly; the arguments added so far stay.
  }
}

}  // namespace sigpatch
