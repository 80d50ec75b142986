// How the list window's sizes in pixels follow the DPI of its window. At
// 96 DPI every size is the one the list has always had.
#pragma once

namespace corvela {

constexpr int BASE_DPI = 96;
// From this DPI on the type icons come from the strip of 32 x 32 cells.
constexpr int LARGE_ICON_DPI = 144;
constexpr int SMALL_ICON_SIZE = 16;
constexpr int LARGE_ICON_SIZE = 32;

// A size of `pixels` at 96 DPI, at `dpi`, to the nearest pixel. A DPI that
// is not positive counts as 96.
int ScaleForDpi(int pixels, int dpi);

// The edge of the type icons' cells at `dpi`.
int IconCellSize(int dpi);

struct VisibleColumnWidths {
    int name;
    int size_text;
    int big_marker;
};

// The widths of the columns the user sees, for the control's client width
// and the widest size text and big-file marker in the list (in pixels of
// the list's font; 0 when there is none). The size and marker columns keep
// their 96-DPI widths scaled to the DPI, and grow where a text would not fit
// with the list's margins; the name column takes the rest but room for a
// vertical scroll bar, modulo 65536 as the list view receives it.
VisibleColumnWidths FitVisibleColumns(int client_width, int dpi, int widest_size_text, int widest_marker);

}  // namespace corvela
