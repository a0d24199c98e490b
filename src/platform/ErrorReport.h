#pragma once

#include <exception>
#include <string>
#include <string_view>

#include "platform/RuntimeError.h"

namespace sigpatch {

/// "exe.Class.Procedure: number, description", the text of the error report.
std::u16string errorReportText(std::u16string_view exeName, std::u16string_view className,
                               std::u16string_view procedure, const ErrorInfo& error);

/// "Run-time error 'number':" and the description: what the system shows for a
/// fault that no handler of the program caught.
std::u16string unhandledFaultText(const std::exception& fault);

/// Shows the error report for a caught fault: a message box with only an OK
/// button, titled with the program title. The handlers that "catch any error"
/// catch std::exception and call this; the immediate stop is not a
/// std::exception and passes through them.
void showErrorReport(std::u16string_view className, std::u16string_view procedure,
                     const std::exception& fault);

}  // namespace sigpatch
