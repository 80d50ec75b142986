// The list window over the whole control: a report-view list with check
// boxes whose rows are the attached files. It takes files dropped from the
// shell and tells the page about them, reports clicks on check boxes and
// double clicks, moves and ticks by keyboard, colours the big-file marker
// and paints a hint while empty, at the DPI of its window.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "common/text.h"
#include "filelist/list_owner.h"
#include "filelist/list_view_rows.h"
#include "framework/handles.h"

namespace corvela {

class CFileListCtrl {
public:
    CFileListCtrl() = default;
    CFileListCtrl(const CFileListCtrl&) = delete;
    CFileListCtrl& operator=(const CFileListCtrl&) = delete;
    // Destroys the window while every member its last messages may reach
    // still exists.
    ~CFileListCtrl() { window_.Reset(); }

    // The owner whose events the window fires and whose texts it shows;
    // set before the window is created.
    void SetOwner(FileListOwner* owner) { owner_ = owner; }

    // Creates the list view window with the given styles over `rect` and
    // opens it to files dropped from the shell.
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id);
    HWND Window() const { return window_.Get(); }
    // The DPI of the window, read when it was created.
    int Dpi() const { return dpi_; }

    // Sets the widths of the columns the user sees for the window's width,
    // so that every size text and big-file marker in the list shows whole.
    void FitColumns();

    TextList& AllowedExtensions() { return allowed_extensions_; }

    // The rows of the list view; while there is no window, a store that
    // holds no rows.
    RowStore& Rows();

    // The list view tells its parent about clicks, double clicks and custom
    // drawing; the owner hands those notifications back here and returns
    // the answer to the list view.
    LRESULT OnNotify(NMHDR& header);

private:
    static LRESULT CALLBACK SubclassProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                              UINT_PTR id, DWORD_PTR self);
    LRESULT OnMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT OnDestroyed(HWND window, WPARAM wparam, LPARAM lparam);
    void OnDropFiles(HWND window, HDROP drop);
    // True when the key was the list's to handle.
    bool OnKeyDown(UINT key);
    LRESULT OnEraseBackground(HWND window, HDC dc);
    void OnClick(const NMITEMACTIVATE& click);
    void OnDoubleClick(const NMITEMACTIVATE& click);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);

    UINT HitFlags(POINT point) const;
    // The row under a client point, or NO_ROW.
    int RowAtPoint(POINT point) const;
    // The selected row the keyboard acts on, or NO_ROW.
    int CurrentRow() const;
    void SelectOnly(int row);
    // The widest text of a column among the rows, in the list's font.
    int WidestText(int column) const;

    OwnedWindow window_;
    int dpi_ = 0;
    FileListOwner* owner_ = nullptr;
    TextList allowed_extensions_;
    // Set while the page handles a click; see OnClick.
    bool handling_click_ = false;
    ListViewRows rows_;
    NoRows no_rows_;
};

// Loads a bitmap resource as an image list of cells `cell_width` wide and
// as high as the bitmap, 24-bit colour, masked by `mask_colour` only when
// `masked`, background colour none. Null when the bitmap cannot be loaded.
HIMAGELIST LoadImageStrip(UINT bitmap_id, int cell_width, COLORREF mask_colour, bool masked);

// The same from a bitmap the caller keeps; null when the bitmap's size
// cannot be read or its cells cannot be added.
HIMAGELIST ImageStripFromBitmap(HBITMAP bitmap, int cell_width, COLORREF mask_colour, bool masked);

}  // namespace corvela
