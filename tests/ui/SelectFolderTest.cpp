#include <gtest/gtest.h>

#include <optional>
#include <ostream>

#include "fakes/FakePlatform.h"
#include "fakes/FakeSystem.h"
#include "runtime/RuntimeError.h"
#include "ui/SelectFolder.h"
#include "ui/frmSelectFolder.h"

namespace sigpatch {
namespace {

using runtime::PathStyle;

// The folders of one path style: the current folder on the first drive, a
// preset folder on a second drive and a drive that is not ready.
struct Layout {
  PathStyle style;
  std::u16string current;  // the process's current folder
  std::u16string otherDrive;
  std::u16string preset;  // a folder on the other drive, as the user would write it
  std::u16string presetShown;
  std::u16string unreadyDrive;
  std::u16string unreadyPath;
  std::u16string typed;
  std::u16string typedResult;
  std::u16string emptyResult;
};

void PrintTo(const Layout& layout, std::ostream* os) {
  *os << (layout.style == PathStyle::Windows ? "Windows" : "POSIX") << " paths";
}

const Layout kWindows{
    PathStyle::Windows, u"C:\\Users\\user", u"d:",         u"D:\\Updates", u"D:\\Updates\\", u"e:",
    u"E:\\Sigfetch",    u"C:\\Temp",        u"C:\\Temp\\", u"\\"};
const Layout kPosix{
    PathStyle::Posix, u"/home/user",          u"/srv", u"/srv/updates", u"/srv/updates/",
    u"/media/usb",    u"/media/usb/sigfetch", u"/tmp", u"/tmp/",        u"/"};

class SelectFolderTest : public ::testing::TestWithParam<Layout> {
 protected:
  SelectFolderTest() {
    const auto& layout = GetParam();
    auto& folders = fake.windowing.folders;
    folders = fakes::FakeFolders(layout.style);
    folders.drives.push_back(layout.otherDrive);
    folders.drives.push_back(layout.unreadyDrive);
    folders.notReady.insert(layout.unreadyDrive);
    folders.AddFolder(layout.preset);
    folders.AddFolder(layout.unreadyPath);
    fake.Set([&](platform::Platform& services) { services.system = &system; });
    chooser_.emplace(layout.style);
    chooser().SetApplication(nullptr);
  }

  SelectFolder& chooser() { return *chooser_; }

  toolkit::headless::HeadlessWindow& dialog() { return fake.windowing.Form(u"frmSelectFolder"); }
  toolkit::headless::HeadlessTextBox& pathBox() { return dialog().TextBoxNamed(u"tboPath"); }

  // Shows the dialog; `user` acts while it is open.
  void Show(std::function<void()> user) {
    fake.windowing.Queue(std::move(user));
    chooser().ShowMain();
  }

