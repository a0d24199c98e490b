#pragma once

#include <string>
#include <string_view>

namespace sigpatch {

/// One argument of the command line: a name (kept in upper case) and a value.
class Argument {
 public:
  /// True when the name or the value was assigned after the argument was added.
  bool Dirty = false;

  const std::u16string& ArgumentName() const { return name_; }
  /// Stores the name in upper case and marks the argument dirty.
  void SetArgumentName(std::u16string_view name);

  const std::u16string& ArgumentValue() const { return value_; }
  /// Stores the value unchanged and marks the argument dirty.
  void SetArgumentValue(std::u16string_view value);

 private:
  std::u16string name_;
  std::u16string value_;
};

}  // namespace sigpatch
