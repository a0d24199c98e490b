#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "cmdline/Argument.h"
#include "runtime/Collection.h"

namespace sigpatch {

/// The parsed command line: an ordered collection of named arguments, each under
/// its key (the name as given, compared without regard to case).
class ArgumentHandler {
 public:
  using ArgumentPtr = std::shared_ptr<Argument>;

  Collection<ArgumentPtr> Arguments;
  /// The argument selected by the last SetArgumentIndex or SetArgumentKey, or none.
  ArgumentPtr ActiveArgument;

  std::int32_t ArgumentCount() const { return Arguments.Count(); }
  /// The argument at a 1-based position, or none.
  ArgumentPtr GetArgumentIndex(std::int32_t lngIndex) const;
  /// The argument under a key (case ignored), or none.
  ArgumentPtr GetArgumentKey(std::u16string_view strKey) const;
  /// Selects the argument at a position; false and none selected when there is none.
  bool SetArgumentIndex(std::int32_t lngIndex);
  /// Selects the argument under a key; false and none selected when there is none.
  bool SetArgumentKey(std::u16string_view strKey);
  /// Adds an argument under the key `strName`. A key already present shows
  /// "Duplicate Argument: " and the name, then stops the program at once.
  void AddArgument(std::u16string_view strName, std::u16string_view strValue);
  /// Replaces the collection by the arguments of a command line: switches
  /// ("/Name" or "/Name:value") and plain words (PATH1, PATH2, ...).
  void ParseCommandLine(std::u16string_view strCommand);
};

}  // namespace sigpatch
