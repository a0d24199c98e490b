#pragma once

#include <exception>
#include <string>
#include <string_view>

#include "runtime/RuntimeError.h"

namespace sigpatch::inline runtime {

/// "exe.Class.Procedure: number, description", the text of the error report.
std::u16string errorReportText(std::u16string_view exeName, std::u16string_view className,
                               std::u16string_view procedure, const ErrorInfo& error);

/// "Run-time error 'number':" and the description: what the system shows for a
/// fault that no handler of the program caught.
std::u16string unhandledFaultText(const std::exception& fault);

}  // namespace sigpatch::runtime
