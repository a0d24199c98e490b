#include "platform/win32/Win32Program.h"

#include "platform/win32/Wide.h"
#include "platform/win32/WindowsHeaders.h"
#include "resources/VersionInfo.h"

namespace sigpatch::platform::win32 {
namespace {

std::u16string modulePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  while (true) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return u"sigpatch.exe";
    if (length < buffer.size()) return fromWide(std::wstring_view(buffer.data(), length));
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

ProgramInfo currentProgramInfo() {
  const std::u16string path = modulePath();
  const auto slash = path.find_last_of(u"\\/");
  const std::u16string folder = slash == std::u16string::npos ? u"." : path.substr(0, slash);
  std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
  if (const auto dot = name.rfind(u'.'); dot != std::u16string::npos && dot > 0) name.resize(dot);
  // A program in the root of a drive lives in "C:\", not "C:".
  return resources::programInfo(name,
                                folder.size() == 2 && folder[1] == u':' ? folder + u"\\" : folder);
}

std::u16string argumentsOf(std::u16string_view commandLine) {
  std::size_t at = 0;
  if (at < commandLine.size() && commandLine[at] == u'"') {
    const auto close = commandLine.find(u'"', at + 1);
    at = close == std::u16string_view::npos ? commandLine.size() : close + 1;
  }
  while (at < commandLine.size() && commandLine[at] != u' ' && commandLine[at] != u'\t') ++at;
  while (at < commandLine.size() && (commandLine[at] == u' ' || commandLine[at] == u'\t')) ++at;
  return std::u16string(commandLine.substr(at));
}

std::u16string currentArguments() { return argumentsOf(fromWide(::GetCommandLineW())); }

}  // namespace sigpatch::platform::win32
