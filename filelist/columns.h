// The columns of a file entry. The list view is the only store of entries:
// every per-file value lives in a column, most of them of width 0.
#pragma once

namespace corvela {

enum FileColumn : int {
    COLUMN_NAME = 0,
    COLUMN_FILEPATH = 1,
    COLUMN_INFO1 = 2,
    COLUMN_INFO2 = 3,
    COLUMN_FILESIZE = 4,
    COLUMN_SIZE_TEXT = 5,
    COLUMN_BIG_MARKER = 6,
    COLUMN_USER_NAME = 7,
    COLUMN_BIG_FILE_PATH = 8,
    COLUMN_DRM = 9,
    COLUMN_COUNT = 10,
};

struct ColumnLayout {
    const char16_t* header;
    int width;  // pixels; the name column's width follows the control's width
};

// The widths at 96 DPI of the size and marker columns. The name column takes
// the client width but NAME_COLUMN_MARGIN: the two columns and room for a
// vertical scroll bar (FitVisibleColumns).
constexpr int NAME_COLUMN_MARGIN = 160;
constexpr int SIZE_TEXT_COLUMN_WIDTH = 75;
constexpr int BIG_MARKER_COLUMN_WIDTH = 65;

constexpr ColumnLayout COLUMN_LAYOUT[COLUMN_COUNT] = {
    {u"첨부파일", 0},
    {u"filepath", 0},
    {u"fileinfo1", 0},
    {u"fileinfo2", 0},
    {u"filesize", 0},
    {u"filesizeUI", SIZE_TEXT_COLUMN_WIDTH},
    {u"BigfilesizeUI", BIG_MARKER_COLUMN_WIDTH},
    {u"UserName", 0},
    {u"BigFilePathInfo", 0},
    {u"DRM", 0},
};

}  // namespace corvela
