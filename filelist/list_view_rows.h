// The rows of a report-view list view with check boxes, as a RowStore: the
// list view is the only store of file entries.
#pragma once

#include <windows.h>

#include "filelist/row_store.h"

namespace corvela {

class ListViewRows final : public RowStore {
public:
    explicit ListViewRows(HWND list = nullptr) : list_(list) {}

    int RowCount() const override;
    Text CellText(int row, int column) const override;
    void SetCellText(int row, int column, const Text& text) override;
    bool IsChecked(int row) const override;
    void SetChecked(int row, bool checked) override;
    void SetIcon(int row, int icon) override;
    bool InsertRow(int row, const Text& name, int icon) override;
    bool RemoveRow(int row) override;

private:
    HWND list_;
};

}  // namespace corvela
