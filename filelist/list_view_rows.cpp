#include "filelist/list_view_rows.h"

#include <commctrl.h>

#include <vector>

#include "common/wide.h"

namespace corvela {
namespace {

// State images of a list view with check boxes.
constexpr UINT UNCHECKED_STATE_IMAGE = 1;
constexpr UINT CHECKED_STATE_IMAGE = 2;
constexpr int FIRST_TEXT_BUFFER = 260;

}  // namespace

int ListViewRows::RowCount() const { return ListView_GetItemCount(list_); }

// The list view copies at most the buffer it is given, so the buffer grows
// until the whole text fits: pages may store texts of any length.
Text ListViewRows::CellText(int row, int column) const {
    for (size_t size = FIRST_TEXT_BUFFER;; size *= 2) {
        std::vector<wchar_t> buffer(size, L'\0');
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(size);
        const auto length = static_cast<size_t>(
            SendMessageW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < size) return FromW(buffer.data(), length);
    }
}

void ListViewRows::SetCellText(int row, int column, const Text& text) {
    ListView_SetItemText(list_, row, column, const_cast<wchar_t*>(W(text)));
}

bool ListViewRows::IsChecked(int row) const {
    return (ListView_GetItemState(list_, row, LVIS_STATEIMAGEMASK) >> 12) == CHECKED_STATE_IMAGE;
}

void ListViewRows::SetChecked(int row, bool checked) {
    ListView_SetItemState(list_, row, INDEXTOSTATEIMAGEMASK(checked ? CHECKED_STATE_IMAGE : UNCHECKED_STATE_IMAGE),
                          LVIS_STATEIMAGEMASK);
}

void ListViewRows::SetIcon(int row, int icon) {
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = icon;
    ListView_SetItem(list_, &item);
}

// The empty list's hint covers the whole window, while the list view
// repaints only the rows that change: the first entry and the last one
// gone repaint everything.
bool ListViewRows::InsertRow(int row, const Text& name, int icon) {
    const bool was_empty = RowCount() == 0;
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(W(name));
    item.iImage = icon;
    const bool inserted = ListView_InsertItem(list_, &item) != -1;
    if (inserted && was_empty) InvalidateRect(list_, nullptr, TRUE);
    return inserted;
}

bool ListViewRows::RemoveRow(int row) {
    const bool removed = ListView_DeleteItem(list_, row) != FALSE;
    if (removed && RowCount() == 0) InvalidateRect(list_, nullptr, TRUE);
    return removed;
}

}  // namespace corvela
