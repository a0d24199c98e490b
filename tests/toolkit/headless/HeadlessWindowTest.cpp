#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "fakes/FakePlatform.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "toolkit/headless/HeadlessWindow.h"

namespace sigpatch::toolkit::headless {
namespace {

std::int32_t faultOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

class HeadlessWindowTest : public ::testing::Test {
 protected:
  HeadlessWindowTest() {
    FormDesign design;
    design.Name = u"frmTest", design.ScaleWidth = 3000, design.ScaleHeight = 2000;
    design.KeyPreview = true;
    window = fake.windowing.NewForm(design);
  }

  HeadlessWindow& form() { return static_cast<HeadlessWindow&>(*window); }

  fakes::FakePlatform fake;
  std::unique_ptr<Window> window;
};

TEST_F(HeadlessWindowTest, TheLifeCycleAndItsEvents) {
  std::vector<std::string> events;
  window->OnLoad = [&] { events.push_back("load"); };
  window->OnResize = [&] { events.push_back("resize"); };
  window->OnUnload = [&] { events.push_back("unload"); };
  window->OnKeyUp = [&](std::int16_t key, std::int16_t shift) {
    events.push_back("key " + std::to_string(key) + " " + std::to_string(shift));
  };
  window->Unload();  // never loaded: nothing happens
  form().UserResize(2000, 1000);
  window->Load();
  window->Load();
  EXPECT_TRUE(!window->IsVisible() && window->hWnd() != 0);
  window->Show();
  window->Show();
  window->Hide();
  window->Show();  // only the first showing runs the resize event
  form().UserResize(1000, 500);
  EXPECT_EQ(std::pair(window->Width(), window->Height()), std::pair(1000.0 + 120, 500.0 + 450));
  window->SetWindowState(kWindowMinimized);
  window->SetWindowState(kWindowMinimized);
  form().PressKey(kKeyF1, 1);
  window->Unload();
  window->Unload();
  EXPECT_TRUE(!window->IsLoaded() && window->hWnd() == 0);
  FormDesign plain;  // without key preview: keys go to the controls
  plain.Name = u"frmPlain";
  auto other = fake.windowing.NewForm(plain);
  other->OnKeyUp = [&](std::int16_t, std::int16_t) { events.push_back("plain key"); };
  static_cast<HeadlessWindow&>(*other).PressKey(kKeyF1);
  fake.windowing.Queue([this] { form().ClickCloseBox(); });
  window->Show(ShowMode::Modal);  // returns when the window is closed
  EXPECT_EQ(events, (std::vector<std::string>{"load", "resize", "resize", "resize", "key 112 1",
                                              "unload", "load", "resize", "unload"}));
}

TEST_F(HeadlessWindowTest, ControlsPicturesAndPanels) {
  auto& bar = window->AddStatusBar(ControlDesign::At(u"sbInfo", 0, 0, 0, 375), {{u"Info", u"x"}});
  bar.SetPanelText(u"INFO", u"Working");
  EXPECT_EQ(bar.PanelText(u"info"), u"Working");
  EXPECT_EQ(faultOf([&] { bar.PanelText(u"Other"); }), 35600);
  EXPECT_EQ(faultOf([&] { form().ButtonNamed(u"sbInfo"); }), 35600);
  // Enter clicks the default button, Esc the cancel button.
  ButtonDesign yes, no;
  yes.Default = true, no.Cancel = true;
  std::string clicks;
  window->AddButton(ControlDesign::At(u"cmdNo", 0, 0, 9, 9, 1), no).OnClick = [&] {
    clicks += "no ";
  };
  window->AddButton(ControlDesign::At(u"cmdYes", 0, 0, 9, 9, 0), yes).OnClick = [&] {
    clicks += "yes ";
  };
  form().PressEnter();
  form().PressEscape();
  EXPECT_EQ(clicks, "yes no ");
  // Each load is a picture of its own; an image takes its picture's size.
  const auto picture = fake.windowing.LoadPicture(u"pin-unpinned.png");
  EXPECT_NE(picture.Handle(), fake.windowing.LoadPicture(u"pin-unpinned.png").Handle());
  EXPECT_EQ(faultOf([&] { fake.windowing.LoadPicture(u"nothing.png"); }), 53);
  auto& image = window->AddImage(ControlDesign::At(u"img", 10, 20, 255, 255), {});
  fake.windowing.screen.twipsPerPixelX = 12;
  image.SetPicture(picture);
  EXPECT_EQ(std::pair(image.Width(), image.Height()), std::pair(16.0 * 12, 11.0 * 15));
}

TEST_F(HeadlessWindowTest, ARichTextBoxColoursItsSelectionWithinItsText) {
  auto& box = static_cast<HeadlessRichTextBox&>(
      window->AddRichTextBox(ControlDesign::At(u"tbo", 0, 0, 9, 9)));
  box.SetText(u"abcdef");
  box.SetSelStart(2);
  box.SetSelLength(2);
  box.SetSelColor(255);
  EXPECT_EQ(box.Runs(), (std::vector<ColoredText>{{u"ab", 0}, {u"cd", 255}, {u"ef", 0}}));
  box.SetSelText(u"X");
  box.SetSelColor(0xFF0000);
  box.SetSelText(u"Y");
  EXPECT_EQ(box.SelStart(), 4);
  box.SetSelStart(3);  // text put in takes the colour of the text before it
  box.SetSelText(u"Z");
  EXPECT_EQ(box.Runs(),
            (std::vector<ColoredText>{{u"ab", 0}, {u"XZ", 255}, {u"Y", 0xFF0000}, {u"ef", 0}}));
  box.SetSelStart(99);  // positions beyond the text stop at its end
  EXPECT_EQ(box.SelStart(), 7);
  box.SetSelStart(1);
  box.SetSelLength(99);
  EXPECT_EQ(box.SelLength(), 6);
}

TEST_F(HeadlessWindowTest, AWaitEndsWithTheFirstEventsThatRunOrAtItsDeadline) {
  using std::chrono::milliseconds;
  const auto start = fake.clock.now;
  int ran = 0;
  fake.windowing.Queue([&] { ++ran; });
  fake.windowing.QueueAfter(milliseconds(1000), [&] { ++ran; });
  const auto wait = [&](milliseconds until) {
    fake.windowing.WaitForEvents(start + until);
    return std::pair(ran, std::chrono::duration_cast<milliseconds>(fake.clock.now - start));
  };
  EXPECT_EQ(wait(milliseconds(3000)), std::pair(1, milliseconds(0)));
  EXPECT_EQ(wait(milliseconds(3000)), std::pair(2, milliseconds(1000)));
  EXPECT_EQ(wait(milliseconds(3000)), std::pair(2, milliseconds(3000)));
  EXPECT_EQ(wait(milliseconds(0)), std::pair(2, milliseconds(3000)));  // a deadline past
}

// A drive list and a folder list over drives c: (with the current folder), d:
// and e: (not ready). Each row goes on from the one above it; then the fault,
// the drive, the folder and the change events.
TEST_F(HeadlessWindowTest, TheDriveAndFolderLists) {
  auto& folders = fake.windowing.folders;
  folders = fakes::FakeFolders(PathStyle::Windows);
  folders.drives = {u"c:", u"d:", u"e:"};
  folders.AddFolder(u"D:\\Updates");
  folders.notReady.insert(u"e:");
  auto& drives = window->AddDriveListBox(ControlDesign::At(u"drv", 0, 0, 9, 9));
  auto& dirs = window->AddDirListBox(ControlDesign::At(u"dir", 0, 0, 9, 9));
  std::u16string changes;
  drives.OnChange = [&] { changes += u" drive"; };
  dirs.OnChange = [&] { changes += u" folder"; };
  const std::pair<std::function<void()>, std::u16string> rows[] = {
      {[] {}, u"0 c: C:\\Users\\user"},
      {[&] { drives.SetDrive(u"C:\\Windows"); }, u"0 c: C:\\Users\\user"},
      {[&] { drives.SetDrive(u"d:\\x"); }, u"0 d: C:\\Users\\user drive"},
      {[&] { drives.SetDrive(u"E:\\x"); }, u"68 d: C:\\Users\\user"},
      {[&] { dirs.SetPath(u"E:\\x"); }, u"68 d: C:\\Users\\user"},
      {[&] { dirs.SetPath(u"D:\\x"); }, u"76 d: C:\\Users\\user"},
      {[&] { dirs.SetPath(u"D:\\Updates"); }, u"0 d: D:\\Updates folder"},
      {[&] { dirs.SetPath(u"D:\\Updates"); }, u"0 d: D:\\Updates folder"},
      {[&] { dirs.SetPath(u"d:"); }, u"0 d: D:\\ folder"},
      {[&] { dirs.SetPath(u"c:"); }, u"0 d: C:\\Users\\user folder"},
      {[&] { dirs.SetPath(u"c:\\"); }, u"0 d: C:\\ folder"}};
  for (const auto& [act, expected] : rows) {
    changes.clear();
    const auto fault = faultOf(act);
    EXPECT_EQ(text::dec(fault) + u" " + drives.Drive() + u" " + dirs.Path() + changes, expected);
  }
}

}  // namespace
}  // namespace sigpatch::toolkit::headless
