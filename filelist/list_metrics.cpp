#include "filelist/list_metrics.h"

#include <algorithm>
#include <cstdint>

#include "filelist/columns.h"

namespace corvela {
namespace {

// The room a list view keeps around a column's text, at 96 DPI.
constexpr int COLUMN_TEXT_MARGIN = 12;
// What the name column leaves beside the two columns: room for a scroll bar.
constexpr int SCROLL_BAR_ROOM = NAME_COLUMN_MARGIN - SIZE_TEXT_COLUMN_WIDTH - BIG_MARKER_COLUMN_WIDTH;

int FitText(int base_width, int widest_text, int dpi) {
    const int needed = widest_text > 0 ? widest_text + ScaleForDpi(COLUMN_TEXT_MARGIN, dpi) : 0;
    return std::max(ScaleForDpi(base_width, dpi), needed);
}

}  // namespace

int ScaleForDpi(int pixels, int dpi) {
    if (dpi <= 0) dpi = BASE_DPI;
    const int64_t scaled = static_cast<int64_t>(pixels) * dpi;
    const int64_t half = BASE_DPI / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / BASE_DPI : (scaled - half) / BASE_DPI);
}

int IconCellSize(int dpi) { return dpi >= LARGE_ICON_DPI ? LARGE_ICON_SIZE : SMALL_ICON_SIZE; }

VisibleColumnWidths FitVisibleColumns(int client_width, int dpi, int widest_size_text, int widest_marker) {
    VisibleColumnWidths widths;
    widths.size_text = FitText(SIZE_TEXT_COLUMN_WIDTH, widest_size_text, dpi);
    widths.big_marker = FitText(BIG_MARKER_COLUMN_WIDTH, widest_marker, dpi);
    widths.name = static_cast<uint16_t>(client_width - widths.size_text - widths.big_marker -
                                        ScaleForDpi(SCROLL_BAR_ROOM, dpi));
    return widths;
}

}  // namespace corvela
