#include "filelist/file_list_ctrl.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "common/constants.h"
#include "common/wide.h"
#include "filelist/columns.h"
#include "filelist/drop_filter.h"
#include "filelist/empty_list_hint.h"
#include "filelist/file_list_model.h"
#include "filelist/list_events.h"
#include "filelist/list_keys.h"
#include "filelist/list_metrics.h"
#include "framework/resources.h"
#include "framework/window_dpi.h"

namespace corvela {
namespace {

constexpr UINT_PTR SUBCLASS_ID = 1;
constexpr UINT DROP_ITEM_COUNT = 0xFFFFFFFF;
const Text BROWSER_PROGRAM = u"Iexplore.exe";
const Text OPEN_VERB = u"open";
constexpr COLORREF BIG_MARKER_COLOUR = RGB(0, 0, 255);
constexpr COLORREF TEXT_COLOUR = RGB(0, 0, 0);

// The whole path of a dropped item, however long it is.
Text DroppedPath(HDROP drop, UINT item) {
    const UINT length = DragQueryFileW(drop, item, nullptr, 0);
    std::vector<wchar_t> path(length + 1, L'\0');
    const UINT copied = DragQueryFileW(drop, item, path.data(), length + 1);
    return FromW(path.data(), copied);
}

// The entry's path reaches the browser as one quoted argument: the page
// writes the path, and unquoted its spaces would hand the browser switches
// and files of the page's choosing ("http://x -extoff \\host\share\x.hta").
// A path that no quoting keeps whole is not handed over at all.
void OpenInBrowser(HWND owner, const Text& path) {
    const std::optional<Text> argument = path.empty() ? Text() : QuotedCommandLineArgument(path);
    if (!argument) return;
    ShellExecuteW(owner, W(OPEN_VERB), W(BROWSER_PROGRAM), W(*argument), nullptr, SW_SHOWNORMAL);
}

// An item whose attributes cannot be read is no file the page could attach.
bool IsFolderOrUnreadable(const Text& path) {
    const DWORD attributes = GetFileAttributesW(W(path));
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void ShowMessage(const Text& text, const Text& caption) { MessageBoxW(nullptr, W(text), W(caption), MB_OK); }

bool IsReportView(HWND list) { return (GetWindowLongPtrW(list, GWL_STYLE) & LVS_TYPEMASK) == LVS_REPORT; }

}  // namespace

bool CFileListCtrl::Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
    OwnedWindow created(CreateWindowExW(0, WC_LISTVIEWW, L"", style, rect.left, rect.top, rect.right - rect.left,
                                        rect.bottom - rect.top, parent,
                                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ModuleInstance(),
                                        nullptr));
    if (!created) return false;
    if (!SetWindowSubclass(created.Get(), &CFileListCtrl::SubclassProcedure, SUBCLASS_ID,
                           reinterpret_cast<DWORD_PTR>(this)))
        return false;
    window_ = std::move(created);
    dpi_ = WindowDpi(window_.Get());
    rows_ = ListViewRows(window_.Get());
    DragAcceptFiles(window_.Get(), TRUE);
    return true;
}

RowStore& CFileListCtrl::Rows() {
    if (window_) return rows_;
    return no_rows_;
}

// ---- the list view's own messages ----

// Drops and clicks fire the owner's events, inside which a page may let go
// of the control and with it of this window object: both stay until the
// message has been handled.
LRESULT CALLBACK CFileListCtrl::SubclassProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                                  UINT_PTR, DWORD_PTR self) {
    auto* list = reinterpret_cast<CFileListCtrl*>(self);
    FileListOwner* owner = list->owner_;
    const bool held = owner && owner->HoldWhileHandling();
    const LRESULT result = list->OnMessage(window, message, wparam, lparam);
    if (held) owner->LetGo();  // the list may be gone from here on
    return result;
}

LRESULT CFileListCtrl::OnMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_DROPFILES:
            OnDropFiles(window, reinterpret_cast<HDROP>(wparam));
            return 0;
        case WM_ERASEBKGND:
            return OnEraseBackground(window, reinterpret_cast<HDC>(wparam));
        case WM_RBUTTONDOWN:
            // The list view never sees a right-button press: no selection, no menu.
            return 0;
        case WM_KEYDOWN:
            if (OnKeyDown(static_cast<UINT>(wparam))) return 0;
            return DefSubclassProc(window, message, wparam, lparam);
        case WM_CHAR:
            // Space ticks an entry; it starts no search for a name.
            if (wparam == KEY_SPACE) return 0;
            return DefSubclassProc(window, message, wparam, lparam);
        case WM_NCDESTROY:
            return OnDestroyed(window, wparam, lparam);
        default:
            return DefSubclassProc(window, message, wparam, lparam);
    }
}

