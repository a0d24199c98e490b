#pragma once

// The system's headers of the windowing toolkit: the common controls, the
// rich-edit control and the imaging component, after <windows.h>.

#include "platform/win32/WindowsHeaders.h"
// After <windows.h>:
#include <commctrl.h>
#include <richedit.h>
#include <wincodec.h>

#undef LoadImage
#undef DrawText
#undef GetObject
