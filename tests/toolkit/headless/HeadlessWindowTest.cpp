#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "fakes/FakePlatform.h"
#include "runtime/RuntimeError.h"
#include "toolkit/headless/HeadlessWindow.h"

namespace sigpatch::toolkit::headless {
namespace {

using namespace std::chrono_literals;

class HeadlessWindowTest : public ::testing::Test {
 protected:
  HeadlessWindowTest() {
    FormDesign design;
    design.Name = u"frmTest";
    design.Caption = u"Test";
    design.ScaleWidth = 3000;
    design.ScaleHeight = 2000;
    design.KeyPreview = true;
    window = fake.windowing.NewForm(design);
    window->OnLoad = [this] { events.push_back("load"); };
    window->OnResize = [this] { events.push_back("resize"); };
    window->OnUnload = [this] { events.push_back("unload"); };
    window->OnKeyUp = [this](std::int16_t key, std::int16_t shift) {
      events.push_back("key " + std::to_string(key) + " " + std::to_string(shift));
    };
  }

  HeadlessWindow& form() { return static_cast<HeadlessWindow&>(*window); }

  fakes::FakePlatform fake;
  std::unique_ptr<Window> window;
  std::vector<std::string> events;
};

TEST_F(HeadlessWindowTest, MadeUnloadedLoadedOnceShownWithAResize) {
  EXPECT_FALSE(window->IsLoaded());
  EXPECT_EQ(window->hWnd(), 0);
  window->Load();
  window->Load();
  EXPECT_TRUE(window->IsLoaded());
  EXPECT_FALSE(window->IsVisible());
  EXPECT_NE(window->hWnd(), 0);
  window->Show();
  window->Show();
  EXPECT_TRUE(window->IsVisible());
  EXPECT_EQ(events, (std::vector<std::string>{"load", "resize"}));
}

TEST_F(HeadlessWindowTest, UnloadRunsItsEventOnceAndLoadingAgainRunsLoadAgain) {
  window->Show();
  window->Unload();
  window->Unload();
  EXPECT_FALSE(window->IsLoaded());
  EXPECT_FALSE(window->IsVisible());
  EXPECT_EQ(window->hWnd(), 0);
  window->Show();
  EXPECT_EQ(events, (std::vector<std::string>{"load", "resize", "unload", "load", "resize"}));
}

TEST_F(HeadlessWindowTest, UnloadingAWindowNeverLoadedDoesNothing) {
  window->Unload();
  EXPECT_TRUE(events.empty());
}

TEST_F(HeadlessWindowTest, ResizingAndMinimizingRunTheResizeEvent) {
  window->Show();
  form().UserResize(1000, 500);
  EXPECT_EQ(window->ScaleWidth(), 1000);
  EXPECT_EQ(window->ScaleHeight(), 500);
  EXPECT_EQ(window->Width(), 1000 + 120);
  EXPECT_EQ(window->Height(), 500 + 450);
  window->SetWindowState(kWindowMinimized);
  EXPECT_EQ(window->WindowState(), kWindowMinimized);
  EXPECT_EQ(events, (std::vector<std::string>{"load", "resize", "resize", "resize"}));
}

TEST_F(HeadlessWindowTest, KeysReachTheFormWithKeyPreview) {
  window->Show();
  form().PressKey(kKeyF1, 1);
  EXPECT_EQ(events.back(), "key 112 1");
}

TEST_F(HeadlessWindowTest, ModalShowReturnsWhenTheWindowIsClosed) {
  fake.windowing.Queue([this] { form().ClickCloseBox(); });
  window->Show(ShowMode::Modal);
  EXPECT_FALSE(window->IsLoaded());
  EXPECT_EQ(events, (std::vector<std::string>{"load", "resize", "unload"}));
}

TEST_F(HeadlessWindowTest, EnterAndEscClickTheDefaultAndCancelButtons) {
  ButtonDesign ok;
  ok.Caption = u"OK";
  ok.Default = true;
  ok.Cancel = true;
  auto& button = window->AddButton(ControlDesign::At(u"cmdOK", 0, 0, 100, 100, 0), ok);
  int clicks = 0;
  button.OnClick = [&] { ++clicks; };
  form().PressEnter();
  form().PressEscape();
  EXPECT_EQ(clicks, 2);
}

TEST_F(HeadlessWindowTest, TheStatusBarIsDockedAndFindsPanelsByKey) {
  auto& bar = window->AddStatusBar(ControlDesign::At(u"sbInfo", 0, 0, 0, 375), {{u"Info", u"x"}});
  EXPECT_EQ(bar.Top(), 2000 - 375);
  EXPECT_EQ(bar.Width(), 3000);
  bar.SetPanelText(u"INFO", u"Working");
  EXPECT_EQ(bar.PanelText(u"info"), u"Working");
  form().UserResize(4000, 1000);
  EXPECT_EQ(bar.Top(), 1000 - 375);
  EXPECT_EQ(bar.Width(), 4000);
  try {
    bar.PanelText(u"Other");
    FAIL() << "no fault";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), 35600);
  }
}

