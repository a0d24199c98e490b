#pragma once

#include <exception>
#include <string_view>

namespace sigpatch::toolkit {

/// Shows the error report for a caught fault: a message box with only an OK
/// button, titled with the program title. The handlers that "catch any error"
/// catch std::exception and call this; the immediate stop is not a
/// std::exception and passes through them.
void showErrorReport(std::u16string_view className, std::u16string_view procedure,
                     const std::exception& fault);

}  // namespace sigpatch::toolkit
