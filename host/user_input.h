// What a user does to an object in the page, delivered as the system
// delivers it: a shell drop posts WM_DROPFILES with a DROPFILES block to the
// window under the drop point that accepts files, a click posts the mouse
// button messages to the window under the pointer, and a key press posts the
// key's messages to the window that has the keyboard focus.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/text.h"

namespace corvela {

// Drops `paths` on the middle of `object_window`; false when no window
// there takes dropped files.
bool DropFiles(HWND object_window, const TextList& paths);
// Clicks (or double clicks) at `point` of `object_window`'s client area.
void Click(HWND object_window, POINT point, bool double_click);
// Presses and releases the key `key` (a virtual-key code) in the window with
// the focus, or in `no_focus` when no window of this thread has it.
void PressKey(uint32_t key, HWND no_focus);

}  // namespace corvela