TEST_F(HeadlessWindowTest, AnImageTakesTheSizeOfItsPicture) {
  auto& image = window->AddImage(ControlDesign::At(u"img", 10, 20, 255, 255), {});
  fake.windowing.screen.twipsPerPixelX = 12;
  fake.windowing.screen.twipsPerPixelY = 15;
  image.SetPicture(fake.windowing.LoadPicture(u"pin-unpinned.png"));
  EXPECT_EQ(image.Width(), 16 * 12);
  EXPECT_EQ(image.Height(), 11 * 15);
  EXPECT_EQ(image.Left(), 10);
}

class RichTextBoxTest : public HeadlessWindowTest {
 protected:
  RichTextBoxTest()
      : box(static_cast<HeadlessRichTextBox&>(
            window->AddRichTextBox(ControlDesign::At(u"tbo", 0, 0, 100, 100)))) {}

  HeadlessRichTextBox& box;
};

TEST_F(RichTextBoxTest, InsertedTextTakesTheSelectionColour) {
  box.SetSelColor(255);
  box.SetSelText(u"red\r\n");
  EXPECT_EQ(box.SelStart(), 5);
  box.SetSelColor(0xFF0000);
  box.SetSelText(u"blue\r\n");
  EXPECT_EQ(box.Text(), u"red\r\nblue\r\n");
  EXPECT_EQ(box.TextLength(), 11);
  EXPECT_EQ(box.Runs(), (std::vector<ColoredText>{{u"red\r\n", 255}, {u"blue\r\n", 0xFF0000}}));
}

TEST_F(RichTextBoxTest, ASelectionIsReplacedAndRecoloured) {
  box.SetText(u"abcdef");
  box.SetSelStart(2);
  box.SetSelLength(2);
  box.SetSelColor(255);
  EXPECT_EQ(box.Runs(), (std::vector<ColoredText>{{u"ab", 0}, {u"cd", 255}, {u"ef", 0}}));
  box.SetSelText(u"X");
  EXPECT_EQ(box.Text(), u"abXef");
  EXPECT_EQ(box.SelStart(), 3);
  EXPECT_EQ(box.SelLength(), 0);
}

TEST_F(RichTextBoxTest, PositionsBeyondTheTextStopAtItsEnd) {
  box.SetText(u"abc");
  box.SetSelStart(99);
  EXPECT_EQ(box.SelStart(), 3);
  box.SetSelStart(1);
  box.SetSelLength(99);
  EXPECT_EQ(box.SelLength(), 2);
}

TEST_F(HeadlessWindowTest, AWindowKeptForItsOwnerGoesAfterItIsClosed) {
  struct Owner {
    std::unique_ptr<Window> form;
    bool* gone;
    ~Owner() { *gone = true; }
  };
  bool gone = false;
  {
    auto owner = std::make_shared<Owner>();
    owner->gone = &gone;
    FormDesign design;
    design.Name = u"frmKept";
    owner->form = fake.windowing.NewForm(design);
    owner->form->Show();
    fake.windowing.KeepWhileLoaded(*owner->form, owner);
  }
  EXPECT_FALSE(gone);
  fake.windowing.Form(u"frmKept").ClickCloseBox();
  EXPECT_FALSE(gone);  // its own handler might still run
  fake.windowing.DoEvents();
  EXPECT_TRUE(gone);
}

