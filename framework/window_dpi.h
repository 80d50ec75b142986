// The DPI a window is drawn at.
#pragma once

#include <windows.h>

namespace corvela {

// What the platform reports for the window where it tells the DPI of each
// window (GetDpiForWindow, looked up at run time so that the module loads
// where it is missing), else the LOGPIXELSX of the window's device context.
int WindowDpi(HWND window);

}  // namespace corvela
