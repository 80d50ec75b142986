#include "filelist/empty_list_hint.h"

#include "common/constants.h"
#include "common/wide.h"
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

GdiObject HintFont() {
    LOGFONTW font = {};
    font.lfHeight = HINT_FONT_HEIGHT;
    font.lfWeight = FW_NORMAL;
    lstrcpynW(font.lfFaceName, W(HINT_FONT_FACE), LF_FACESIZE);
    return GdiObject(CreateFontIndirectW(&font));
}

void DrawPicture(HDC dc, int left, int top) {
    GdiObject picture(LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDB_EMPTY_LIST_PICTURE), IMAGE_BITMAP, 0, 0, 0));
    if (!picture) return;
    BITMAP size = {};
    GetObjectW(picture.Get(), sizeof(size), &size);
    MemoryDc source(CreateCompatibleDC(dc));
    if (!source) return;
    SelectObject(source.Get(), picture.Get());
    BitBlt(dc, left, top, size.bmWidth, size.bmHeight, source.Get(), 0, 0, SRCCOPY);
}

}  // namespace

void PaintEmptyListHint(HDC dc, const RECT& client, const Text& hint) {
    // Objects selected into `dc` are released only after the state is
    // restored, which deselects them.
    GdiObject font = HintFont();
    const COLORREF window_colour = GetSysColor(COLOR_WINDOW);
    GdiObject background(CreateSolidBrush(window_colour));
    SavedDcState state(dc);

    SelectObject(dc, font.Get());
    SetTextColor(dc, HINT_TEXT_COLOUR);
    SetBkColor(dc, window_colour);

    const int middle = (client.bottom - client.top) / 2;
    RECT text = client;
    text.left += HINT_TEXT_LEFT;
    text.top = middle - HINT_TEXT_RISE;
    FillRect(dc, &text, static_cast<HBRUSH>(background.Get()));
    DrawTextW(dc, W(hint), static_cast<int>(hint.size()), &text, DT_WORDBREAK | DT_NOCLIP | DT_NOPREFIX);
    DrawPicture(dc, text.left - PICTURE_GAP, middle - PICTURE_RISE);
}

}  // namespace corvela
