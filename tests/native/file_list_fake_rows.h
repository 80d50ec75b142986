// A row store kept in memory, standing in for the list view.
#pragma once

#include <array>
#include <vector>

#include "filelist/columns.h"
#include "filelist/row_store.h"

namespace corvela_test {

using corvela::Text;

struct FakeRow {
    std::array<Text, corvela::COLUMN_COUNT> cells;
    bool checked = false;
    int icon = -1;
};

class FakeRows final : public corvela::RowStore {
public:
    int RowCount() const override { return static_cast<int>(rows.size()); }
    Text CellText(int row, int column) const override { return rows.at(row).cells.at(column); }
    void SetCellText(int row, int column, const Text& text) override { rows.at(row).cells.at(column) = text; }
    bool IsChecked(int row) const override { return rows.at(row).checked; }
    void SetChecked(int row, bool checked) override { rows.at(row).checked = checked; }
    void SetIcon(int row, int icon) override { rows.at(row).icon = icon; }
    bool InsertRow(int row, const Text& name, int icon) override {
        if (refuse_inserts) return false;
        FakeRow added;
        added.cells[corvela::COLUMN_NAME] = name;
        added.icon = icon;
        rows.insert(rows.begin() + row, added);
        return true;
    }
    bool RemoveRow(int row) override {
        if (refuse_removals) return false;
        rows.erase(rows.begin() + row);
        return true;
    }

    std::vector<FakeRow> rows;
    bool refuse_inserts = false;
    bool refuse_removals = false;
};

}  // namespace corvela_test