LRESULT CFileListCtrl::OnDestroyed(HWND window, WPARAM wparam, LPARAM lparam) {
    RemoveWindowSubclass(window, &CFileListCtrl::SubclassProcedure, SUBCLASS_ID);
    window_.Release();
    rows_ = ListViewRows();
    return DefSubclassProc(window, WM_NCDESTROY, wparam, lparam);
}

void CFileListCtrl::OnDropFiles(HWND window, HDROP raw_drop) {
    const DropHandle drop(raw_drop);
    const UINT count = DragQueryFileW(raw_drop, DROP_ITEM_COUNT, nullptr, 0);
    TextList paths;
    for (UINT item = 0; item < count; ++item) paths.push_back(DroppedPath(raw_drop, item));
    const DropPlatform platform{IsFolderOrUnreadable, ShowMessage, LoadResString(IDS_NO_FOLDERS),
                                LoadResString(IDS_FOLDER_MESSAGE_CAPTION)};
    if (DeliverDrop(*owner_, allowed_extensions_, paths, platform))
        DefSubclassProc(window, WM_DROPFILES, reinterpret_cast<WPARAM>(raw_drop), 0);
}

// Space on the selected entry ticks or unticks it and tells the page as a
// click on its check box does.
bool CFileListCtrl::OnKeyDown(UINT key) {
    if (key == KEY_SPACE) {
        DeliverClick(*owner_, Rows(), ClickTarget::Name, CurrentRow());
        return true;
    }
    if (!MovesSelection(key)) return false;
    const int row = RowAfterKey(key, CurrentRow(), Rows().RowCount(), ListView_GetCountPerPage(window_.Get()));
    if (row != NO_ROW) SelectOnly(row);
    return true;
}

int CFileListCtrl::CurrentRow() const {
    HWND list = window_.Get();
    const int mark = ListView_GetSelectionMark(list);
    if (mark >= 0 && mark < ListView_GetItemCount(list) && ListView_GetItemState(list, mark, LVIS_SELECTED))
        return mark;
    return ListView_GetNextItem(list, -1, LVNI_SELECTED);
}

void CFileListCtrl::SelectOnly(int row) {
    HWND list = window_.Get();
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetSelectionMark(list, row);
    ListView_EnsureVisible(list, row, FALSE);
}

