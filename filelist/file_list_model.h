// The file list as script sees it: entries inserted, marked, moved, deleted
// and read back, and the texts the control keeps about them. Each entry is
// one row of a RowStore; there is no second copy of an entry anywhere.
#pragma once

#include "common/text.h"
#include "filelist/row_store.h"

namespace corvela {

constexpr int MAX_FILE_ENTRIES = 256;
// Ends every item of the texts below, the last one included.
constexpr char16_t LIST_ITEM_END = u'\\';
// No row: a click that names no check box about to flip.
constexpr int NO_ROW = -1;

// The texts the control keeps for script.
struct FileListTexts {
    Text deleted_names;  // DelfileList: names removed by the last delete
    Text deleted_info1;  // isBigfileYN: their fileinfo1, same order
    Text names;          // FileListAll: every name in row order
    Text info1;          // isBigfileSizeAll: every fileinfo1 in row order
    Text info2;          // IsDocfileAll: every fileinfo2 in row order
};

// The five texts a page gives for a new entry.
struct NewFileEntry {
    Text filename;
    Text filepath;
    Text fileinfo1;
    Text fileinfo2;
    Text filesize;
};

enum class InsertResult {
    Inserted,
    ListFull,   // MAX_FILE_ENTRIES exist; nothing changed
    NotStored,  // the store took no row; nothing changed
};

enum class MoveDirection { Up, Down };

// Exchanges entry `row` with its neighbour in `direction`, columns and
// icons; the check mark travels with the entry at `row`.
void SwapRows(RowStore& rows, int row, MoveDirection direction);

// The user names (column 7) of the checked entries, each followed by a
// backslash. `pending_row` counts as the opposite of its check state: the
// list view reports a click on a check box before it flips it.
Text BuildUserList(const RowStore& rows, int pending_row = NO_ROW);

class FileListModel {
public:
    FileListModel(RowStore& rows, FileListTexts& texts) : rows_(rows), texts_(texts) {}

    // `big_marker` is what column 6 shows when fileinfo1 is exactly "Y".
    InsertResult InsertFileList(const NewFileEntry& entry, const Text& big_marker);
    InsertResult InsertFileListDRM(const NewFileEntry& entry, bool drm, const Text& big_marker);
    // Both act on the last entry; nothing happens on an empty list.
    void InsertUserN(const Text& user_name);
    void InsertFileInfo(const Text& big_file_path);

    // `index` -1 sets every entry; another index that names no entry changes nothing.
    void SetCheckList(int index, bool checked);
    void ListUP();
    void ListDOWN();
    void DeleteFileList();
    void DeleteFileListAll();

    Text GetCheckFileInfo() const;
    // Rebuilds the names text from the rows and returns it.
    Text FileListAll();

    // Getters of one entry; an index that names no entry gives "" (and "N"
    // for the check state: an entry that does not exist is not checked).
    Text GetfileName(int index) const;
    Text GetfilePath(int index) const;
    Text GetfileInfo1(int index) const;
    Text GetfileInfo2(int index) const;
    Text GetFileSize(int index) const;
    Text GetfileChecked(int index) const;

private:
    InsertResult Insert(const NewFileEntry& entry, int icon, bool drm, const Text& big_marker);
    bool HasRow(int index) const { return index >= 0 && index < rows_.RowCount(); }
    Text Column(int index, int column) const;
    // Removes one entry and records it in the deleted texts.
    bool RemoveEntry(int row);
    // Names, info1 and info2 texts from the rows as they now stand.
    void RebuildRowTexts();

    RowStore& rows_;
    FileListTexts& texts_;
};

}  // namespace corvela
