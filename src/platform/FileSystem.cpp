#include "platform/FileSystem.h"

#include <exception>

#include "platform/ExitStatus.h"
#include "platform/Platform.h"
#include "platform/Windowing.h"

namespace sigpatch::platform {

FileSystem& fileSystemOf(std::unique_ptr<FileSystem>& holder) {
  if (!holder) {
    try {
      holder = fileSystem().CreateObject();
    } catch (const std::exception&) {
      holder.reset();
    }
    if (!holder) {
      auto& window = windowing();
      window.MsgBox(u"Windows Scripting Host not available!");
      window.End(exitstatus::kFailed);
    }
  }
  return *holder;
}

}  // namespace sigpatch::platform