TEST_F(HeadlessWindowTest, WaitsRunQueuedEventsAndMoveTheClockToTheDeadline) {
  const auto start = fake.clock.now;
  int ran = 0;
  fake.windowing.Queue([&] { ++ran; });
  fake.windowing.WaitForEvents(start + 3s);
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(fake.clock.now, start);  // an event came: the wait ends
  fake.windowing.QueueAfter(1s, [&] { ++ran; });
  fake.windowing.WaitForEvents(start + 3s);
  EXPECT_EQ(ran, 2);
  EXPECT_EQ(fake.clock.now, start + 1s);
  fake.windowing.WaitForEvents(start + 3s);
  EXPECT_EQ(fake.clock.now, start + 3s);
  fake.windowing.WaitForEvents(start);  // past: returns at once
  EXPECT_EQ(fake.clock.now, start + 3s);
}

}  // namespace
}  // namespace sigpatch::toolkit::headless

namespace sigpatch::toolkit::headless {
namespace {

class ListBoxTest : public ::testing::Test {
 protected:
  ListBoxTest() {
    fake.windowing.folders = fakes::FakeFolders(PathStyle::Windows);
    fake.windowing.folders.drives = {u"c:", u"d:", u"e:"};
    fake.windowing.folders.AddFolder(u"D:\\Updates\\New");
    fake.windowing.folders.notReady.insert(u"e:");
    FormDesign design;
    design.Name = u"frmLists";
    window = fake.windowing.NewForm(design);
    drives = &window->AddDriveListBox(ControlDesign::At(u"drv", 0, 0, 10, 10));
    folders = &window->AddDirListBox(ControlDesign::At(u"dir", 0, 0, 10, 10));
    drives->OnChange = [this] { ++driveChanges; };
    folders->OnChange = [this] { ++folderChanges; };
  }

  static std::int32_t faultOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const RuntimeError& e) {
      return e.Number();
    }
    return 0;
  }

  fakes::FakePlatform fake;
  std::unique_ptr<Window> window;
  DriveListBox* drives = nullptr;
  DirListBox* folders = nullptr;
  int driveChanges = 0;
  int folderChanges = 0;
};

TEST_F(ListBoxTest, BothStartOnTheCurrentFolderWithoutAChange) {
  EXPECT_EQ(drives->Drive(), u"c:");
  EXPECT_EQ(folders->Path(), u"C:\\Users\\user");
  EXPECT_EQ(driveChanges + folderChanges, 0);
}

TEST_F(ListBoxTest, ADriveIsSelectedByAnyPathOnItAndChangesOnlyWhenItIsAnother) {
  drives->SetDrive(u"C:\\Windows");
  EXPECT_EQ(driveChanges, 0);
  drives->SetDrive(u"d:\\whatever");
  EXPECT_EQ(drives->Drive(), u"d:");
  EXPECT_EQ(driveChanges, 1);
}

TEST_F(ListBoxTest, ADriveThatIsNotReadyIsDeviceUnavailable) {
  EXPECT_EQ(faultOf([&] { drives->SetDrive(u"E:\\Sigfetch"); }), 68);
  EXPECT_EQ(drives->Drive(), u"c:");
  EXPECT_EQ(faultOf([&] { folders->SetPath(u"E:\\Sigfetch"); }), 68);
  EXPECT_EQ(driveChanges + folderChanges, 0);
}

TEST_F(ListBoxTest, AFolderThatDoesNotExistIsPathNotFound) {
  EXPECT_EQ(faultOf([&] { folders->SetPath(u"D:\\Nowhere"); }), 76);
  EXPECT_EQ(folders->Path(), u"C:\\Users\\user");
  EXPECT_EQ(folderChanges, 0);
}

TEST_F(ListBoxTest, OpeningAFolderIsAChangeEvenWhenItWasOpen) {
  folders->SetPath(u"d:\\updates\\new\\");
  EXPECT_EQ(folders->Path(), u"D:\\Updates\\New");
  folders->SetPath(u"D:\\Updates\\New");
  EXPECT_EQ(folderChanges, 2);
}

TEST_F(ListBoxTest, ADriveAloneOpensTheCurrentFolderOnItOrItsRoot) {
  folders->SetPath(u"d:");
  EXPECT_EQ(folders->Path(), u"D:\\");
  folders->SetPath(u"c:");
  EXPECT_EQ(folders->Path(), u"C:\\Users\\user");
  folders->SetPath(u"c:\\");
  EXPECT_EQ(folders->Path(), u"C:\\");
}

}  // namespace
}  // namespace sigpatch::toolkit::headless
