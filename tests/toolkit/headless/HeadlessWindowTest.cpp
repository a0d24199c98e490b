// The memory windows under the fake toolkit and the terminal: what the program's windows do not
// show of them.

#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"
#include "runtime/RuntimeError.h"
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
  std::string events;
  window->OnLoad = [&] { events += "load "; };
  window->OnResize = [&] { events += "resize "; };
  window->OnUnload = [&] { events += "unload "; };
  window->OnKeyUp = [&](std::int16_t key, std::int16_t shift) {
    events += "key " + std::to_string(key) + " " + std::to_string(shift) + " ";
  };
  window->Unload();  // never loaded: nothing happens
  form().UserResize(2000, 1000);
  window->Load(), window->Load();
  EXPECT_TRUE(!window->IsVisible() && window->hWnd() != 0);
  window->Show(), window->Show(), window->Hide(), window->Show();  // the first showing resizes
  form().UserResize(1000, 500);
  EXPECT_EQ(std::pair(window->Width(), window->Height()), std::pair(1000.0 + 120, 500.0 + 450));
  window->OnQueryUnload = [](bool& cancel) { cancel = true; };
  form().ClickCloseBox();  // the window says no
  window->OnQueryUnload = nullptr;
  window->SetWindowState(kWindowMinimized), window->SetWindowState(kWindowMinimized);
  form().PressKey(kKeyF1, 1);
  window->Unload(), window->Unload();
  EXPECT_TRUE(!window->IsLoaded() && window->hWnd() == 0);
  FormDesign plain;  // without key preview: keys go to the controls
  plain.Name = u"frmPlain";
  auto other = fake.windowing.NewForm(plain);
  other->OnKeyUp = [&](std::int16_t, std::int16_t) { events += "plain key "; };
  static_cast<HeadlessWindow&>(*other).PressKey(kKeyF1);
  EXPECT_EQ(events, "load resize resize resize key 112 1 unload ");
}

// Enter clicks the default button, Esc the cancel button; an image takes its picture's size.
TEST_F(HeadlessWindowTest, ControlsAndPictures) {
  EXPECT_EQ(faultOf([&] { form().ButtonNamed(u"cmdNone"); }), 35600);
  ButtonDesign yes, no;
  yes.Default = true, no.Cancel = true;
  std::string clicks;
  window->AddButton(ControlDesign::At(u"cmdNo", 0, 0, 9, 9, 1), no).OnClick = [&] {
    clicks += "n";
  };
  window->AddButton(ControlDesign::At(u"cmdYes", 0, 0, 9, 9, 0), yes).OnClick = [&] {
    clicks += "y";
  };
  form().PressEnter(), form().PressEscape();
  EXPECT_EQ(clicks, "yn");
  const auto picture = fake.windowing.LoadPicture(u"pin-unpinned.png");
  EXPECT_EQ(faultOf([&] { fake.windowing.LoadPicture(u"nothing.png"); }), 53);
  auto& image = window->AddImage(ControlDesign::At(u"img", 10, 20, 255, 255), {});
  fake.windowing.screen.twipsPerPixelX = 12;
  image.SetPicture(picture);
  EXPECT_EQ(std::pair(image.Width(), image.Height()), std::pair(16.0 * 12, 11.0 * 15));
}

// Text put in takes the colour of the text before it; positions beyond the text stop at its end.
TEST_F(HeadlessWindowTest, ARichTextBoxColoursItsSelectionWithinItsText) {
  auto& box = static_cast<HeadlessRichTextBox&>(
      window->AddRichTextBox(ControlDesign::At(u"tbo", 0, 0, 9, 9)));
  box.SetText(u"abcdef");
  box.SetSelStart(2), box.SetSelLength(2), box.SetSelColor(255);
  EXPECT_EQ(box.Runs(), (std::vector<ColoredText>{{u"ab", 0}, {u"cd", 255}, {u"ef", 0}}));
  box.SetSelText(u"X"), box.SetSelColor(0xFF0000), box.SetSelText(u"Y");
  EXPECT_EQ(box.SelStart(), 4);
  box.SetSelStart(3), box.SetSelText(u"Z");
  EXPECT_EQ(box.Runs(),
            (std::vector<ColoredText>{{u"ab", 0}, {u"XZ", 255}, {u"Y", 0xFF0000}, {u"ef", 0}}));
  box.SetSelStart(99);
  EXPECT_EQ(box.SelStart(), 7);
  box.SetSelStart(1), box.SetSelLength(99);
  EXPECT_EQ(box.SelLength(), 6);
}

// A wait ends with the first events that run, or at its deadline; then the events run, the
// milliseconds passed.
TEST_F(HeadlessWindowTest, AWaitEndsWithTheFirstEventsThatRunOrAtItsDeadline) {
  using std::chrono::milliseconds;
  const auto start = fake.clock.now;
  int ran = 0;
  fake.windowing.Queue([&] { ++ran; });
  fake.windowing.QueueAfter(milliseconds(1000), [&] { ++ran; });
  std::string waits;
  for (const int until : {3000, 3000, 3000, 0}) {
    fake.windowing.WaitForEvents(start + milliseconds(until));
    const auto took = std::chrono::duration_cast<milliseconds>(fake.clock.now - start);
    waits += std::to_string(ran) + " " + std::to_string(took.count()) + ", ";
  }
  EXPECT_EQ(waits, "1 0, 2 1000, 2 3000, 2 3000, ");
}

// Over drives c: (with the current folder) and d:: the fault, the drive, the folder and the change
// events.
TEST_F(HeadlessWindowTest, TheDriveAndFolderLists) {
  fake.windowing.folders = fakes::FakeFolders(PathStyle::Windows);
  fake.windowing.folders.drives = {u"c:", u"d:"};
  fake.windowing.folders.AddFolder(u"D:\\Updates");
  auto& drives = window->AddDriveListBox(ControlDesign::At(u"drv", 0, 0, 9, 9));
  auto& dirs = window->AddDirListBox(ControlDesign::At(u"dir", 0, 0, 9, 9));
  std::u16string changes;
  drives.OnChange = [&] { changes += u" drive"; };
  dirs.OnChange = [&] { changes += u" folder"; };
  const std::pair<std::function<void()>, std::u16string> rows[] = {
      {[&] { drives.SetDrive(u"C:\\Windows"); }, u"0 c: C:\\Users\\user"},
      {[&] { dirs.SetPath(u"D:\\x"); }, u"76 c: C:\\Users\\user"},
      {[&] { dirs.SetPath(u"d:"); }, u"0 c: D:\\ folder"}};
  for (const auto& [act, expected] : rows) {
    changes.clear();
    const auto fault = faultOf(act);
    EXPECT_EQ(text::dec(fault) + u" " + drives.Drive() + u" " + dirs.Path() + changes, expected);
  }
}

}  // namespace
}  // namespace sigpatch::toolkit::headless
