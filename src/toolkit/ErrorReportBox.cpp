#include "toolkit/ErrorReportBox.h"

#include "platform/Platform.h"
#include "runtime/ErrorReport.h"
#include "toolkit/Windowing.h"

namespace sigpatch::toolkit {

void showErrorReport(std::u16string_view className, std::u16string_view procedure,
                     const std::exception& fault) {
  auto& window = platform::windowing();
  window.MsgBox(errorReportText(window.App().EXEName, className, procedure, errorInfoOf(fault)));
}

}  // namespace sigpatch::toolkit
