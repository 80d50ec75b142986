// The file list's algorithms against a row store in memory: insertion,
// moves, deletes, the kept texts and the check-box user list.
#include <gtest/gtest.h>

#include <string>

#include "filelist/file_list_model.h"
#include "file_list_fake_rows.h"

namespace {

using corvela::FileListModel;
using corvela::FileListTexts;
using corvela::InsertResult;
using corvela::Text;
using corvela_test::FakeRows;

struct FileList : testing::Test {
    // Entries named n0, n1, ... with info1 i0, ... and info2 d0, ...
    void Fill(int count) {
        for (int i = 0; i < count; ++i) {
            const std::string n = std::to_string(i);
            const Text number(n.begin(), n.end());
            Insert(u"n" + number + u".txt", u"i" + number, u"d" + number);
        }
    }
    InsertResult Insert(const Text& name, const Text& info1 = u"", const Text& info2 = u"",
                        const Text& size = u"10") {
        return model.InsertFileList({name, u"C:\\" + name, info1, info2, size}, u"[Big]");
    }
    void Check(std::initializer_list<int> checked) {
        for (int row : checked) rows.SetChecked(row, true);
    }
    Text Names() {
        Text names;
        for (const auto& row : rows.rows) names += row.cells[corvela::COLUMN_NAME] + u",";
        return names;
    }
    Text Checked() {
        Text marks;
        for (const auto& row : rows.rows) marks += row.checked ? u'x' : u'.';
        return marks;
    }

