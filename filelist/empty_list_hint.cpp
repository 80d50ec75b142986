#include "filelist/empty_list_hint.h"

#include "common/constants.h"
#include "common/wide.h"
#include "filelist/list_metrics.h"
#include "framework/handles.h"
#include "framework/resources.h"

namespace corvela {
namespace {

constexpr int HINT_FONT_HEIGHT = 15;
const Text HINT_FONT_FACE = u"돋움";
constexpr COLORREF HINT_TEXT_COLOUR = RGB(121, 121, 121);
// The text starts 78 pixels from the left edge, its top 7 pixels above the
// middle line; the picture stands 37 pixels left of the text, centred on
// that line.
constexpr int HINT_TEXT_LEFT = 78;
constexpr int HINT_TEXT_RISE = 7;
constexpr int PICTURE_GAP = 37;
constexpr int PICTURE_RISE = 16;
// Above 96 DPI the picture is scaled from one drawn twice as large, which
// stays sharper than the small one stretched.
constexpr int LARGE_PICTURE_SCALE = 2;

// Restores what the painting changes on a borrowed surface (font, colours).
class SavedDcState {
public:
    explicit SavedDcState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    SavedDcState(const SavedDcState&) = delete;
    SavedDcState& operator=(const SavedDcState&) = delete;
    ~SavedDcState() { RestoreDC(dc_, saved_); }

private:
    HDC dc_;
    int saved_;
};

GdiObject HintFont(int dpi) {
    LOGFONTW font = {};
    font.lfHeight = ScaleForDpi(HINT_FONT_HEIGHT, dpi);
    font.lfWeight = FW_NORMAL;
    lstrcpynW(font.lfFaceName, W(HINT_FONT_FACE), LF_FACESIZE);
    return GdiObject(CreateFontIndirectW(&font));
}

// The picture with its top left corner at (left, top), at its 96-DPI size
// times dpi / 96.
void DrawPicture(HDC dc, int left, int top, int dpi) {
    const bool large = dpi > BASE_DPI;
    const UINT id = large ? IDB_EMPTY_LIST_PICTURE_LARGE : IDB_EMPTY_LIST_PICTURE;
    GdiObject picture(LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
    if (!picture) return;
    BITMAP size = {};
    GetObjectW(picture.Get(), sizeof(size), &size);
    MemoryDc source(CreateCompatibleDC(dc));
    if (!source) return;
    SelectObject(source.Get(), picture.Get());
    const int scale = large ? LARGE_PICTURE_SCALE : 1;
    const int width = ScaleForDpi(size.bmWidth / scale, dpi);
    const int height = ScaleForDpi(size.bmHeight / scale, dpi);
    if (width == size.bmWidth && height == size.bmHeight) {
        BitBlt(dc, left, top, width, height, source.Get(), 0, 0, SRCCOPY);
        return;
    }
    const int old_mode = SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, left, top, width, height, source.Get(), 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
    SetStretchBltMode(dc, old_mode);
}

}  // namespace

void PaintEmptyListHint(HDC dc, const RECT& client, const Text& hint, int dpi) {
    // Objects selected into `dc` are released only after the state is
    // restored, which deselects them.
    GdiObject font = HintFont(dpi);
    const COLORREF window_colour = GetSysColor(COLOR_WINDOW);
    GdiObject background(CreateSolidBrush(window_colour));
    SavedDcState state(dc);

    SelectObject(dc, font.Get());
    SetTextColor(dc, HINT_TEXT_COLOUR);
    SetBkColor(dc, window_colour);

    const int middle = (client.bottom - client.top) / 2;
    RECT text = client;
    text.left += ScaleForDpi(HINT_TEXT_LEFT, dpi);
    text.top = middle - ScaleForDpi(HINT_TEXT_RISE, dpi);
    FillRect(dc, &text, static_cast<HBRUSH>(background.Get()));
    DrawTextW(dc, W(hint), static_cast<int>(hint.size()), &text, DT_WORDBREAK | DT_NOCLIP | DT_NOPREFIX);
    DrawPicture(dc, text.left - ScaleForDpi(PICTURE_GAP, dpi), middle - ScaleForDpi(PICTURE_RISE, dpi), dpi);
}

}  // namespace corvela
