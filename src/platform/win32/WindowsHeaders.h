#pragma once

// The system's headers, for the files of this folder. <windows.h> makes
// macros of the function names (CreateProcess stands for CreateProcessW); the
// platform interfaces carry some of those names as their own, so the macros
// that would rename them go, and this folder calls the wide functions by
// their full names.

#include <windows.h>
// After <windows.h>:
#include <io.h>
#include <lmcons.h>
#include <objbase.h>
#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <winnetwk.h>

#undef CopyFile
#undef CreateProcess
#undef DeleteFile
#undef ExitWindows
#undef FindFirstFile
#undef FormatMessage
#undef GetComputerName
#undef GetLongPathName
#undef GetShortPathName
#undef GetSystemDirectory
#undef GetTempPath
#undef GetUserName
#undef GetVersionEx
#undef GetWindowsDirectory
#undef ShellAbout
#undef ShellExecute