LRESULT CFileListCtrl::OnEraseBackground(HWND window, HDC dc) {
    DefSubclassProc(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    if (Rows().RowCount() == 0) {
        RECT client = {};
        GetClientRect(window, &client);
        PaintEmptyListHint(dc, client, owner_->HintText(), dpi_);
    }
    return TRUE;
}

// ---- column widths ----

// The list covers the control's client area, so its window's width is the
// control's client width.
void CFileListCtrl::FitColumns() {
    HWND list = window_.Get();
    if (!list) return;
    RECT bounds = {};
    GetWindowRect(list, &bounds);
    const VisibleColumnWidths widths = FitVisibleColumns(bounds.right - bounds.left, dpi_,
                                                         WidestText(COLUMN_SIZE_TEXT), WidestText(COLUMN_BIG_MARKER));
    ListView_SetColumnWidth(list, COLUMN_NAME, widths.name);
    ListView_SetColumnWidth(list, COLUMN_SIZE_TEXT, widths.size_text);
    ListView_SetColumnWidth(list, COLUMN_BIG_MARKER, widths.big_marker);
}

int CFileListCtrl::WidestText(int column) const {
    int widest = 0;
    for (int row = 0; row < rows_.RowCount(); ++row) {
        const Text text = rows_.CellText(row, column);
        if (!text.empty())
            widest = std::max(widest, ListView_GetStringWidth(window_.Get(), const_cast<wchar_t*>(W(text))));
    }
    return widest;
}

// ---- notifications handed back by the owner ----

LRESULT CFileListCtrl::OnNotify(NMHDR& header) {
    switch (header.code) {
        case NM_CLICK:
            OnClick(reinterpret_cast<const NMITEMACTIVATE&>(header));
            return 0;
        case NM_DBLCLK:
            OnDoubleClick(reinterpret_cast<const NMITEMACTIVATE&>(header));
            return 0;
        case NM_CUSTOMDRAW:
            return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
        default:
            return 0;
    }
}

// A page whose handler shows a message box pumps messages while the click
// is still being handled; Wine's list view then reports the same click a
// second time from its button-up. No user can click the list while the
// page's box is up, so a click reported during the handler is that same
// click, and is not told twice.
void CFileListCtrl::OnClick(const NMITEMACTIVATE& click) {
    if (handling_click_) return;
    handling_click_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{handling_click_};
    const UINT hit = HitFlags(click.ptAction);
    const ClickTarget target = (hit & LVHT_ONITEMSTATEICON) ? ClickTarget::CheckBox
                               : (hit & LVHT_ONITEMLABEL)   ? ClickTarget::Name
                                                            : ClickTarget::Elsewhere;
    DeliverClick(*owner_, Rows(), target, RowAtPoint(click.ptAction));
}

void CFileListCtrl::OnDoubleClick(const NMITEMACTIVATE& click) {
    const bool on_check_box = (HitFlags(click.ptAction) & LVHT_ONITEMSTATEICON) != 0;
    const int check_box_row = on_check_box ? RowAtPoint(click.ptAction) : NO_ROW;
    if (const std::optional<Text> path = DeliverDoubleClick(*owner_, Rows(), on_check_box, check_box_row, click.iItem))
        OpenInBrowser(window_.Get(), *path);
}

LRESULT CFileListCtrl::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
            draw.clrText = draw.iSubItem == COLUMN_BIG_MARKER ? BIG_MARKER_COLOUR : TEXT_COLOUR;
            return CDRF_DODEFAULT;
        default:
            return CDRF_DODEFAULT;
    }
}

// ---- where a point lies ----

UINT CFileListCtrl::HitFlags(POINT point) const {
    LVHITTESTINFO hit = {};
    hit.pt = point;
    ListView_HitTest(window_.Get(), &hit);
    return hit.flags;
}

// The list view's hit test first; where it finds nothing in report view, the
// whole-row rectangles of the rows on the page are tried.
int CFileListCtrl::RowAtPoint(POINT point) const {
    HWND list = window_.Get();
    LVHITTESTINFO hit = {};
    hit.pt = point;
    const int row = ListView_HitTest(list, &hit);
    if (row != -1 || !IsReportView(list)) return row;
    const int first = ListView_GetTopIndex(list);
    const int last = std::min(first + ListView_GetCountPerPage(list), ListView_GetItemCount(list) - 1);
    for (int candidate = first; candidate <= last; ++candidate) {
        RECT bounds = {};
        if (ListView_GetItemRect(list, candidate, &bounds, LVIR_BOUNDS) && PtInRect(&bounds, point))
            return candidate;
    }
    return NO_ROW;
}

HIMAGELIST LoadImageStrip(UINT bitmap_id, int cell_width, COLORREF mask_colour, bool masked) {
    GdiObject bitmap(LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(bitmap_id), IMAGE_BITMAP, 0, 0,
                                LR_CREATEDIBSECTION));
    if (!bitmap) return nullptr;
    return ImageStripFromBitmap(static_cast<HBITMAP>(bitmap.Get()), cell_width, mask_colour, masked);
}

HIMAGELIST ImageStripFromBitmap(HBITMAP bitmap, int cell_width, COLORREF mask_colour, bool masked) {
    // Without the bitmap's size the cells would be cut to nothing.
    BITMAP info = {};
    if (cell_width <= 0 || GetObjectW(bitmap, sizeof(info), &info) != sizeof(info) || info.bmHeight <= 0)
        return nullptr;
    const UINT flags = ILC_COLOR24 | (masked ? ILC_MASK : 0);
    ImageList images(ImageList_Create(cell_width, info.bmHeight, flags, 0, info.bmWidth / cell_width));
    if (!images) return nullptr;
    const int added = masked ? ImageList_AddMasked(images.Get(), bitmap, mask_colour)
                             : ImageList_Add(images.Get(), bitmap, nullptr);
    if (added == -1) return nullptr;
    ImageList_SetBkColor(images.Get(), CLR_NONE);
    return images.Release();
}

}  // namespace corvela
