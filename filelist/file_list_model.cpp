#include "filelist/file_list_model.h"

#include "filelist/columns.h"
#include "filelist/file_entry.h"

namespace corvela {
namespace {

const Text BIG_FILE_MARK = u"Y";
const Text CHECKED_TEXT = u"Y";
const Text UNCHECKED_TEXT = u"N";

Text Item(const Text& text) { return text + LIST_ITEM_END; }

}  // namespace

void SwapRows(RowStore& rows, int row, MoveDirection direction) {
    const int other = direction == MoveDirection::Up ? row - 1 : row + 1;
    for (int column = 0; column < COLUMN_COUNT; ++column) {
        const Text moving = rows.CellText(row, column);
        rows.SetCellText(row, column, rows.CellText(other, column));
        rows.SetCellText(other, column, moving);
    }
    for (int changed : {row, other})
        rows.SetIcon(changed, IconAfterMove(rows.CellText(changed, COLUMN_NAME), rows.CellText(changed, COLUMN_DRM)));
    rows.SetChecked(other, true);
    rows.SetChecked(row, false);
}

Text BuildUserList(const RowStore& rows, int pending_row) {
    Text users;
    for (int row = 0; row < rows.RowCount(); ++row)
        if (rows.IsChecked(row) != (row == pending_row)) users += Item(rows.CellText(row, COLUMN_USER_NAME));
    return users;
}

// ---- insertion ----

InsertResult FileListModel::InsertFileList(const NewFileEntry& entry, const Text& big_marker) {
    // The extension is compared in lower case here, but not after a move.
    return Insert(entry, IconForExtension(AsciiLower(ExtensionOf(entry.filename))), false, big_marker);
}

InsertResult FileListModel::InsertFileListDRM(const NewFileEntry& entry, bool drm, const Text& big_marker) {
    return Insert(entry, drm ? ICON_DRM : ICON_OTHER, drm, big_marker);
}

InsertResult FileListModel::Insert(const NewFileEntry& entry, int icon, bool drm, const Text& big_marker) {
    const int row = rows_.RowCount();
    if (row >= MAX_FILE_ENTRIES) return InsertResult::ListFull;
    if (!rows_.InsertRow(row, entry.filename, icon)) return InsertResult::NotStored;
    rows_.SetCellText(row, COLUMN_FILEPATH, entry.filepath);
    rows_.SetCellText(row, COLUMN_INFO1, entry.fileinfo1);
    rows_.SetCellText(row, COLUMN_INFO2, entry.fileinfo2);
    rows_.SetCellText(row, COLUMN_FILESIZE, entry.filesize);
    rows_.SetCellText(row, COLUMN_SIZE_TEXT, FormatSizeText(entry.filesize));
    if (entry.fileinfo1 == BIG_FILE_MARK) rows_.SetCellText(row, COLUMN_BIG_MARKER, big_marker);
    if (drm) rows_.SetCellText(row, COLUMN_DRM, DRM_MARK);
    texts_.names += Item(entry.filename);
    texts_.info1 += Item(entry.fileinfo1);
    texts_.info2 += Item(entry.fileinfo2);
    return InsertResult::Inserted;
}

void FileListModel::InsertUserN(const Text& user_name) {
    const int count = rows_.RowCount();
    if (count > 0) rows_.SetCellText(count - 1, COLUMN_USER_NAME, user_name);
}

void FileListModel::InsertFileInfo(const Text& big_file_path) {
    const int count = rows_.RowCount();
    if (count > 0) rows_.SetCellText(count - 1, COLUMN_BIG_FILE_PATH, big_file_path);
}

// ---- check marks and moves ----

void FileListModel::SetCheckList(int index, bool checked) {
    if (index == -1) {
        for (int row = 0; row < rows_.RowCount(); ++row) rows_.SetChecked(row, checked);
    } else if (HasRow(index)) {
        rows_.SetChecked(index, checked);
    }
}

// A checked top entry stops the whole move: nothing moves at all.
void FileListModel::ListUP() {
    const int count = rows_.RowCount();
    for (int row = 0; row < count; ++row) {
        if (!rows_.IsChecked(row)) continue;
        if (row == 0) return;
        SwapRows(rows_, row, MoveDirection::Up);
    }
    RebuildRowTexts();
}

void FileListModel::ListDOWN() {
    const int count = rows_.RowCount();
    for (int row = count - 1; row >= 0; --row) {
        if (!rows_.IsChecked(row)) continue;
        if (row == count - 1) return;
        SwapRows(rows_, row, MoveDirection::Down);
    }
    RebuildRowTexts();
}

// ---- deletion ----

// Every removal starts the search again from the top, so the deleted texts
// list the removed entries top to bottom.
void FileListModel::DeleteFileList() {
    texts_ = FileListTexts();
    int row = 0;
    while (row < rows_.RowCount()) {
        if (!rows_.IsChecked(row)) {
            ++row;
            continue;
        }
        if (!RemoveEntry(row)) break;
        row = 0;
    }
    RebuildRowTexts();
}

void FileListModel::DeleteFileListAll() {
    texts_ = FileListTexts();
    while (rows_.RowCount() > 0)
        if (!RemoveEntry(0)) break;
    RebuildRowTexts();
}

bool FileListModel::RemoveEntry(int row) {
    const Text name = rows_.CellText(row, COLUMN_NAME);
    const Text info1 = rows_.CellText(row, COLUMN_INFO1);
    if (!rows_.RemoveRow(row)) return false;
    texts_.deleted_names += Item(name);
    texts_.deleted_info1 += Item(info1);
    return true;
}

void FileListModel::RebuildRowTexts() {
    texts_.names.clear();
    texts_.info1.clear();
    texts_.info2.clear();
    for (int row = 0; row < rows_.RowCount(); ++row) {
        texts_.names += Item(rows_.CellText(row, COLUMN_NAME));
        texts_.info1 += Item(rows_.CellText(row, COLUMN_INFO1));
        texts_.info2 += Item(rows_.CellText(row, COLUMN_INFO2));
    }
}

// ---- reading ----

Text FileListModel::GetCheckFileInfo() const {
    Text indexes;
    for (int row = 0; row < rows_.RowCount(); ++row)
        if (rows_.IsChecked(row)) indexes += Item(DecimalText(row));
    return indexes;
}

Text FileListModel::FileListAll() {
    texts_.names.clear();
    for (int row = 0; row < rows_.RowCount(); ++row) texts_.names += Item(rows_.CellText(row, COLUMN_NAME));
    return texts_.names;
}

Text FileListModel::Column(int index, int column) const {
    return HasRow(index) ? rows_.CellText(index, column) : Text();
}

Text FileListModel::GetfileName(int index) const { return Column(index, COLUMN_NAME); }

Text FileListModel::GetfilePath(int index) const {
    const Text big_file_path = Column(index, COLUMN_BIG_FILE_PATH);
    return big_file_path.empty() ? Column(index, COLUMN_FILEPATH) : big_file_path;
}

Text FileListModel::GetfileInfo1(int index) const { return Column(index, COLUMN_INFO1); }
Text FileListModel::GetfileInfo2(int index) const { return Column(index, COLUMN_INFO2); }
Text FileListModel::GetFileSize(int index) const { return Column(index, COLUMN_FILESIZE); }

Text FileListModel::GetfileChecked(int index) const {
    return HasRow(index) && rows_.IsChecked(index) ? CHECKED_TEXT : UNCHECKED_TEXT;
}

}  // namespace corvela
