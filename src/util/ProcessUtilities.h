#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sigpatch {

/// Starts other programs and opens documents. The class keeps no state; it
/// shows no messages and raises no faults of its own.
class ProcessUtilities {
 public:
  /// Opens a document, file or address with the program associated with it;
  /// when none is, the desktop's chooser of a program, where there is one.
  void ShellDoc(const std::u16string& strFile) const;
  /// Runs a command line in `strPath` (the program's own folder when empty) and
  /// waits for it to end, letting queued window events run at least every 100
  /// ms. 0 when it was started and has ended (whatever its exit code), -1 when
  /// the start or the wait failed.
  std::int16_t ShellWait(std::u16string_view strCommand, std::u16string_view strPath = {}) const;
  /// Starts a command line without waiting; the new process's number, 0 when
  /// the start failed.
  std::int32_t StartProcess(std::u16string_view strCommand, std::u16string_view strPath = {}) const;
  /// The number of the program's own process.
  std::int32_t GetPocID() const;
};

}  // namespace sigpatch
