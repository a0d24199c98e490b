#include "toolkit/win32/Win32RichTextBox.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/Wide.h"
#include "toolkit/win32/Win32UiHeaders.h"
#include "toolkit/win32/Win32Windowing.h"

namespace sigpatch::toolkit::win32 {

using platform::win32::fromWide;
namespace {

struct StreamSource {
  const char16_t* data;
  std::size_t left;
};

DWORD CALLBACK readSource(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
  auto* source = reinterpret_cast<StreamSource*>(cookie);
  const std::size_t units =
      std::min<std::size_t>(source->left, static_cast<std::size_t>(wanted) / 2);
  std::memcpy(buffer, source->data, units * 2);
  source->data += units;
  source->left -= units;
  *given = static_cast<LONG>(units * 2);
  return 0;
}

// How long the box may go without drawing while the program changes it.
constexpr UINT kRedrawDelay = 100;
constexpr UINT_PTR kRedrawTimer = 1;
}  // namespace

void CALLBACK Win32RichTextBox::RedrawNow(HWND box, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(box, timer);
  if (auto* self = reinterpret_cast<Win32RichTextBox*>(::GetWindowLongPtrW(box, GWLP_USERDATA))) {
    self->redrawPending_ = false;
  }
  // The box shows its insertion point, as it would after each change.
  ::SendMessageW(box, EM_SCROLLCARET, 0, 0);
  ::SendMessageW(box, WM_SETREDRAW, TRUE, 0);
  // The frame and the scroll bar too: they were not drawn meanwhile either.
  ::RedrawWindow(box, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE);
}

Win32RichTextBox::Win32RichTextBox(Win32Window& form, const ControlDesign& design)
    : Win32Control(form, design,
                   form.NewChild(MSFTEDIT_CLASS, u"",
                                 WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY |
                                     ES_NOHIDESEL | ES_SAVESEL,
                                 WS_EX_CLIENTEDGE)) {
  HWND box = Handle();
  ::SetWindowLongPtrW(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  // No limit on the text (the control's own is 32767 characters), no undo
  // history to grow with a long run, the program's colours on a white page.
  ::SendMessageW(box, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  ::SendMessageW(box, EM_SETUNDOLIMIT, 0, 0);
  ::SendMessageW(box, EM_SETBKGNDCOLOR, 0, RGB(255, 255, 255));
  ::SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(form.Windowing().FontOf(Font{})), FALSE);
  // Tab stops every half inch (720 twips), as the system's rich-text boxes set them.
  PARAFORMAT2 paragraph{};
  paragraph.cbSize = sizeof paragraph;
  paragraph.dwMask = PFM_TABSTOPS;
  paragraph.cTabCount = MAX_TAB_STOPS;
  for (int i = 0; i < MAX_TAB_STOPS; ++i) paragraph.rgxTabs[i] = 720 * (i + 1);
  ::SendMessageW(box, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
  SetSelColor(0);
}

Win32RichTextBox::~Win32RichTextBox() {
  ::KillTimer(Handle(), kRedrawTimer);
  ::SetWindowLongPtrW(Handle(), GWLP_USERDATA, 0);
}

std::u16string Win32RichTextBox::Text() const {
  GETTEXTLENGTHEX length{GTL_USECRLF | GTL_PRECISE | GTL_NUMCHARS, 1200};
  const auto units =
      ::SendMessageW(Handle(), EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
  std::wstring buffer(static_cast<std::size_t>(units) + 1, L'\0');
  GETTEXTEX get{};
  get.cb = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  get.flags = GT_USECRLF;
  get.codepage = 1200;
  const auto got = ::SendMessageW(Handle(), EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                  reinterpret_cast<LPARAM>(buffer.data()));
  buffer.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
  return fromWide(buffer);
}

std::int32_t Win32RichTextBox::TextLength() const {
  GETTEXTLENGTHEX length{GTL_USECRLF | GTL_PRECISE | GTL_NUMCHARS, 1200};
  return static_cast<std::int32_t>(
      ::SendMessageW(Handle(), EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
}

long Win32RichTextBox::ControlLength() const {
  GETTEXTLENGTHEX length{GTL_PRECISE | GTL_NUMCHARS, 1200};
  return static_cast<long>(
      ::SendMessageW(Handle(), EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
}

long Win32RichTextBox::ToControl(std::int32_t position) const {
  if (position <= 0) return 0;
  // The end, where every line is added, without reading the text.
  if (position >= TextLength()) return ControlLength();
  const auto text = Text();
  const auto end = std::min<std::size_t>(static_cast<std::size_t>(position), text.size());
  long control = 0;
  for (std::size_t i = 0; i < end; ++i) {
    // The "\n" of a pair is the same character of the control as its "\r".
    if (text[i] == u'\n' && i > 0 && text[i - 1] == u'\r') continue;
    ++control;
  }
  return control;
}

std::int32_t Win32RichTextBox::FromControl(long position) const {
  if (position <= 0) return 0;
  if (position >= ControlLength()) return TextLength();
  const auto text = Text();
  std::int32_t at = 0;
  long control = 0;
  while (control < position && static_cast<std::size_t>(at) < text.size()) {
    if (text[at] == u'\r' && static_cast<std::size_t>(at) + 1 < text.size() &&
        text[at + 1] == u'\n') {
      at += 2;
    } else {
      ++at;
    }
    ++control;
  }
  return at;
}

void Win32RichTextBox::DeferRedraw() const {
  // The control draws itself at once after every change, which takes longer
  // than the change itself; a run writes many lines one by one. The box draws
  // again once the program has left it alone for a moment (the event pump
  // runs the timer), so that a long run's lines still show as they come.
  if (redrawPending_) return;
  if (::SetTimer(Handle(), kRedrawTimer, kRedrawDelay, RedrawNow) == 0) return;
  ::SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
  redrawPending_ = true;
}

void Win32RichTextBox::Select(long start, long end) const {
  // Moving the selection moves the caret, which costs more than the change
  // of text; a selection that is in place already stays.
  CHARRANGE range{};
  ::SendMessageW(Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  if (range.cpMin == start && range.cpMax == end && end >= 0) return;
  DeferRedraw();
  range = {start, end};
  ::SendMessageW(Handle(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

std::int32_t Win32RichTextBox::SelStart() const {
  CHARRANGE range{};
  ::SendMessageW(Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  return FromControl(range.cpMin);
}

void Win32RichTextBox::SetSelStart(std::int32_t value) {
  const long at = ToControl(std::max(value, 0));
  Select(at, at);
}

std::int32_t Win32RichTextBox::SelLength() const {
  CHARRANGE range{};
  ::SendMessageW(Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  if (range.cpMax == range.cpMin) return 0;
  return FromControl(range.cpMax) - FromControl(range.cpMin);
}

void Win32RichTextBox::SetSelLength(std::int32_t value) {
  const std::int32_t start = SelStart();
  const std::int32_t end = std::clamp(start + std::max(value, 0), start, TextLength());
  Select(ToControl(start), ToControl(end));
}

std::int32_t Win32RichTextBox::SelColor() const {
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  format.dwMask = CFM_COLOR;
  ::SendMessageW(Handle(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  if ((format.dwEffects & CFE_AUTOCOLOR) != 0) return 0;
  return static_cast<std::int32_t>(format.crTextColor & 0xFFFFFF);
}

void Win32RichTextBox::SetSelColor(std::int32_t value) {
  DeferRedraw();
  // 0x00BBGGRR is the system's own colour value.
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  format.dwMask = CFM_COLOR;
  format.dwEffects = 0;
  format.crTextColor = static_cast<COLORREF>(value) & 0xFFFFFF;
  ::SendMessageW(Handle(), EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

void Win32RichTextBox::Insert(std::u16string_view value) const {
  // Read-only keeps out the user, not the program.
  DeferRedraw();
  StreamSource source{value.data(), value.size()};
  EDITSTREAM stream{};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
  stream.pfnCallback = readSource;
  ::SendMessageW(Handle(), EM_STREAMIN, SF_TEXT | SF_UNICODE | SFF_SELECTION,
                 reinterpret_cast<LPARAM>(&stream));
}

void Win32RichTextBox::SetSelText(std::u16string_view value) { Insert(value); }

void Win32RichTextBox::SetText(std::u16string_view value) {
  Select(0, -1);
  SetSelColor(0);
  Insert(value);
  Select(0, -1);
  SetSelColor(0);
  Select(0, 0);
}

}  // namespace sigpatch::toolkit::win32
