#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Form.h"

namespace sigpatch::platform {

/// What the program knows of itself: title, executable and version information.
struct ProgramInfo {
  std::u16string Title;
  /// The executable's name without folder and extension ("sigpatch").
  std::u16string EXEName;
  /// The folder that holds the executable, without a trailing separator.
  std::u16string Path;
  std::int32_t Major = 0;
  std::int32_t Minor = 0;
  std::int32_t Revision = 0;
  std::u16string CompanyName;
  std::u16string Comments;
  std::u16string LegalCopyright;
};

/// The title line of every window and of "LatestRunVersion": the title, " V",
/// the major version, the minor and the revision with at least two digits
/// ("Sigpatch V1.01.02").
std::u16string titleLine(const ProgramInfo& app);

enum class MsgBoxStyle {
  OkOnly,
  /// OK button with the critical-stop icon.
  Critical,
};

/// The windowing layer: the program's facts, its message box, its event pump and
/// the immediate stop.
class Windowing {
 public:
  virtual ~Windowing() = default;

  virtual const ProgramInfo& App() const = 0;
  /// The argument string: the command line less the program's own name, as typed.
  virtual std::u16string Command() const = 0;

  /// A message box with only an OK button; returns when the user has closed it.
  /// An empty title stands for the program title.
  void MsgBox(std::u16string_view prompt, MsgBoxStyle style = MsgBoxStyle::OkOnly,
              std::u16string_view title = {}) {
    ShowMessageBox(prompt, style, title.empty() ? std::u16string_view(App().Title) : title);
  }

  /// The screen: twips per pixel and the screen-wide mouse pointer.
  virtual platform::Screen& Screen() = 0;

  /// Lets the queued window events run once; their handlers run inside this call.
  virtual void DoEvents() = 0;

  /// Ends the whole program at once: no further code of the program runs.
  [[noreturn]] virtual void End() = 0;

 protected:
  virtual void ShowMessageBox(std::u16string_view prompt, MsgBoxStyle style,
                              std::u16string_view title) = 0;
};

}  // namespace sigpatch::platform
