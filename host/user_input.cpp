#include "host/user_input.h"

#include "framework/drop_files.h"

namespace corvela {
namespace {

// The deepest visible window of `top`'s tree under `point`; `point` becomes
// a point of that window's client area.
HWND WindowAt(HWND top, POINT& point) {
    HWND window = top;
    while (true) {
        HWND child = ChildWindowFromPointEx(window, point, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (!child || child == window) return window;
        MapWindowPoints(window, child, &point, 1);
        window = child;
    }
}

}  // namespace

bool DropFiles(HWND object_window, const TextList& paths) {
    RECT client = {};
    GetClientRect(object_window, &client);
    POINT point = {client.right / 2, client.bottom / 2};
    HWND target = WindowAt(object_window, point);
    while (target && !(GetWindowLongPtrW(target, GWL_EXSTYLE) & WS_EX_ACCEPTFILES)) {
        if (target == object_window) return false;
        HWND parent = GetParent(target);
        MapWindowPoints(target, parent, &point, 1);
        target = parent;
    }
    if (!target) return false;
    HGLOBAL drop = NewDropFiles(paths, point);
    if (!drop) return false;
    if (PostMessageW(target, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0)) return true;
    GlobalFree(drop);
    return false;
}

// A double click reaches a window as a click followed by a second press
// that the system reports as WM_LBUTTONDBLCLK.
void Click(HWND object_window, POINT point, bool double_click) {
    HWND target = WindowAt(object_window, point);
    const LPARAM where = MAKELPARAM(point.x, point.y);
    PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PostMessageW(target, WM_LBUTTONUP, 0, where);
    if (!double_click) return;
    PostMessageW(target, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
    PostMessageW(target, WM_LBUTTONUP, 0, where);
}

// The key's scan code and a repeat count of one, as the keyboard sends them;
// a release also carries the previous state and the transition bits.
void PressKey(uint32_t key, HWND no_focus) {
    HWND focus = GetFocus();
    HWND target = focus ? focus : no_focus;
    const LPARAM press = 1 | (static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16);
    PostMessageW(target, WM_KEYDOWN, key, press);
    PostMessageW(target, WM_KEYUP, key, press | 0xC0000000);
}

}  // namespace corvela
