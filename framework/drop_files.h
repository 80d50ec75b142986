// The block the shell hands a window with WM_DROPFILES.
#pragma once

#include <windows.h>

#include "common/text.h"

namespace corvela {

// A movable global DROPFILES block with the paths as wide names, dropped at
// `point` of the receiving window's client area. The window that receives
// it frees it (DragFinish); null when memory is short.
HGLOBAL NewDropFiles(const TextList& paths, POINT point);

}  // namespace corvela
