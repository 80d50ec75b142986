#include "framework/window_dpi.h"

namespace corvela {

int WindowDpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (get_dpi_for_window) {
        if (const UINT dpi = get_dpi_for_window(window)) return static_cast<int>(dpi);
    }
    HDC dc = GetDC(window);
    if (!dc) return 0;
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(window, dc);
    return dpi;
}

}  // namespace corvela
