// The file list driven by any sequence of script calls: after every step
// the serialised texts match the entries, there are never more than 256
// entries, and each call changed exactly what it names.
#include <vector>

#include "file_list_fake_rows.h"
#include "filelist/file_entry.h"
#include "filelist/file_list_model.h"
#include "fuzz_support.h"

using namespace corvela;
using corvela_test::FakeRow;
using corvela_test::FakeRows;

namespace {

const Text BIG_MARKER = u"[Big]";
// Enough to fill the list and work on it; more only slows each run down.
constexpr int MAX_STEPS = 64;
using Rows = std::vector<FakeRow>;

bool Same(const Rows& a, const Rows& b) {
    if (a.size() != b.size()) return false;
    for (size_t row = 0; row < a.size(); ++row)
        if (a[row].cells != b[row].cells || a[row].checked != b[row].checked) return false;
    return true;
}

bool Same(const FileListTexts& a, const FileListTexts& b) {
    return a.deleted_names == b.deleted_names && a.deleted_info1 == b.deleted_info1 && a.names == b.names &&
           a.info1 == b.info1 && a.info2 == b.info2;
}

Text Serialised(const Rows& rows, int column, bool checked_only = false) {
    Text text;
    for (const FakeRow& row : rows)
        if (!checked_only || row.checked) text += row.cells[column] + LIST_ITEM_END;
    return text;
}

class Run {
public:
    explicit Run(corvela_fuzz::Input& input) : in_(input) {}

    void Step() {
        switch (in_.Choice(13)) {
            case 0: Insert(in_.Line(), in_.Flag(), in_.Flag()); break;
            case 1: Fill(in_.Byte() + 1u, in_.Line()); break;
            case 2: SetLastColumn(COLUMN_USER_NAME, in_.Line()); break;
            case 3: SetLastColumn(COLUMN_BIG_FILE_PATH, in_.Line()); break;
            case 4: SetCheck(static_cast<int>(in_.Byte()) - 1, in_.Flag()); break;
            case 5: SetCheck(static_cast<int16_t>(in_.Number()), in_.Flag()); break;
            case 6: Move(MoveDirection::Up); break;
            case 7: Move(MoveDirection::Down); break;
            case 8: Delete(false); break;
            case 9: Delete(true); break;
            case 10: REQUIRE(model_.FileListAll() == Serialised(store_.rows, COLUMN_NAME)); break;
            case 11: store_.refuse_inserts = !store_.refuse_inserts; break;
            default: store_.refuse_removals = !store_.refuse_removals; break;
        }
        CheckInvariants(static_cast<int16_t>(in_.Number()));
    }

private:
    void Insert(const Text& name, bool drm_call, bool drm) {
        const Rows before = store_.rows;
        const FileListTexts texts_before = texts_;
        const NewFileEntry entry{name, in_.Line(), in_.Line(), in_.Line(), in_.Line()};
        const InsertResult result = drm_call ? model_.InsertFileListDRM(entry, drm, BIG_MARKER)
                                             : model_.InsertFileList(entry, BIG_MARKER);
        const InsertResult expected = before.size() == MAX_FILE_ENTRIES ? InsertResult::ListFull
                                      : store_.refuse_inserts           ? InsertResult::NotStored
                                                                        : InsertResult::Inserted;
        REQUIRE(result == expected);
        if (result != InsertResult::Inserted) {
            REQUIRE(Same(store_.rows, before) && Same(texts_, texts_before));
            return;
        }
        FakeRow added;
        added.cells = {entry.filename, entry.filepath, entry.fileinfo1, entry.fileinfo2, entry.filesize,
                       FormatSizeText(entry.filesize), entry.fileinfo1 == u"Y" ? BIG_MARKER : Text(),
                       Text(), Text(), drm_call && drm ? DRM_MARK : Text()};
        Rows expected_rows = before;
        expected_rows.push_back(added);
        REQUIRE(Same(store_.rows, expected_rows));
    }

    void Fill(unsigned count, const Text& name) {
        for (unsigned i = 0; i < count && store_.rows.size() < MAX_FILE_ENTRIES; ++i)
            model_.InsertFileList({name + DecimalText(i), name, u"", u"", DecimalText(i * 1000)}, BIG_MARKER);
    }

