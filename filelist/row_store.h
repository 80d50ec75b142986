// Where the file entries live. On Windows it is the list view itself; the
// list algorithms only see this interface, so they run unchanged against a
// plain table in the native tests.
#pragma once

#include "common/text.h"

namespace corvela {

class RowStore {
public:
    virtual ~RowStore() = default;

    virtual int RowCount() const = 0;
    // Rows and columns are valid indexes; callers check them first.
    virtual Text CellText(int row, int column) const = 0;
    virtual void SetCellText(int row, int column, const Text& text) = 0;
    virtual bool IsChecked(int row) const = 0;
    virtual void SetChecked(int row, bool checked) = 0;
    virtual void SetIcon(int row, int icon) = 0;
    // A new unchecked row at `row` whose first column holds `name`; false
    // when the store cannot take it.
    virtual bool InsertRow(int row, const Text& name, int icon) = 0;
    virtual bool RemoveRow(int row) = 0;
};

// The store of a list that has no window (a script host that never shows
// the control): it holds no rows and takes none.
class NoRows final : public RowStore {
public:
    int RowCount() const override { return 0; }
    Text CellText(int, int) const override { return Text(); }
    void SetCellText(int, int, const Text&) override {}
    bool IsChecked(int) const override { return false; }
    void SetChecked(int, bool) override {}
    void SetIcon(int, int) override {}
    bool InsertRow(int, const Text&, int) override { return false; }
    bool RemoveRow(int) override { return false; }
};

}  // namespace corvela