  fakes::FakePlatform fake;
  fakes::FakeSystem system;
  std::optional<SelectFolder> chooser_;
};

TEST_P(SelectFolderTest, OkTakesTheTypedPathWithItsFinalSeparator) {
  const auto& layout = GetParam();
  Show([&] {
    pathBox().Type(layout.typed);
    dialog().ButtonNamed(u"cmdOK").Click();
  });
  EXPECT_TRUE(chooser().OK());
  EXPECT_EQ(chooser().Path(), layout.typedResult);
  EXPECT_FALSE(dialog().IsLoaded());
  EXPECT_EQ(fake.windowing.screen.mousePointer, toolkit::kPointerHourglass);
}

TEST_P(SelectFolderTest, OkKeepsAFinalSeparatorThatIsThere) {
  const auto& layout = GetParam();
  Show([&] {
    pathBox().Type(layout.typedResult);
    dialog().ButtonNamed(u"cmdOK").Click();
  });
  EXPECT_EQ(chooser().Path(), layout.typedResult);
}

TEST_P(SelectFolderTest, OkWithAnEmptyPathBoxGivesTheSeparatorAlone) {
  Show([&] {
    pathBox().Type(u"");
    dialog().ButtonNamed(u"cmdOK").Click();
  });
  EXPECT_TRUE(chooser().OK());
  EXPECT_EQ(chooser().Path(), GetParam().emptyResult);
}

TEST_P(SelectFolderTest, OkTakesAFolderThatDoesNotExist) {
  const auto sep = std::u16string(1, runtime::separatorOf(GetParam().style));
  Show([&] {
    pathBox().Type(GetParam().current + sep + u"nowhere");
    dialog().ButtonNamed(u"cmdOK").Click();
  });
  EXPECT_EQ(chooser().Path(), GetParam().current + sep + u"nowhere" + sep);
}

TEST_P(SelectFolderTest, CancelLeavesOkFalseAndThePathAsItWas) {
  const auto& layout = GetParam();
  chooser().SetPath(layout.current);
  Show([&] {
    dialog().DriveListBoxNamed(u"drvSel").SetDrive(layout.preset);
    dialog().DirListBoxNamed(u"dirSel").SetPath(layout.preset);
    pathBox().Type(layout.typed);
    dialog().ButtonNamed(u"cmdCancel").Click();
  });
  EXPECT_FALSE(chooser().OK());
  EXPECT_EQ(chooser().Path(), layout.current);
  EXPECT_FALSE(dialog().IsLoaded());
}

TEST_P(SelectFolderTest, TheCloseBoxCancels) {
  chooser().SetPath(GetParam().preset);
  Show([&] {
    pathBox().Type(GetParam().typed);
    dialog().ClickCloseBox();
  });
  EXPECT_FALSE(chooser().OK());
  EXPECT_EQ(chooser().Path(), GetParam().preset);
}

TEST_P(SelectFolderTest, APresetPathIsSelectedAndShown) {
  const auto& layout = GetParam();
  chooser().SetPath(layout.preset);
  Show([&] {
    EXPECT_EQ(dialog().DriveListBoxNamed(u"drvSel").Drive(), layout.otherDrive);
    EXPECT_EQ(dialog().DirListBoxNamed(u"dirSel").Path(), layout.preset);
    EXPECT_EQ(pathBox().Text(), layout.presetShown);
    dialog().ButtonNamed(u"cmdOK").Click();
  });
  EXPECT_TRUE(chooser().OK());
  EXPECT_EQ(chooser().Path(), layout.presetShown);
}

TEST_P(SelectFolderTest, WithoutAPresetTheCurrentFolderIsShown) {
  const auto& layout = GetParam();
  const auto sep = std::u16string(1, runtime::separatorOf(layout.style));
  Show([&] {
    EXPECT_EQ(dialog().DirListBoxNamed(u"dirSel").Path(), layout.current);
    EXPECT_EQ(pathBox().Text(), layout.current + sep);
    dialog().ButtonNamed(u"cmdCancel").Click();
  });
}

TEST_P(SelectFolderTest, APresetOnADriveThatIsNotReadyLeavesTheCurrentFolderAndAnEmptyBox) {
  const auto& layout = GetParam();
  chooser().SetPath(layout.unreadyPath);
  Show([&] {
    EXPECT_EQ(dialog().DriveListBoxNamed(u"drvSel").Drive(), fake.windowing.folders.drives[0]);
    EXPECT_EQ(dialog().DirListBoxNamed(u"dirSel").Path(), layout.current);
    EXPECT_EQ(pathBox().Text(), u"");
    dialog().ButtonNamed(u"cmdCancel").Click();
  });
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_P(SelectFolderTest, ChoosingADriveThatIsNotReadyKeepsTheFolderList) {
  const auto& layout = GetParam();
  Show([&] {
    auto& drives = dialog().DriveListBoxNamed(u"drvSel");
    EXPECT_THROW(drives.SetDrive(layout.unreadyDrive), RuntimeError);
    dialog().DriveListBoxNamed(u"drvSel").SetDrive(layout.otherDrive);
    EXPECT_EQ(dialog().DirListBoxNamed(u"dirSel").Path().substr(0, 2), layout.preset.substr(0, 2));
    dialog().ButtonNamed(u"cmdCancel").Click();
  });
}

TEST_P(SelectFolderTest, ThePathBoxSelectsItsWholeTextWhenItGetsTheFocus) {
  Show([&] {
    pathBox().Focus();
    EXPECT_EQ(pathBox().SelStart(), 0);
    EXPECT_EQ(pathBox().SelLength(), static_cast<std::int32_t>(pathBox().Text().size()));
    dialog().ButtonNamed(u"cmdCancel").Click();
  });
}

TEST_P(SelectFolderTest, LoadingSetsTheDefaultPointerAndOkFalse) {
  fake.windowing.screen.mousePointer = toolkit::kPointerHourglass;
  chooser().SetOK(true);
  Show([&] {
    EXPECT_EQ(fake.windowing.screen.mousePointer, toolkit::kPointerDefault);
    EXPECT_FALSE(chooser().OK());
    dialog().ButtonNamed(u"cmdCancel").Click();
  });
}

TEST_P(SelectFolderTest, ADialogNobodyClosesIsAnError) {
  EXPECT_THROW(chooser().ShowMain(), fakes::ModalLeftOpen);
}

INSTANTIATE_TEST_SUITE_P(BothPathStyles, SelectFolderTest, ::testing::Values(kWindows, kPosix),
                         [](const auto& param) {
                           return param.param.style == PathStyle::Windows ? "Windows" : "Posix";
                         });

// The dialog's controls and layout.
class SelectFolderLayoutTest : public ::testing::Test {
 protected:
  SelectFolderLayoutTest() {
    fake.Set([&](platform::Platform& services) { services.system = &system; });
    chooser.SetApplication(nullptr);
    fake.windowing.Queue([] {});
  }

  toolkit::headless::HeadlessWindow& dialog() { return fake.windowing.Form(u"frmSelectFolder"); }

  fakes::FakePlatform fake;
  fakes::FakeSystem system;
  SelectFolder chooser;
};

TEST_F(SelectFolderLayoutTest, TheDesign) {
  auto& form = dialog();
  EXPECT_EQ(form.Caption(), u"Select Folder");
  EXPECT_TRUE(form.Icon().Empty());
  EXPECT_EQ(form.ScaleWidth(), 4470);
  EXPECT_EQ(form.ScaleHeight(), 3855);
  EXPECT_EQ(form.ButtonNamed(u"cmdOK").Caption(), u"&OK");
  EXPECT_EQ(form.ButtonNamed(u"cmdCancel").Caption(), u"&Cancel");
  for (auto* button : form.ButtonsInTabOrder()) {
    EXPECT_FALSE(button->Default());
    EXPECT_FALSE(button->Cancel());
  }
  EXPECT_EQ(form.TextBoxNamed(u"tboPath").Text(), u"");
  EXPECT_EQ(form.TextBoxNamed(u"tboPath").Design().TabIndex, 4);
  EXPECT_EQ(form.DriveListBoxNamed(u"drvSel").Design().TabIndex, 0);
  EXPECT_EQ(form.DirListBoxNamed(u"dirSel").Design().TabIndex, 1);
  EXPECT_FALSE(form.IsLoaded());
}

struct Sizes {
  double width, height;
  double okTop, cancelLeft, boxWidth, listHeight;
};

class SelectFolderResizeTest : public SelectFolderLayoutTest,
                               public ::testing::WithParamInterface<Sizes> {};

TEST_P(SelectFolderResizeTest, ControlsFollowTheInnerArea) {
  const auto sizes = GetParam();
  fake.windowing.Queue([&] {
    auto& form = dialog();
    form.UserResize(sizes.width, sizes.height);
    EXPECT_EQ(form.ButtonNamed(u"cmdOK").Top(), sizes.okTop);
    EXPECT_EQ(form.ButtonNamed(u"cmdCancel").Top(), sizes.okTop);
    EXPECT_EQ(form.ButtonNamed(u"cmdOK").Left(), 120);
    EXPECT_EQ(form.ButtonNamed(u"cmdCancel").Left(), sizes.cancelLeft);
    EXPECT_EQ(form.TextBoxNamed(u"tboPath").Width(), sizes.boxWidth);
    EXPECT_EQ(form.DriveListBoxNamed(u"drvSel").Width(), sizes.boxWidth);
    EXPECT_EQ(form.DirListBoxNamed(u"dirSel").Width(), sizes.boxWidth);
    EXPECT_EQ(form.DirListBoxNamed(u"dirSel").Height(), sizes.listHeight);
    EXPECT_EQ(form.TextBoxNamed(u"tboPath").Top(), 120);
    EXPECT_EQ(form.DriveListBoxNamed(u"drvSel").Top(), 480);
    EXPECT_EQ(form.DirListBoxNamed(u"dirSel").Top(), 840);
    form.ClickCloseBox();
  });
  chooser.ShowMain();
}

INSTANTIATE_TEST_SUITE_P(
    NormalAndTiny, SelectFolderResizeTest,
    ::testing::Values(Sizes{4470, 3855, 3360, 3135, 4230, 2400},  // the design size
                      Sizes{6000, 5000, 4505, 4665, 5760, 3545},
                      Sizes{100, 100, 395, 1235, 140, 565},  // below the margins
                      Sizes{0, 0, 495, 1335, 240, 465}));

TEST_F(SelectFolderLayoutTest, TheFirstShowingLaysOutAndCentres) {
  fake.windowing.Queue([&] {
    auto& form = dialog();
    EXPECT_EQ(form.ButtonNamed(u"cmdCancel").Left(), 3135);
    EXPECT_EQ(form.DirListBoxNamed(u"dirSel").Height(), 2400);
    // Work area 1024 x 738 pixels of 15 twips; the frame adds 120 x 450.
    EXPECT_EQ(form.Left(), 5385);  // (15360 - 4590) / 2
    EXPECT_EQ(form.Top(), 3382);   // (11070 - 4305) / 2, the half rounded down
    form.ClickCloseBox();
  });
  chooser.ShowMain();
}

}  // namespace
}  // namespace sigpatch