    void SetLastColumn(int column, const Text& text) {
        Rows expected = store_.rows;
        if (!expected.empty()) expected.back().cells[column] = text;
        if (column == COLUMN_USER_NAME) model_.InsertUserN(text);
        else model_.InsertFileInfo(text);
        REQUIRE(Same(store_.rows, expected));
    }

    void SetCheck(int index, bool checked) {
        Rows expected = store_.rows;
        for (size_t row = 0; row < expected.size(); ++row)
            if (index == -1 || static_cast<size_t>(index) == row) expected[row].checked = checked;
        model_.SetCheckList(index, checked);
        REQUIRE(Same(store_.rows, expected));
    }

    // Every checked entry takes one step past its unchecked neighbour, all of
    // its columns and its check mark with it; a checked entry at the end it
    // moves towards stops the whole move.
    void Move(MoveDirection direction) {
        Rows expected = store_.rows;
        const bool up = direction == MoveDirection::Up;
        const size_t count = expected.size();
        const bool blocked = count > 0 && expected[up ? 0 : count - 1].checked;
        for (size_t step = 1; step < count && !blocked; ++step) {
            const size_t row = up ? step : count - 1 - step;
            if (expected[row].checked) std::swap(expected[row], expected[up ? row - 1 : row + 1]);
        }
        if (up) model_.ListUP();
        else model_.ListDOWN();
        REQUIRE(Same(store_.rows, expected));
    }

    void Delete(bool all) {
        const Rows before = store_.rows;
        Rows kept;
        Rows removed;
        for (const FakeRow& row : before) (all || row.checked ? removed : kept).push_back(row);
        if (store_.refuse_removals) {
            kept = before;
            removed.clear();
        }
        if (all) model_.DeleteFileListAll();
        else model_.DeleteFileList();
        REQUIRE(Same(store_.rows, kept));
        REQUIRE(texts_.deleted_names == Serialised(removed, COLUMN_NAME));
        REQUIRE(texts_.deleted_info1 == Serialised(removed, COLUMN_INFO1));
    }

    void CheckInvariants(int16_t index) {
        const Rows& rows = store_.rows;
        REQUIRE(rows.size() <= MAX_FILE_ENTRIES);
        REQUIRE(texts_.names == Serialised(rows, COLUMN_NAME));
        REQUIRE(texts_.info1 == Serialised(rows, COLUMN_INFO1));
        REQUIRE(texts_.info2 == Serialised(rows, COLUMN_INFO2));
        Text checked_indexes;
        for (size_t row = 0; row < rows.size(); ++row) {
            REQUIRE(rows[row].icon >= ICON_PICTURE && rows[row].icon <= ICON_HWP);
            if (rows[row].checked) checked_indexes += DecimalText(row) + LIST_ITEM_END;
        }
        REQUIRE(model_.GetCheckFileInfo() == checked_indexes);
        REQUIRE(BuildUserList(store_, NO_ROW) == Serialised(rows, COLUMN_USER_NAME, true));

        const bool exists = index >= 0 && static_cast<size_t>(index) < rows.size();
        const auto cell = [&](int column) { return exists ? rows[index].cells[column] : Text(); };
        REQUIRE(model_.GetfileName(index) == cell(COLUMN_NAME));
        REQUIRE(model_.GetfileInfo1(index) == cell(COLUMN_INFO1));
        REQUIRE(model_.GetfileInfo2(index) == cell(COLUMN_INFO2));
        REQUIRE(model_.GetFileSize(index) == cell(COLUMN_FILESIZE));
        REQUIRE(model_.GetfilePath(index) ==
                (cell(COLUMN_BIG_FILE_PATH).empty() ? cell(COLUMN_FILEPATH) : cell(COLUMN_BIG_FILE_PATH)));
        REQUIRE(model_.GetfileChecked(index) == (exists && rows[index].checked ? u"Y" : u"N"));
    }

    corvela_fuzz::Input& in_;
    FakeRows store_;
    FileListTexts texts_;
    FileListModel model_{store_, texts_};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvela_fuzz::Input input(data, size);
    Run run(input);
    for (int step = 0; step < MAX_STEPS && !input.Done(); ++step) run.Step();
    return 0;
}
