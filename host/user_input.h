// What a user does to an object in the page, delivered as the system
// delivers it: a shell drop posts WM_DROPFILES with a DROPFILES block to the
// window under the drop point that accepts files, and a click posts the
// mouse button messages to the window under the pointer.
#pragma once

#include <windows.h>

#include "common/text.h"

namespace corvela {

// Drops `paths` on the middle of `object_window`; false when no window
// there takes dropped files.
bool DropFiles(HWND object_window, const TextList& paths);
// Clicks (or double clicks) at `point` of `object_window`'s client area.
void Click(HWND object_window, POINT point, bool double_click);

}  // namespace corvela
