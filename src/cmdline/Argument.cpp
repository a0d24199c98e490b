#include "cmdline/Argument.h"

#include "runtime/Text.h"

namespace sigpatch {

void Argument::SetArgumentName(std::u16string_view name) {
  name_ = text::toUpper(name);
  Dirty = true;
}

void Argument::SetArgumentValue(std::u16string_view value) {
  value_ = value;
  Dirty = true;
}

}  // namespace sigpatch
