// The desktop toolkit's tests run on Qt's offscreen platform unless the
// environment names another, with the toolkit opened as the program opens it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

#include "QtTestSupport.h"
#include "resources/VersionInfo.h"
#include "toolkit/qt/DesktopModule.h"
#include "toolkit/qt/QtWindowing.h"

namespace sigpatch::testing {
namespace {
toolkit::qt::QtWindowing* theToolkit = nullptr;
}  // namespace

toolkit::qt::QtWindowing& qtToolkit() { return *theToolkit; }

}  // namespace sigpatch::testing

int main(int argc, char** argv) {
  using namespace sigpatch;
  ::testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  std::string failure;
  auto windowing = toolkit::qt::openQtDesktop(
      argc, argv, resources::programInfo(u"sigpatch", u"/opt/sigpatch"), u"/Path:x", failure);
  if (!windowing) {
    std::cerr << "qt_tests: the desktop toolkit did not open: " << failure << "\n";
    return 1;
  }
  sigpatch::testing::theToolkit = dynamic_cast<toolkit::qt::QtWindowing*>(windowing.get());
  const int result = RUN_ALL_TESTS();
  sigpatch::testing::theToolkit = nullptr;
  windowing.reset();
  return result;
}
