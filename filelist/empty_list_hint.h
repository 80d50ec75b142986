// What the list window paints while it holds no entry: a page-with-plus
// picture and the hint text, side by side on the window colour at the
// vertical middle. At 96 DPI the sizes below are the pixels painted; at
// other DPIs they scale.
#pragma once

#include <windows.h>

#include "common/text.h"

namespace corvela {

// Paints the hint on `dc` for a client rectangle `client`, its picture, text
// and places scaled to `dpi`; the state of `dc` is left as it was found.
void PaintEmptyListHint(HDC dc, const RECT& client, const Text& hint, int dpi);

}  // namespace corvela
