#include "runtime/ProgramInfo.h"

#include "runtime/Text.h"

namespace sigpatch::inline runtime {

std::u16string titleLine(const ProgramInfo& app) {
  return app.Title + u" V" + text::dec(app.Major) + u"." + text::zeroPad(app.Minor, 2) + u"." +
         text::zeroPad(app.Revision, 2);
}

}  // namespace sigpatch::runtime