    FakeRows rows;
    FileListTexts texts;
    FileListModel model{rows, texts};
};

TEST_F(FileList, InsertionFillsEveryColumnAndAppendsToTheKeptTexts) {
    EXPECT_EQ(model.InsertFileList({u"Photo.JPG", u"C:\\p\\Photo.JPG", u"Y", u"doc", u"1572864"}, u"[대용량]"),
              InsertResult::Inserted);
    EXPECT_EQ(Insert(u"notes.txt", u"y", u"x"), InsertResult::Inserted);
    ASSERT_EQ(rows.RowCount(), 2);
    const auto& photo = rows.rows[0].cells;
    EXPECT_EQ(photo[0], u"Photo.JPG");
    EXPECT_EQ(photo[1], u"C:\\p\\Photo.JPG");
    EXPECT_EQ(photo[2], u"Y");
    EXPECT_EQ(photo[3], u"doc");
    EXPECT_EQ(photo[4], u"1572864");
    EXPECT_EQ(photo[5], u"(1.5 MB)");
    EXPECT_EQ(photo[6], u"[대용량]");
    EXPECT_EQ(photo[7], u"");
    EXPECT_EQ(photo[8], u"");
    EXPECT_EQ(photo[9], u"");
    EXPECT_EQ(rows.rows[0].icon, 0) << "the extension is compared in lower case at insertion";
    EXPECT_FALSE(rows.rows[0].checked);
    EXPECT_EQ(rows.rows[1].cells[6], u"") << "only exactly Y marks a big file";
    EXPECT_EQ(rows.rows[1].icon, 10);

    EXPECT_EQ(texts.names, u"Photo.JPG\\notes.txt\\");
    EXPECT_EQ(texts.info1, u"Y\\y\\");
    EXPECT_EQ(texts.info2, u"doc\\x\\");
    EXPECT_EQ(texts.deleted_names, u"");

    Insert(u"big.zip", u"YES");
    EXPECT_EQ(rows.rows[2].cells[6], u"");
    Insert(u"odd.size", u"", u"", u"abc");
    EXPECT_EQ(rows.rows[3].cells[4], u"abc");
    EXPECT_EQ(rows.rows[3].cells[5], u"");
}

TEST_F(FileList, IconsFollowTheLowerCaseExtensionAtInsertionAndTheNameAsWrittenAfterAMove) {
    for (const char16_t* name : {u"Photo.JPG", u"archive.tar.gz", u"README", u".profile", u"pdf", u"a.HWP"})
        Insert(name);
    EXPECT_EQ(rows.rows[0].icon, 0);
    EXPECT_EQ(rows.rows[1].icon, 12);
    EXPECT_EQ(rows.rows[2].icon, 12);
    EXPECT_EQ(rows.rows[3].icon, 12);
    EXPECT_EQ(rows.rows[4].icon, 9);
    EXPECT_EQ(rows.rows[5].icon, 15);

    Check({1});
    model.ListUP();  // Photo.JPG and archive.tar.gz change places
    EXPECT_EQ(Names(), u"archive.tar.gz,Photo.JPG,README,.profile,pdf,a.HWP,");
    EXPECT_EQ(rows.rows[1].icon, 12) << "Photo.JPG after a move";
    EXPECT_EQ(rows.rows[0].icon, 12);
}

TEST_F(FileList, DrmEntriesShowThePadlockAndKeepItThroughMoves) {
    model.InsertFileListDRM({u"a.docx", u"C:\\a.docx", u"", u"", u"1"}, true, u"[Big]");
    model.InsertFileListDRM({u"b.docx", u"C:\\b.docx", u"Y", u"", u"1"}, false, u"[Big]");
    EXPECT_EQ(rows.rows[0].icon, 13);
    EXPECT_EQ(rows.rows[0].cells[9], u"DRM");
    EXPECT_EQ(rows.rows[1].icon, 12);
    EXPECT_EQ(rows.rows[1].cells[9], u"");
    EXPECT_EQ(rows.rows[1].cells[6], u"[Big]");

    Check({1});
    model.ListUP();
    EXPECT_EQ(Names(), u"b.docx,a.docx,");
    EXPECT_EQ(rows.rows[0].icon, 7) << "the unmarked entry gets its extension's icon after a move";
    EXPECT_EQ(rows.rows[1].icon, 13);
    EXPECT_EQ(rows.rows[1].cells[9], u"DRM");
}

TEST_F(FileList, The257thInsertionIsRefusedAndChangesNothing) {
    Fill(255);
    EXPECT_EQ(Insert(u"last.txt"), InsertResult::Inserted);
    const FileListTexts before = texts;
    EXPECT_EQ(Insert(u"over.txt", u"Y", u"z"), InsertResult::ListFull);
    EXPECT_EQ(rows.RowCount(), 256);
    EXPECT_EQ(texts.names, before.names);
    EXPECT_EQ(texts.info1, before.info1);
    EXPECT_EQ(texts.info2, before.info2);
    EXPECT_EQ(model.FileListAll(), before.names);
}

TEST_F(FileList, AStoreThatTakesNoRowsLeavesTheTextsAsTheyWere) {
    corvela::NoRows none;
    FileListModel windowless(none, texts);
    EXPECT_EQ(windowless.InsertFileList({u"a.txt", u"C:\\a.txt", u"Y", u"", u"1"}, u"[Big]"), InsertResult::NotStored);
    EXPECT_EQ(texts.names, u"");
    EXPECT_EQ(texts.info1, u"");
}

TEST_F(FileList, UserNameAndBigFilePathGoToTheLastEntryAndThePathPrefersTheBigFilePath) {
    model.InsertUserN(u"nobody");
    model.InsertFileInfo(u"nowhere");
    EXPECT_EQ(rows.RowCount(), 0);

    Fill(3);
    model.InsertUserN(u"kim");
    model.InsertFileInfo(u"\\\\server\\big\\n2.txt");
    EXPECT_EQ(rows.rows[2].cells[7], u"kim");
    EXPECT_EQ(model.GetfilePath(2), u"\\\\server\\big\\n2.txt");
    EXPECT_EQ(model.GetfilePath(1), u"C:\\n1.txt");
    EXPECT_EQ(model.GetfilePath(3), u"");
    EXPECT_EQ(model.GetfileChecked(-1), u"N");
}

TEST_F(FileList, CheckMarksAreSetOneByOneOrAllAtOnceAndReadAsIndexes) {
    Fill(4);
    model.SetCheckList(0, true);
    model.SetCheckList(2, true);
    model.SetCheckList(4, true);
    model.SetCheckList(-2, true);
    EXPECT_EQ(Checked(), u"x.x.");
    EXPECT_EQ(model.GetCheckFileInfo(), u"0\\2\\");
    EXPECT_EQ(model.GetfileChecked(2), u"Y");
    EXPECT_EQ(model.GetfileChecked(1), u"N");
    model.SetCheckList(-1, true);
    EXPECT_EQ(Checked(), u"xxxx");
    model.SetCheckList(-1, false);
    EXPECT_EQ(model.GetCheckFileInfo(), u"");
}

TEST_F(FileList, ListUpMovesCheckedEntriesUnlessTheTopOneIsChecked) {
    Fill(5);
    Check({0, 3});
    model.ListUP();
    EXPECT_EQ(Names(), u"n0.txt,n1.txt,n2.txt,n3.txt,n4.txt,") << "a checked top entry stops everything";
    EXPECT_EQ(Checked(), u"x..x.");

    rows.SetChecked(0, false);
    rows.SetChecked(3, false);
    Check({2, 3});
    model.ListUP();
    EXPECT_EQ(Names(), u"n0.txt,n2.txt,n3.txt,n1.txt,n4.txt,");
    EXPECT_EQ(Checked(), u".xx..");

    rows.SetChecked(1, false);
    rows.SetChecked(2, false);
    Check({1, 4});
    model.ListUP();
    EXPECT_EQ(Names(), u"n2.txt,n0.txt,n3.txt,n4.txt,n1.txt,");
    EXPECT_EQ(Checked(), u"x..x.");
}

TEST_F(FileList, ListDownIsTheMirrorImage) {
    Fill(5);
    Check({4, 1});
    model.ListDOWN();
    EXPECT_EQ(Names(), u"n0.txt,n1.txt,n2.txt,n3.txt,n4.txt,") << "a checked bottom entry stops everything";

    rows.SetChecked(4, false);
    Check({2});
    model.ListDOWN();
    EXPECT_EQ(Names(), u"n0.txt,n3.txt,n1.txt,n2.txt,n4.txt,") << "a checked block moves down together";
    EXPECT_EQ(Checked(), u"..xx.");
}

TEST_F(FileList, MovesCarryEveryColumnAndKeepTheInfoTextsInRowOrder) {
    Fill(3);
    model.InsertUserN(u"lee");
    model.InsertFileInfo(u"D:\\big");
    Check({2});
    model.ListUP();
    EXPECT_EQ(rows.rows[1].cells[0], u"n2.txt");
    EXPECT_EQ(rows.rows[1].cells[1], u"C:\\n2.txt");
    EXPECT_EQ(rows.rows[1].cells[7], u"lee");
    EXPECT_EQ(rows.rows[1].cells[8], u"D:\\big");
    EXPECT_EQ(rows.rows[2].cells[7], u"");
    EXPECT_EQ(texts.info1, u"i0\\i2\\i1\\");
    EXPECT_EQ(texts.info2, u"d0\\d2\\d1\\");
    EXPECT_EQ(model.FileListAll(), u"n0.txt\\n2.txt\\n1.txt\\");
}

TEST_F(FileList, DeleteFileListRemovesCheckedEntriesTopToBottomAndRebuildsTheTexts) {
    Fill(5);
    Check({1, 3});
    model.DeleteFileList();
    EXPECT_EQ(Names(), u"n0.txt,n2.txt,n4.txt,");
    EXPECT_EQ(texts.deleted_names, u"n1.txt\\n3.txt\\");
    EXPECT_EQ(texts.deleted_info1, u"i1\\i3\\");
    EXPECT_EQ(texts.names, u"n0.txt\\n2.txt\\n4.txt\\");
    EXPECT_EQ(texts.info1, u"i0\\i2\\i4\\");
    EXPECT_EQ(texts.info2, u"d0\\d2\\d4\\");
    EXPECT_EQ(model.FileListAll(), u"n0.txt\\n2.txt\\n4.txt\\");

    model.DeleteFileList();
    EXPECT_EQ(texts.deleted_names, u"") << "each delete forgets the one before";
    EXPECT_EQ(texts.deleted_info1, u"");
    EXPECT_EQ(texts.info1, u"i0\\i2\\i4\\");
}

TEST_F(FileList, DeleteFileListAllRemovesEveryEntryInRowOrder) {
    Fill(3);
    Check({1});
    model.DeleteFileListAll();
    EXPECT_EQ(rows.RowCount(), 0);
    EXPECT_EQ(texts.deleted_names, u"n0.txt\\n1.txt\\n2.txt\\");
    EXPECT_EQ(texts.deleted_info1, u"i0\\i1\\i2\\");
    EXPECT_EQ(texts.names, u"");
    EXPECT_EQ(texts.info1, u"");
    EXPECT_EQ(texts.info2, u"");
    EXPECT_EQ(model.FileListAll(), u"");
}

TEST_F(FileList, DeletesStopWhenTheStoreRefusesARemoval) {
    Fill(3);
    Check({1});
    rows.refuse_removals = true;
    model.DeleteFileList();
    model.DeleteFileListAll();
    EXPECT_EQ(rows.RowCount(), 3);
    EXPECT_EQ(texts.deleted_names, u"");
    EXPECT_EQ(texts.names, u"n0.txt\\n1.txt\\n2.txt\\");
}

TEST_F(FileList, UserListNamesCheckedEntriesWithThePendingRowCountedFlipped) {
    Fill(4);
    for (int row = 0; row < 4; ++row) {
        const std::string n = std::to_string(row);
        rows.SetCellText(row, corvela::COLUMN_USER_NAME, u"u" + Text(n.begin(), n.end()));
    }
    EXPECT_EQ(corvela::BuildUserList(rows), u"");
    Check({0, 2});
    EXPECT_EQ(corvela::BuildUserList(rows), u"u0\\u2\\");
    EXPECT_EQ(corvela::BuildUserList(rows, 3), u"u0\\u2\\u3\\");
    EXPECT_EQ(corvela::BuildUserList(rows, 2), u"u0\\");
    EXPECT_EQ(corvela::BuildUserList(rows, corvela::NO_ROW), u"u0\\u2\\");
}

}  // namespace
