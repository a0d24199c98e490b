#include "FuzzInput.h"
#include "runtime/RuntimeError.h"
#include "util/StringUtilities.h"

// The first byte splits the input into a mask and a name; both modes are tried.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::u16string all = asText(data + 1, size - 1);
  const std::size_t split = all.empty() ? 0 : data[0] % (all.size() + 1);
  const std::u16string mask = all.substr(0, split);
  const std::u16string name = all.substr(split);
  sigpatch::StringUtilities su;
  const bool folded = su.MatchesFileMask(name, mask, false);
  try {
    const bool exact = su.MatchesFileMask(name, mask, true);
    // A mask without groups matches case-sensitively only what it also matches
    // ignoring case.
    if (exact && mask.find(u'[') == std::u16string::npos && !folded) __builtin_trap();
  } catch (const sigpatch::RuntimeError& e) {
    if (e.Number() != 93) __builtin_trap();
  }
  // A name always matches itself ignoring case when it holds no wildcard.
  if (name.find_first_of(u"*?#") == std::u16string::npos && !su.MatchesFileMask(name, name)) {
    __builtin_trap();
  }
  return 0;
}
