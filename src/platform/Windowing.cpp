#include "platform/Windowing.h"

#include "platform/Text.h"

namespace sigpatch::platform {

std::u16string titleLine(const ProgramInfo& app) {
  return app.Title + u" V" + text::dec(app.Major) + u"." + text::zeroPad(app.Minor, 2) + u"." +
         text::zeroPad(app.Revision, 2);
}

}  // namespace sigpatch::platform
