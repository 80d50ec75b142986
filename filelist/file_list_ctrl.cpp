#include "filelist/file_list_ctrl.h"

#include "framework/handles.h"
#include "framework/resources.h"

namespace corvela {

CFileListCtrl::~CFileListCtrl() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
}

bool CFileListCtrl::Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
    window_ = CreateWindowExW(0, WC_LISTVIEWW, L"", style, rect.left, rect.top, rect.right - rect.left,
                              rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                              ModuleInstance(), nullptr);
    return window_ != nullptr;
}

HIMAGELIST LoadImageStrip(UINT bitmap_id, int cell_width, COLORREF mask_colour, bool masked) {
    GdiObject bitmap(LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(bitmap_id), IMAGE_BITMAP, 0, 0,
                                LR_CREATEDIBSECTION));
    if (!bitmap) return nullptr;
    BITMAP info = {};
    GetObjectW(bitmap.Get(), sizeof(info), &info);
    const UINT flags = ILC_COLOR24 | (masked ? ILC_MASK : 0);
    HIMAGELIST images = ImageList_Create(cell_width, info.bmHeight, flags, 0, info.bmWidth / cell_width);
    if (!images) return nullptr;
    if (masked)
        ImageList_AddMasked(images, static_cast<HBITMAP>(bitmap.Get()), mask_colour);
    else
        ImageList_Add(images, static_cast<HBITMAP>(bitmap.Get()), nullptr);
    ImageList_SetBkColor(images, CLR_NONE);
    return images;
}

}  // namespace corvela
