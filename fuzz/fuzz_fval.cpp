#include <cmath>

#include "FuzzInput.h"
#include "runtime/RuntimeError.h"
#include "util/NumberUtilities.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sigpatch::NumberUtilities nu;
  try {
    const double value = nu.fVal(asText(data, size));
    if (std::isnan(value)) __builtin_trap();
  } catch (const sigpatch::RuntimeError& e) {
    if (e.Number() != 6) __builtin_trap();
  }
  return 0;
}
