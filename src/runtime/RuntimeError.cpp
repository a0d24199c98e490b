#include "runtime/RuntimeError.h"

#include <new>
#include <stdexcept>

#include "runtime/Text.h"

namespace sigpatch::inline runtime {
namespace {

struct ErrorText {
  std::int32_t number;
  const char16_t* description;
};

constexpr ErrorText kErrorTexts[] = {
    {5, u"Invalid procedure call or argument"},
    {6, u"Overflow"},
    {7, u"Out of memory"},
    {9, u"Subscript out of range"},
    {11, u"Division by zero"},
    {13, u"Type mismatch"},
    {51, u"Internal error"},
    {53, u"File not found"},
    {57, u"Device I/O error"},
    {58, u"File already exists"},
    {61, u"Disk full"},
    {68, u"Device unavailable"},
    {70, u"Permission denied"},
    {71, u"Disk not ready"},
    {75, u"Path/File access error"},
    {76, u"Path not found"},
    {91, u"Object variable or With block variable not set"},
    {93, u"Invalid pattern string"},
    {429, u"ActiveX component can't create object"},
    {457, u"This key is already associated with an element of this collection"},
    {481, u"Invalid picture"},
    {3021,
     u"Either BOF or EOF is True, or the current record has been deleted. Requested operation "
     u"requires a current record."},
    {3265, u"Item cannot be found in the collection corresponding to the requested name or ordinal."},
    {35600, u"Element not found"},
};

}  // namespace

std::u16string errorDescription(std::int32_t number) {
  for (const auto& entry : kErrorTexts) {
    if (entry.number == number) return entry.description;
  }
  return u"Application-defined or object-defined error";
}

RuntimeError::RuntimeError(std::int32_t number)
    : RuntimeError(number, errorDescription(number)) {}

RuntimeError::RuntimeError(std::int32_t number, std::u16string description)
    : number_(number),
      description_(std::move(description)),
      what_(std::to_string(number) + ", " + text::toUtf8(description_)) {}

ErrorInfo errorInfoOf(const std::exception& e) {
  if (const auto* runtime = dynamic_cast<const RuntimeError*>(&e)) {
    return {runtime->Number(), runtime->Description()};
  }
  std::int32_t number = err::kInternalError;
  if (dynamic_cast<const std::bad_alloc*>(&e)) {
    number = err::kOutOfMemory;
  } else if (dynamic_cast<const std::out_of_range*>(&e)) {
    number = err::kSubscriptOutOfRange;
  } else if (dynamic_cast<const std::overflow_error*>(&e)) {
    number = err::kOverflow;
  } else if (dynamic_cast<const std::invalid_argument*>(&e)) {
    number = err::kInvalidProcedureCall;
  }
  return {number, errorDescription(number)};
}

}  // namespace sigpatch::runtime
