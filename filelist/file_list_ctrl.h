// The list window over the whole control: a report-view list with check
// boxes whose rows are the attached files.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "common/text.h"

namespace corvela {

class CCorvelaCtrl;

class CFileListCtrl {
public:
    CFileListCtrl() = default;
    CFileListCtrl(const CFileListCtrl&) = delete;
    CFileListCtrl& operator=(const CFileListCtrl&) = delete;
    ~CFileListCtrl();

    void SetOwner(CCorvelaCtrl* owner) { owner_ = owner; }
    CCorvelaCtrl* Owner() const { return owner_; }

    // Creates the list view window with the given styles over `rect`.
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id);
    HWND Window() const { return window_; }

    TextList& AllowedExtensions() { return allowed_extensions_; }

private:
    HWND window_ = nullptr;
    CCorvelaCtrl* owner_ = nullptr;
    TextList allowed_extensions_;
};

// Loads a bitmap resource as an image list of cells `cell_width` wide and
// as high as the bitmap, 24-bit colour, masked by `mask_colour` only when
// `masked`, background colour none. Null when the bitmap cannot be loaded.
HIMAGELIST LoadImageStrip(UINT bitmap_id, int cell_width, COLORREF mask_colour, bool masked);

}  // namespace corvela
