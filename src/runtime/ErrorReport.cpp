#include "runtime/ErrorReport.h"

#include "runtime/Text.h"

namespace sigpatch::inline runtime {

std::u16string errorReportText(std::u16string_view exeName, std::u16string_view className,
                               std::u16string_view procedure, const ErrorInfo& error) {
  std::u16string report(exeName);
  report += u'.';
  report += className;
  report += u'.';
  report += procedure;
  report += u": " + text::dec(error.number) + u", " + error.description;
  return report;
}

std::u16string unhandledFaultText(const std::exception& fault) {
  const auto error = errorInfoOf(fault);
  return u"Run-time error '" + text::dec(error.number) + u"':\r\n\r\n" + error.description;
}

}  // namespace sigpatch::runtime
