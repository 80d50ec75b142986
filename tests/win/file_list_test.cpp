// The file list of a hosted control: entries through the scripting
// interface, files dropped on the list window, clicks and double clicks on
// its rows, and what it paints.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "common/constants.h"
#include "common/wide.h"
#include "corvela_h.h"
#include "framework/drop_files.h"
#include "support.h"

namespace {

using test::Var;

constexpr int LIST_ID = 1;
constexpr DISPID INIT_COMPLETE = 1;
constexpr DISPID ATTACH_ADD_FILE = 3;
constexpr DISPID CLICK_CHECK_BOX = 4;
constexpr DISPID DBCL_LIST_FILE = 5;
constexpr int CONTROL_WIDTH = 460;
constexpr int CONTROL_HEIGHT = 200;
const std::wstring LIMIT_TEXT = L"You can possible to attach 256 files.";

// ---- reading the list view itself ----

std::wstring CellText(HWND list, int row, int column) {
    wchar_t text[1024] = {};
    ListView_GetItemText(list, row, column, text, 1024);
    return text;
}

int IconOf(HWND list, int row) {
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    ListView_GetItem(list, &item);
    return item.iImage;
}

bool IsChecked(HWND list, int row) { return ListView_GetCheckState(list, row) == 1; }

std::vector<bool> CheckStates(HWND list) {
    std::vector<bool> states;
    for (int row = 0; row < ListView_GetItemCount(list); ++row) states.push_back(IsChecked(list, row));
    return states;
}

// ---- a hosted control ----

struct FileListControl : testing::Test {
    void SetUp() override {
        recorder = new test::EventRecorder(DIID__DCorvelaEvents);
        ASSERT_EQ(container.Host(CLSID_Corvela, CONTROL_WIDTH, CONTROL_HEIGHT,
                                 [&](IUnknown* object) { ASSERT_TRUE(recorder->Connect(object)); }),
                  S_OK);
        control = container.Control();
        list = GetDlgItem(container.ControlWindow(), LIST_ID);
        ASSERT_NE(list, nullptr);
        // English texts whatever an earlier test selected.
        test::Put(control, L"SetBigLang", Var(2));
    }
    void TearDown() override {
        if (recorder) {
            recorder->Disconnect();
            recorder->Release();
        }
    }

    void Insert(const std::wstring& name, const std::wstring& info1 = L"", const std::wstring& info2 = L"",
                const std::wstring& size = L"10") {
        test::Call(control, L"InsertFileList", {Var(name), Var(L"C:\\files\\" + name), Var(info1), Var(info2), Var(size)});
    }
    void InsertWithUser(const std::wstring& name, const std::wstring& user) {
        Insert(name);
        test::Call(control, L"InsertUserN", {Var(user)});
    }
    std::wstring Read(const wchar_t* property) { return test::Get(control, property).Text(); }
    std::wstring Read(const wchar_t* getter, int index) { return test::Get(control, getter, {Var(index)}).Text(); }
    void SetCheck(int index, bool checked) { test::Call(control, L"SetCheckList", {Var(index), Var(checked)}); }
    std::vector<test::Event> Events(DISPID id) {
        std::vector<test::Event> matching;
        for (const test::Event& event : recorder->events())
            if (event.id == id) matching.push_back(event);
        return matching;
    }

    test::MessageBoxWatcher boxes;
    test::TestContainer container;
    test::EventRecorder* recorder = nullptr;
    IDispatch* control = nullptr;
    HWND list = nullptr;
};

// ---- entries through the scripting interface ----

TEST_F(FileListControl, InsertedEntriesReadBackThroughEveryGetterAndColumn) {
    test::Call(control, L"InsertFileList",
               {Var(L"Photo.JPG"), Var(L"C:\\pics\\Photo.JPG"), Var(L"Y"), Var(L"doc"), Var(L"1572864")});
    test::Call(control, L"InsertUserN", {Var(L"kim")});
    test::Call(control, L"InsertFileList",
               {Var(L"README"), Var(L"C:\\src\\README"), Var(L"y"), Var(L"txt"), Var(L"abc")});
    test::Call(control, L"InsertFileInfo", {Var(L"\\\\server\\big\\README")});
    Insert(L"report.yes.pdf", L"YES");

    ASSERT_EQ(ListView_GetItemCount(list), 3);
    EXPECT_EQ(Read(L"GetfileName", 0), L"Photo.JPG");
    EXPECT_EQ(Read(L"GetfilePath", 0), L"C:\\pics\\Photo.JPG");
    EXPECT_EQ(Read(L"GetfileInfo1", 0), L"Y");
    EXPECT_EQ(Read(L"GetfileInfo2", 0), L"doc");
    EXPECT_EQ(Read(L"GetFileSize", 0), L"1572864");
    EXPECT_EQ(Read(L"GetfileChecked", 0), L"N");
    EXPECT_EQ(Read(L"GetfilePath", 1), L"\\\\server\\big\\README") << "the big-file path comes first";
    EXPECT_EQ(Read(L"GetFileSize", 1), L"abc");

    // The columns as the list view holds them.
    const std::vector<std::wstring> photo = {L"Photo.JPG", L"C:\\pics\\Photo.JPG", L"Y", L"doc", L"1572864",
                                             L"(1.5 MB)",  L"[Big]",              L"kim", L"", L""};
    for (int column = 0; column < 10; ++column) EXPECT_EQ(CellText(list, 0, column), photo[column]) << column;
    EXPECT_EQ(CellText(list, 1, 1), L"C:\\src\\README");
    EXPECT_EQ(CellText(list, 1, 5), L"");
    EXPECT_EQ(CellText(list, 1, 6), L"") << "a lower-case y marks nothing";
    EXPECT_EQ(CellText(list, 1, 8), L"\\\\server\\big\\README");
    EXPECT_EQ(CellText(list, 2, 6), L"") << "YES marks nothing";
    EXPECT_EQ(IconOf(list, 0), 0);
    EXPECT_EQ(IconOf(list, 1), 12);
    EXPECT_EQ(IconOf(list, 2), 9);

    EXPECT_EQ(Read(L"FileListAll"), L"Photo.JPG\\README\\report.yes.pdf\\");
    EXPECT_EQ(Read(L"isBigfileSizeAll"), L"Y\\y\\YES\\");
    EXPECT_EQ(Read(L"IsDocfileAll"), L"doc\\txt\\\\");
    EXPECT_EQ(Read(L"DelfileList"), L"");
    EXPECT_EQ(Read(L"isBigfileYN"), L"");

    // An index that names no entry.
    for (int missing : {3, -1, 300}) {
        for (const wchar_t* getter : {L"GetfileName", L"GetfilePath", L"GetfileInfo1", L"GetfileInfo2", L"GetFileSize"})
            EXPECT_EQ(Read(getter, missing), L"") << getter << " " << missing;
        EXPECT_EQ(Read(L"GetfileChecked", missing), L"N") << missing;
    }

    // The marker follows the language at insertion and stays afterwards.
    test::Put(control, L"SetBigLang", Var(1));
    Insert(L"big.zip", L"Y");
    test::Put(control, L"SetBigLang", Var(2));
    EXPECT_EQ(CellText(list, 3, 6), L"[대용량]");
    EXPECT_EQ(CellText(list, 0, 6), L"[Big]");
    EXPECT_TRUE(boxes.seen().empty());
}

TEST_F(FileListControl, The257thInsertionShowsTheLimitAndChangesNothing) {
    for (int i = 0; i < 256; ++i) Insert(L"f" + std::to_wstring(i) + L".txt", L"i", L"d");
    ASSERT_EQ(ListView_GetItemCount(list), 256);
    EXPECT_TRUE(boxes.seen().empty()) << "the 256th insertion succeeds";
    const std::wstring names = Read(L"FileListAll");
    const std::wstring info1 = Read(L"isBigfileSizeAll");

    Insert(L"over.txt", L"Y", L"x");
    ASSERT_EQ(boxes.seen().size(), 1u) << "the call returns once the message is answered";
    EXPECT_EQ(boxes.seen()[0].text, LIMIT_TEXT);
    EXPECT_EQ(boxes.seen()[0].caption, L"CORVELA");
    EXPECT_EQ(ListView_GetItemCount(list), 256);
    EXPECT_EQ(Read(L"FileListAll"), names);
    EXPECT_EQ(Read(L"isBigfileSizeAll"), info1);

    test::Put(control, L"SetBigLang", Var(1));
    test::Call(control, L"InsertFileListDRM",
               {Var(L"a.docx"), Var(L"C:\\a.docx"), Var(L""), Var(L""), Var(L"1"), Var(true)});
    test::Put(control, L"SetBigLang", Var(2));
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[1].text, L"첨부 파일은 256개 까지만 올릴 수 있습니다.");
    EXPECT_EQ(ListView_GetItemCount(list), 256);
}

TEST_F(FileListControl, MovesAndDeletesWorkOnTheRowsAndReportWhatTheyRemoved) {
    test::Call(control, L"InsertFileListDRM",
               {Var(L"a.docx"), Var(L"C:\\a.docx"), Var(L"Y"), Var(L"d0"), Var(L"5"), Var(true)});
    test::Call(control, L"InsertFileListDRM",
               {Var(L"b.docx"), Var(L"C:\\b.docx"), Var(L"i1"), Var(L"d1"), Var(L"5"), Var(false)});
    Insert(L"Photo.JPG", L"i2", L"d2");
    Insert(L"n3.txt", L"i3", L"d3");
    EXPECT_EQ(IconOf(list, 0), 13);
    EXPECT_EQ(CellText(list, 0, 9), L"DRM");
    EXPECT_EQ(CellText(list, 0, 6), L"[Big]");
    EXPECT_EQ(IconOf(list, 1), 12);
    EXPECT_EQ(CellText(list, 1, 9), L"");
    EXPECT_EQ(IconOf(list, 2), 0);

    SetCheck(2, true);
    test::Call(control, L"ListUP");
    EXPECT_EQ(Read(L"FileListAll"), L"a.docx\\Photo.JPG\\b.docx\\n3.txt\\");
    EXPECT_EQ(Read(L"isBigfileSizeAll"), L"Y\\i2\\i1\\i3\\");
    EXPECT_EQ(IconOf(list, 1), 12) << "after a move the extension is compared as written";
    EXPECT_EQ(IconOf(list, 2), 7);
    EXPECT_EQ(Read(L"GetCheckFileInfo"), L"1\\");

    SetCheck(0, true);
    test::Call(control, L"ListUP");
    EXPECT_EQ(Read(L"FileListAll"), L"a.docx\\Photo.JPG\\b.docx\\n3.txt\\") << "a checked top entry stops it";

    test::Call(control, L"SetCheckList", {Var(-1), Var(true)});
    EXPECT_EQ(CheckStates(list), (std::vector<bool>{true, true, true, true}));
    test::Call(control, L"SetCheckList", {Var(-1), Var(false)});
    EXPECT_EQ(CheckStates(list), (std::vector<bool>{false, false, false, false}));

    SetCheck(1, true);
    SetCheck(3, true);
    test::Call(control, L"DeleteFileList");
    EXPECT_EQ(Read(L"DelfileList"), L"Photo.JPG\\n3.txt\\");
    EXPECT_EQ(Read(L"isBigfileYN"), L"i2\\i3\\");
    EXPECT_EQ(Read(L"FileListAll"), L"a.docx\\b.docx\\");
    EXPECT_EQ(Read(L"isBigfileSizeAll"), L"Y\\i1\\");
    EXPECT_EQ(Read(L"IsDocfileAll"), L"d0\\d1\\");

    test::Call(control, L"DeleteFileListAll");
    EXPECT_EQ(ListView_GetItemCount(list), 0);
    EXPECT_EQ(Read(L"DelfileList"), L"a.docx\\b.docx\\");
    EXPECT_EQ(Read(L"isBigfileYN"), L"Y\\i1\\");
    for (const wchar_t* text : {L"FileListAll", L"isBigfileSizeAll", L"IsDocfileAll"}) EXPECT_EQ(Read(text), L"");
    EXPECT_EQ(recorder->Count(CLICK_CHECK_BOX), 0u) << "marking from script fires nothing";
}

// A page measures a file with GetReturnSize and lists it with that size:
// above 2 and 4 GiB the size stays whole all the way to the size column.
TEST_F(FileListControl, FilesAbove2And4GiBKeepTheirTrueSizeFromGetReturnSizeToTheList) {
    const std::wstring folder = test::NewScratchFolder(L"true-sizes");
    struct Case {
        uint64_t bytes;
        std::wstring size_text, shown;
    };
    const Case cases[] = {{3ull << 30, L"3221225472", L"(3072.0 MB)"}, {5ull << 30, L"5368709120", L"(5120.0 MB)"}};
    for (int row = 0; row < 2; ++row) {
        const Case& c = cases[row];
        const std::wstring path = folder + L"\\big" + std::to_wstring(row) + L".bin";
        ASSERT_TRUE(test::MakeSparseFile(path, c.bytes, 'x'));
        const std::wstring size = test::Get(control, L"GetReturnSize", {Var(path)}).Text();
        DeleteFileW(path.c_str());
        EXPECT_EQ(size, c.size_text);
        Insert(L"big" + std::to_wstring(row) + L".bin", L"", L"", size);
        EXPECT_EQ(CellText(list, row, 5), c.shown);
        EXPECT_EQ(Read(L"GetFileSize", row), c.size_text);
    }
}

TEST(FileListWithoutWindow, AnswersEveryListMemberAsAnEmptyList) {
    IDispatch* control = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_Corvela, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&control)),
              S_OK);
    test::MessageBoxWatcher boxes;
    const std::vector<Var> entry = {Var(L"a.txt"), Var(L"C:\\a.txt"), Var(L"Y"), Var(L"x"), Var(L"1")};
    std::vector<Var> drm_entry = entry;
    drm_entry.push_back(Var(true));
    const std::vector<std::pair<const wchar_t*, std::vector<Var>>> methods = {
        {L"InsertFileList", entry},          {L"InsertFileListDRM", drm_entry},
        {L"InsertUserN", {Var(L"kim")}},     {L"InsertFileInfo", {Var(L"D:\\big")}},
        {L"SetCheckList", {Var(-1), Var(true)}}, {L"SetCheckList", {Var(0), Var(true)}},
        {L"ListUP", {}},                     {L"ListDOWN", {}},
        {L"SetAllowedExt", {Var(L"pdf\\")}}, {L"DeleteFileList", {}},
        {L"DeleteFileListAll", {}},          {L"GetCheckFileInfo", {}},
    };
    for (const auto& method : methods) {
        const test::CallResult call = test::Invoke(control, method.first, DISPATCH_METHOD, method.second);
        EXPECT_EQ(call.hr, S_OK) << method.first;
        EXPECT_EQ(call.value.Text(), L"") << method.first;
    }
    const auto read = [&](const wchar_t* name, const std::vector<Var>& arguments) {
        const test::CallResult call = test::Invoke(control, name, DISPATCH_PROPERTYGET, arguments);
        EXPECT_EQ(call.hr, S_OK) << name;
        return call.value.Text();
    };
    for (const wchar_t* text : {L"DelfileList", L"isBigfileYN", L"isBigfileSizeAll", L"FileListAll", L"IsDocfileAll"})
        EXPECT_EQ(read(text, {}), L"") << text;
    for (const wchar_t* getter : {L"GetfilePath", L"GetfileName", L"GetfileInfo1", L"GetfileInfo2", L"GetFileSize"})
        EXPECT_EQ(read(getter, {Var(0)}), L"") << getter;
    EXPECT_EQ(read(L"GetfileChecked", {Var(0)}), L"N");
    EXPECT_TRUE(boxes.seen().empty());
    control->Release();
}

// ---- files dropped on the list window ----

// A drop as the shell hands it over: a DROPFILES block with wide paths.
HGLOBAL DropBlock(const std::vector<std::wstring>& paths) {
    corvela::TextList names;
    for (const std::wstring& path : paths) names.push_back(corvela::FromW(path.c_str(), path.size()));
    return corvela::NewDropFiles(names, POINT{10, 10});
}

struct FileListDrop : FileListControl {
    void SetUp() override {
        FileListControl::SetUp();
        folder = test::NewScratchFolder(L"drop");
    }
    void TearDown() override {
        for (const std::wstring& path : created) DeleteFileW(path.c_str());
        FileListControl::TearDown();
    }
    std::wstring MakeFile(const std::wstring& path) {
        EXPECT_TRUE(test::WriteFileBytes(path, "x"));
        created.push_back(path);
        return path;
    }
    // The list window releases the block.
    void Drop(const std::vector<std::wstring>& paths) {
        SendMessageW(list, WM_DROPFILES, reinterpret_cast<WPARAM>(DropBlock(paths)), 0);
    }
    std::vector<std::wstring> Reported() {
        std::vector<std::wstring> texts;
        for (const test::Event& event : Events(ATTACH_ADD_FILE)) texts.push_back(event.arguments.at(0));
        return texts;
    }
    std::vector<std::pair<std::wstring, std::wstring>> Messages() {
        std::vector<std::pair<std::wstring, std::wstring>> shown;
        for (const auto& seen : boxes.seen()) shown.emplace_back(seen.caption, seen.text);
        return shown;
    }

    std::wstring folder;
    std::vector<std::wstring> created;
};

using MessageList = std::vector<std::pair<std::wstring, std::wstring>>;
const std::pair<std::wstring, std::wstring> FOLDER_MESSAGE = {L"File Upload", L"You cannot drop directories here."};

std::pair<std::wstring, std::wstring> Refused(const std::wstring& extension) {
    return {L"File Extension Limit", L"Not allowed extension(" + extension + L")"};
}

TEST_F(FileListDrop, ReportsEveryDroppedFileInOneEventWithoutInsertingIt) {
    const std::wstring a = MakeFile(L"C:\\a.txt");
    const std::wstring b = MakeFile(L"C:\\b.pdf");
    Drop({a, b});
    EXPECT_EQ(Reported(), std::vector<std::wstring>{L"C:\\a.txt|C:\\b.pdf|"});
    EXPECT_EQ(ListView_GetItemCount(list), 0) << "the page inserts what it wants";
    EXPECT_TRUE(Messages().empty());

    // Three hundred files: one event; the entry limit is the page's business.
    std::vector<std::wstring> many;
    std::wstring expected;
    for (int i = 0; i < 300; ++i) {
        many.push_back(MakeFile(folder + L"\\f" + std::to_wstring(i) + L".dat"));
        expected += many.back() + L"|";
    }
    Drop(many);
    ASSERT_EQ(Reported().size(), 2u);
    EXPECT_EQ(Reported()[1], expected);
}

TEST_F(FileListDrop, RefusesExtensionsOutsideTheAllowedListOneMessageEach) {
    const std::wstring a = MakeFile(folder + L"\\a.txt");
    const std::wstring report = MakeFile(folder + L"\\Report.PDF");
    const std::wstring setup = MakeFile(folder + L"\\setup.exe");
    const std::wstring c = MakeFile(folder + L"\\c.pdf");
    test::Call(control, L"SetAllowedExt", {Var(L"pdf\\hwp\\")});
    Drop({report, setup, c});
    EXPECT_EQ(Messages(), (MessageList{Refused(L"exe")}));
    EXPECT_EQ(Reported(), std::vector<std::wstring>{report + L"|" + c + L"|"}) << "names keep their case";

    // The extension comes from the whole path, however long.
    const std::wstring dotted = folder + L"\\old.dir";
    CreateDirectoryW(dotted.c_str(), nullptr);
    std::wstring long_path = folder + L"\\";
    while (long_path.size() < 300) long_path += L"long-folder-name\\";
    Drop({MakeFile(dotted + L"\\notes"), long_path + L"letter.docx"});
    EXPECT_EQ(Messages(), (MessageList{Refused(L"exe"), Refused(L"dir\\notes"), Refused(L"docx")}));
    EXPECT_EQ(Reported().size(), 1u) << "a drop in which nothing passed fires nothing";

    // An entry in capitals never equals a lower-case extension.
    test::Call(control, L"SetAllowedExt", {Var(L"PDF\\")});
    Drop({report});
    EXPECT_EQ(Messages().back(), Refused(L"pdf"));

    // Without a final backslash the list is empty: everything passes.
    test::Call(control, L"SetAllowedExt", {Var(L"pdf")});
    Drop({a});
    EXPECT_EQ(Reported().back(), a + L"|");
    EXPECT_EQ(Messages().size(), 4u);
}

TEST_F(FileListDrop, RefusesFoldersAndUnreadableItemsButReportsTheFilesAroundThem) {
    const std::wstring a = MakeFile(folder + L"\\a.txt");
    const std::wstring b = MakeFile(folder + L"\\b.txt");
    Drop({folder});
    EXPECT_EQ(Messages(), (MessageList{FOLDER_MESSAGE}));
    EXPECT_TRUE(Reported().empty());

    Drop({a, folder + L"\\missing.txt", b});
    EXPECT_EQ(Messages(), (MessageList{FOLDER_MESSAGE, FOLDER_MESSAGE}));
    EXPECT_EQ(Reported(), std::vector<std::wstring>{a + L"|" + b + L"|"});

    // Files dropped before a folder that ends the drop still reach the page.
    Drop({a, folder});
    EXPECT_EQ(Messages().size(), 3u);
    ASSERT_EQ(Reported().size(), 2u);
    EXPECT_EQ(Reported()[1], a + L"|");
}

// ---- clicks and double clicks on the rows ----

struct FileListClicks : FileListControl {
    void SetUp() override {
        FileListControl::SetUp();
        for (int i = 0; i < 4; ++i) InsertWithUser(L"n" + std::to_wstring(i) + L".txt", L"user" + std::to_wstring(i));
    }
    RECT Part(int row, int part) {
        RECT rect = {};
        rect.left = part;
        SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
        return rect;
    }
    POINT Middle(const RECT& rect) { return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }
    // The check box stands left of the icon.
    POINT CheckBox(int row) {
        const RECT bounds = Part(row, LVIR_BOUNDS);
        const RECT icon = Part(row, LVIR_ICON);
        return {(bounds.left + icon.left) / 2, (bounds.top + bounds.bottom) / 2};
    }
    POINT Label(int row) { return Middle(Part(row, LVIR_LABEL)); }
    POINT Icon(int row) { return Middle(Part(row, LVIR_ICON)); }
    UINT HitFlags(POINT point) {
        LVHITTESTINFO hit = {};
        hit.pt = point;
        ListView_HitTest(list, &hit);
        return hit.flags;
    }
    // Posts the button messages as the system does; one pass over the queue
    // dispatches them, and the events they raise fire before it returns.
    void Post(std::initializer_list<UINT> messages, POINT point) {
        for (UINT message : messages)
            PostMessageW(list, message, message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK ? MK_LBUTTON : 0,
                         MAKELPARAM(point.x, point.y));
        test::PumpUntil([] { return true; }, 0);
        test::PumpFor(50);
    }
    void Click(POINT point) { Post({WM_LBUTTONDOWN, WM_LBUTTONUP}, point); }
    void DoubleClick(POINT point) { Post({WM_LBUTTONDBLCLK, WM_LBUTTONUP}, point); }
    std::vector<std::wstring> UserLists() {
        std::vector<std::wstring> lists;
        for (const test::Event& event : Events(CLICK_CHECK_BOX)) lists.push_back(event.arguments.at(0));
        return lists;
    }
};

TEST_F(FileListClicks, ACheckBoxClickReportsTheEntriesCheckedOnceTheBoxHasFlipped) {
    SetCheck(0, true);
    SetCheck(3, true);
    ASSERT_TRUE(HitFlags(CheckBox(2)) & LVHT_ONITEMSTATEICON);
    Click(CheckBox(2));
    EXPECT_EQ(UserLists(), std::vector<std::wstring>{L"user0\\user2\\user3\\"});
    EXPECT_EQ(CheckStates(list), (std::vector<bool>{true, false, true, true}));

    Click(CheckBox(0));
    EXPECT_EQ(UserLists().back(), L"user2\\user3\\");
    EXPECT_EQ(CheckStates(list), (std::vector<bool>{false, false, true, true}));
}

TEST_F(FileListClicks, AClickOnANameFlipsItsBoxAndReportsTheResult) {
    SetCheck(0, true);
    SetCheck(3, true);
    ASSERT_TRUE(HitFlags(Label(1)) & LVHT_ONITEMLABEL);
    Click(Label(1));
    EXPECT_EQ(UserLists(), std::vector<std::wstring>{L"user0\\user1\\user3\\"});
    EXPECT_EQ(CheckStates(list), (std::vector<bool>{true, true, false, true}));

    Click(Label(3));
    EXPECT_EQ(UserLists().back(), L"user0\\user1\\");
    EXPECT_EQ(CheckStates(list), (std::vector<bool>{true, true, false, false}));
}

TEST_F(FileListClicks, IconsEmptySpaceAndTheRightButtonDoNothing) {
    ASSERT_EQ(HitFlags(Icon(1)) & (LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON), 0u);
    Click(Icon(1));
    const RECT last = Part(3, LVIR_BOUNDS);
    Click({Label(0).x, last.bottom + 30});
    Post({WM_RBUTTONDOWN, WM_RBUTTONUP}, Label(2));
    EXPECT_TRUE(UserLists().empty());
    EXPECT_EQ(CheckStates(list), (std::vector<bool>{false, false, false, false}));
    // The click below the entries cleared the selection; the right button
    // selected nothing again.
    EXPECT_EQ(ListView_GetSelectedCount(list), 0u);
}

TEST_F(FileListClicks, ADoubleClickReportsTheFilePathWhenThePageAsksForIt) {
    test::Put(control, L"UseDbCl", Var(true));
    test::Call(control, L"InsertFileInfo", {Var(L"\\\\server\\n3.txt")});
    DoubleClick(Label(3));
    const std::vector<test::Event> opened = Events(DBCL_LIST_FILE);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].arguments, (std::vector<std::wstring>{L"C:\\files\\n3.txt", L""}))
        << "the file path, not the big-file path";
    EXPECT_TRUE(UserLists().empty());

    // On a check box the user list travels with both events.
    SetCheck(0, true);
    DoubleClick(CheckBox(1));
    ASSERT_EQ(Events(DBCL_LIST_FILE).size(), 2u);
    ASSERT_EQ(UserLists().size(), 1u);
    EXPECT_EQ(UserLists()[0], L"user0\\user1\\");
    EXPECT_EQ(Events(DBCL_LIST_FILE)[1].arguments,
              (std::vector<std::wstring>{L"C:\\files\\n1.txt", L"user0\\user1\\"}));
}

// A user without a mouse: one click on an entry makes the control the
// page's active object with its list focused; from there the keys move the
// selection and tick the selected entry as a click on its box does, and Tab
// leaves. Keys are posted to the focused window and handed to the control
// as a browser hands them (TestContainer::PressKey): a key the control
// refuses is the page's (the arrows would scroll it) and never reaches the list.
TEST_F(FileListClicks, AfterAClickTheKeyboardMovesTicksAndLeavesTheList) {
    corvela::ContainerSite* site = container.Site();
    EXPECT_FALSE(site->ObjectIsUIActive());
    Click(Label(1));
    EXPECT_TRUE(site->ObjectIsUIActive());
    EXPECT_TRUE(site->ObjectHasFocus());
    EXPECT_EQ(GetFocus(), list);

    struct Step {
        UINT key;
        int selected;
        std::vector<bool> checks;
    };
    const Step steps[] = {
        {VK_DOWN, 2, {false, true, false, false}},  {VK_SPACE, 2, {false, true, true, false}},
        {VK_UP, 1, {false, true, true, false}},     {VK_UP, 0, {false, true, true, false}},
        {VK_UP, 0, {false, true, true, false}},     {VK_SPACE, 0, {true, true, true, false}},
        {VK_END, 3, {true, true, true, false}},     {VK_SPACE, 3, {true, true, true, true}},
        {VK_SPACE, 3, {true, true, true, false}},   {VK_HOME, 0, {true, true, true, false}},
        {VK_NEXT, 3, {true, true, true, false}},    {VK_PRIOR, 0, {true, true, true, false}},
    };
    for (const Step& step : steps) {
        container.PressKey(step.key);
        EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), step.selected) << step.key;
        EXPECT_EQ(ListView_GetSelectedCount(list), 1u) << step.key;
        EXPECT_EQ(CheckStates(list), step.checks) << step.key;
    }
    EXPECT_EQ(UserLists(), (std::vector<std::wstring>{L"user1\\", L"user1\\user2\\", L"user0\\user1\\user2\\",
                                                      L"user0\\user1\\user2\\user3\\", L"user0\\user1\\user2\\"}))
        << "Space tells the page what a click on the box tells it";

    container.PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), container.HostWindow());
    EXPECT_FALSE(site->ObjectIsUIActive());
    EXPECT_FALSE(site->ObjectHasFocus());
    container.PressKey(VK_SPACE);
    container.PressKey(VK_DOWN);
    EXPECT_EQ(UserLists().size(), 5u) << "keys after Tab are the page's";
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 0);
}

// Processes a test started through the shell: their command lines, read
// from the processes themselves, and an end to them afterwards. The shell
// finds the system's own Iexplore.exe before anything a test could register,
// so the test asks the started browser what it was told.
class ChildProcesses {
public:
    ~ChildProcesses() {
        for (DWORD id : seen_) {
            HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id);
            if (!process) continue;
            TerminateProcess(process, 0);
            CloseHandle(process);
        }
    }
    // Command lines of the running children named `program`, waiting up to
    // `wait` ms for one.
    std::vector<std::wstring> CommandLines(const wchar_t* program, DWORD wait) {
        std::vector<std::wstring> lines;
        test::PumpUntil(
            [&] {
                lines = Scan(program);
                return !lines.empty();
            },
            wait);
        return lines;
    }

private:
    std::vector<std::wstring> Scan(const wchar_t* program) {
        std::vector<std::wstring> lines;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
            if (entry.th32ParentProcessID != GetCurrentProcessId() || lstrcmpiW(entry.szExeFile, program) != 0)
                continue;
            seen_.push_back(entry.th32ProcessID);
            const std::wstring line = CommandLineOf(entry.th32ProcessID);
            if (!line.empty()) lines.push_back(line);
        }
        CloseHandle(snapshot);
        return lines;
    }
    // Read from the process's own parameters block.
    static std::wstring CommandLineOf(DWORD id) {
        using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
        const auto query = reinterpret_cast<Query>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
        if (!process) return std::wstring();
        std::wstring line;
        PROCESS_BASIC_INFORMATION basic = {};
        PEB peb = {};
        RTL_USER_PROCESS_PARAMETERS parameters = {};
        if (query(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr) == 0 &&
            ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof(peb), nullptr) && peb.ProcessParameters &&
            ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof(parameters), nullptr)) {
            line.resize(parameters.CommandLine.Length / sizeof(wchar_t));
            if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, &line[0], parameters.CommandLine.Length,
                                   nullptr))
                line.clear();
        }
        CloseHandle(process);
        return line;
    }

    std::vector<DWORD> seen_;
};

// The arguments a program finds in its command line.
std::vector<std::wstring> Arguments(const std::wstring& command_line) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(command_line.c_str(), &count);
    std::vector<std::wstring> list(arguments, arguments + (arguments ? count : 0));
    LocalFree(arguments);
    return list;
}

TEST_F(FileListClicks, ADoubleClickOtherwiseOpensTheFileInTheBrowser) {
    ChildProcesses children;
    DoubleClick(Label(2));
    const std::vector<std::wstring> launched = children.CommandLines(L"iexplore.exe", 10000);
    ASSERT_EQ(launched.size(), 1u);
    std::wstring line = launched[0];
    CharLowerW(&line[0]);
    const std::wstring ending = L"iexplore.exe\" \"c:\\files\\n2.txt\"";
    EXPECT_TRUE(line.size() >= ending.size() && line.compare(line.size() - ending.size(), ending.size(), ending) == 0)
        << test::Utf8(launched[0]);
    EXPECT_TRUE(Events(DBCL_LIST_FILE).empty());
}

// The page writes an entry's path: it reaches the browser as one argument,
// never as switches and further files, and a path no quoting keeps whole is
// not handed over at all.
TEST_F(FileListClicks, APathThePageWroteReachesTheBrowserAsOneArgumentOrNotAtAll) {
    const std::wstring switches = L"http://x -extoff \\\\attacker\\share\\x.hta";
    for (const std::wstring& path : {switches, std::wstring(L"http://x\" -extoff \"y")})
        test::Call(control, L"InsertFileList", {Var(L"x.hta"), Var(path), Var(L""), Var(L""), Var(L"10")});
    ChildProcesses children;
    DoubleClick(Label(5));
    EXPECT_TRUE(children.CommandLines(L"iexplore.exe", 1500).empty()) << "a path holding a quote";

    DoubleClick(Label(4));
    const std::vector<std::wstring> launched = children.CommandLines(L"iexplore.exe", 10000);
    ASSERT_EQ(launched.size(), 1u);
    const std::vector<std::wstring> arguments = Arguments(launched[0]);
    ASSERT_EQ(arguments.size(), 2u) << test::Utf8(launched[0]);
    EXPECT_EQ(arguments[1], switches);
}

TEST_F(FileListClicks, ADoubleClickBelowTheEntriesOpensNothing) {
    ChildProcesses children;
    const RECT last = Part(3, LVIR_BOUNDS);
    DoubleClick({Label(0).x, last.bottom + 30});
    EXPECT_TRUE(children.CommandLines(L"iexplore.exe", 1500).empty());
    EXPECT_TRUE(Events(DBCL_LIST_FILE).empty());
}

// ---- what the list paints ----

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<RGBQUAD> pixels;  // top-down rows

    COLORREF At(int x, int y) const {
        const RGBQUAD& p = pixels[static_cast<size_t>(y) * width + x];
        return RGB(p.rgbRed, p.rgbGreen, p.rgbBlue);
    }
};

Picture PixelsOf(HBITMAP bitmap, int width, int height) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(static_cast<size_t>(width) * height);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(info.bmiHeader), width, -height, 1, 32, BI_RGB};
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, height, picture.pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return picture;
}

// What the window shows, read from its screen surface: once it has
// repainted itself whole, or (`repaint_all` false) as its own painting
// left it.
Picture Capture(HWND window, bool repaint_all = true) {
    if (repaint_all) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    test::PumpFor(100);
    RECT client = {};
    GetClientRect(window, &client);
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, target);
    BitBlt(memory, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    Picture picture = PixelsOf(target, client.right, client.bottom);
    DeleteObject(target);
    return picture;
}

bool IsBlue(COLORREF colour) { return GetBValue(colour) > 180 && GetRValue(colour) < 90 && GetGValue(colour) < 90; }
bool IsHintGrey(COLORREF colour) { return colour == RGB(121, 121, 121); }

int Count(const Picture& picture, const RECT& area, bool (*match)(COLORREF)) {
    int count = 0;
    for (int y = std::max(0L, area.top); y < std::min<LONG>(picture.height, area.bottom); ++y)
        for (int x = std::max(0L, area.left); x < std::min<LONG>(picture.width, area.right); ++x)
            count += match(picture.At(x, y)) ? 1 : 0;
    return count;
}

// The empty-list picture as the module carries it.
Picture EmptyListPicture() {
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_EMPTY_LIST_PICTURE),
                                                     IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP size = {};
    GetObjectW(bitmap, sizeof(size), &size);
    Picture picture = PixelsOf(bitmap, size.bmWidth, size.bmHeight);
    DeleteObject(bitmap);
    return picture;
}

// Where the hint stands: the picture 41 pixels from the left edge, centred
// on the middle line, the text from x 78.
struct HintPlace {
    RECT picture;
    RECT text;
};

HintPlace PlaceOf(const Picture& list) {
    const LONG middle = list.height / 2;
    return {{41, middle - 16, 41 + 28, middle + 16}, {78, middle - 7, list.width, middle + 12}};
}

bool ShowsThePicture(const Picture& list, const Picture& expected, const HintPlace& place) {
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x)
            if (list.At(place.picture.left + x, place.picture.top + y) != expected.At(x, y)) return false;
    return true;
}

TEST_F(FileListControl, TheEmptyListShowsItsHintUntilAnEntryArrives) {
    const Picture expected = EmptyListPicture();
    ASSERT_EQ(expected.width, 28);
    ASSERT_EQ(expected.height, 32);

    const Picture empty = Capture(list);
    const HintPlace place = PlaceOf(empty);
    EXPECT_TRUE(ShowsThePicture(empty, expected, place));
    EXPECT_GT(Count(empty, place.text, IsHintGrey), 20) << "the grey hint text";
    EXPECT_EQ(Count(empty, {0, 0, empty.width, place.text.top}, IsHintGrey), 0) << "nothing above the middle";

    // The hint goes and comes back without waiting for anything else to
    // repaint the whole list.
    Insert(L"a.txt");
    const Picture filled = Capture(list, false);
    EXPECT_FALSE(ShowsThePicture(filled, expected, place));
    EXPECT_EQ(Count(filled, place.text, IsHintGrey), 0);

    test::Call(control, L"DeleteFileListAll");
    const Picture emptied = Capture(list, false);
    EXPECT_TRUE(ShowsThePicture(emptied, expected, place));
    EXPECT_GT(Count(emptied, place.text, IsHintGrey), 20);

    // A text written to tipString replaces the hint.
    test::Put(control, L"tipString", Var(L"Put the files for this request here, please"));
    const Picture tip = Capture(list);
    EXPECT_TRUE(ShowsThePicture(tip, expected, place));
    EXPECT_GT(Count(tip, place.text, IsHintGrey), Count(emptied, place.text, IsHintGrey)) << "a longer text";
}

TEST_F(FileListControl, OnlyTheBigFileMarkerIsDrawnInBlue) {
    Insert(L"movie.avi", L"Y", L"", L"3000000");
    Insert(L"notes.txt", L"", L"", L"2048");
    const Picture shown = Capture(list);
    RECT row = {};
    row.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    const int marker_left = (CONTROL_WIDTH - 160) + 75;
    const RECT marker = {marker_left, row.top, marker_left + 65, row.bottom};
    const RECT before_marker = {0, row.top, marker_left, row.bottom};
    EXPECT_GT(Count(shown, marker, IsBlue), 10);
    EXPECT_EQ(Count(shown, before_marker, IsBlue), 0) << "name and size text in black";
    const RECT second_row = {0, row.bottom, shown.width, row.bottom + (row.bottom - row.top)};
    EXPECT_EQ(Count(shown, second_row, IsBlue), 0);
    EXPECT_GT(Count(shown, {0, row.top, marker_left, row.bottom}, [](COLORREF c) { return c == RGB(0, 0, 0); }), 10);
}

// ---- at high DPI ----

// The screen's DPI is read once per process, so each DPI is tried in a
// process of its own, started with LogPixels set in this prefix (where Wine
// reads it) and put back afterwards.
class LogPixelsOverride {
public:
    explicit LogPixelsOverride(DWORD dpi) {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &key_, nullptr);
        DWORD size = sizeof(old_);
        had_value_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) ==
                     ERROR_SUCCESS;
        RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
    }
    ~LogPixelsOverride() {
        if (had_value_)
            RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof(old_));
        else
            RegDeleteValueW(key_, L"LogPixels");
        RegCloseKey(key_);
    }
    LogPixelsOverride(const LogPixelsOverride&) = delete;
    LogPixelsOverride& operator=(const LogPixelsOverride&) = delete;

private:
    HKEY key_ = nullptr;
    DWORD old_ = 0;
    bool had_value_ = false;
};

// This suite, with only `filter` run, in a process of its own; its exit code.
DWORD RunSuiteInNewProcess(const std::wstring& filter) {
    wchar_t program[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH * 2);
    std::wstring command = L"\"" + std::wstring(program) + L"\" --gtest_filter=" + filter;
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0xFFFFFFFF;
    if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 0xFFFFFFFE);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// Text in a window's font, as the window draws it.
int TextWidth(HWND window, const std::wstring& text) {
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return extent.cx;
}

// The smallest rectangle around the pixels of `area` that `match` picks.
RECT Bounds(const Picture& picture, const RECT& area, bool (*match)(COLORREF)) {
    RECT found = {LONG_MAX, LONG_MAX, -1, -1};
    for (int y = std::max(0L, area.top); y < std::min<LONG>(picture.height, area.bottom); ++y)
        for (int x = std::max(0L, area.left); x < std::min<LONG>(picture.width, area.right); ++x)
            if (match(picture.At(x, y))) found = {std::min<LONG>(found.left, x), std::min<LONG>(found.top, y),
                                                  std::max<LONG>(found.right, x + 1), std::max<LONG>(found.bottom, y + 1)};
    return found;
}

bool IsPainted(COLORREF colour) { return colour != GetSysColor(COLOR_WINDOW); }

int Scaled(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }

// Run by HighDpiList.ColumnsIconsAndTheHintScale in a process started at
// CORVELA_TEST_DPI; skipped in the suite's own process.
TEST(HighDpiList, InAProcessStartedAtItsDpi) {
    const int dpi = _wtoi(test::Env(L"CORVELA_TEST_DPI").c_str());
    if (dpi == 0) GTEST_SKIP() << "runs in a process of its own, started by HighDpiList.ColumnsIconsAndTheHintScale";
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSX), dpi) << "LogPixels did not take";
    ReleaseDC(nullptr, screen);
    test::MessageBoxWatcher boxes;
    test::TestContainer container;
    ASSERT_EQ(container.Host(CLSID_Corvela, Scaled(CONTROL_WIDTH, dpi), Scaled(CONTROL_HEIGHT, dpi)), S_OK);
    IDispatch* control = container.Control();
    HWND list = GetDlgItem(container.ControlWindow(), LIST_ID);
    ASSERT_NE(list, nullptr);

    // The hint: the picture where it stands at 96 DPI, scaled, and the text
    // in a font as much larger.
    const Picture empty = Capture(list);
    const int middle = empty.height / 2;
    const int text_left = Scaled(78, dpi);
    const RECT picture = Bounds(empty, {0, 0, text_left, empty.height}, IsPainted);
    const RECT drawn_at_96 = Bounds(EmptyListPicture(), {0, 0, 28, 32}, IsPainted);
    const RECT expected = {Scaled(41 + drawn_at_96.left, dpi), middle - Scaled(16 - drawn_at_96.top, dpi),
                           Scaled(41 + drawn_at_96.right, dpi), middle - Scaled(16 - drawn_at_96.bottom, dpi)};
    EXPECT_NEAR(picture.left, expected.left, 2);
    EXPECT_NEAR(picture.top, expected.top, 2);
    EXPECT_NEAR(picture.right, expected.right, 2);
    EXPECT_NEAR(picture.bottom, expected.bottom, 2);
    const RECT text = Bounds(empty, {text_left, 0, empty.width, empty.height}, IsHintGrey);
    EXPECT_GE(text.left, text_left);
    EXPECT_GE(text.top, middle - Scaled(7, dpi));
    EXPECT_GE(text.bottom - text.top, Scaled(10, dpi)) << "the hint's letters are as tall as the DPI makes them";

    // The size and marker columns hold their widest texts whole, with the
    // list view's label margins (5 pixels a side).
    test::Put(control, L"SetBigLang", Var(1));
    test::Call(control, L"InsertFileList",
               {Var(L"movie.avi"), Var(L"C:\\movie.avi"), Var(L"Y"), Var(L""), Var(L"5368709120")});
    test::Put(control, L"SetBigLang", Var(2));
    test::Call(control, L"InsertFileList",
               {Var(L"notes.txt"), Var(L"C:\\notes.txt"), Var(L"Y"), Var(L""), Var(L"1048577")});
    for (int row = 0; row < 2; ++row) {
        for (int column : {5, 6}) {
            const std::wstring shown = CellText(list, row, column);
            EXPECT_GE(ListView_GetColumnWidth(list, column), TextWidth(list, shown) + 10) << test::Utf8(shown);
        }
    }
    EXPECT_EQ(ListView_GetColumnWidth(list, 0), Scaled(CONTROL_WIDTH, dpi) - ListView_GetColumnWidth(list, 5) -
                                                    ListView_GetColumnWidth(list, 6) - Scaled(20, dpi))
        << "the name column leaves room for a scroll bar, as at 96 DPI";

    // The type icons come from the strip drawn for this size.
    int width = 0, height = 0;
    HIMAGELIST icons = ListView_GetImageList(list, LVSIL_SMALL);
    ASSERT_TRUE(ImageList_GetIconSize(icons, &width, &height));
    EXPECT_EQ(width, 32);
    EXPECT_EQ(height, 32);
    EXPECT_EQ(ImageList_GetImageCount(icons), 16);
    EXPECT_TRUE(boxes.seen().empty());
}

TEST(HighDpiList, ColumnsIconsAndTheHintScale) {
    for (DWORD dpi : {144, 192}) {
        SCOPED_TRACE(dpi);
        const LogPixelsOverride log_pixels(dpi);
        const test::EnvironmentOverride wanted(L"CORVELA_TEST_DPI", std::to_wstring(dpi));
        EXPECT_EQ(RunSuiteInNewProcess(L"HighDpiList.InAProcessStartedAtItsDpi"), 0u);
    }
}

// ---- a page that lets go of the control inside one of its events ----

// The entry's check box (left of its icon) or its name, in list coordinates.
POINT PointOn(HWND list, int part) {
    RECT rect = {};
    rect.left = part;
    SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rect));
    if (part != LVIR_ICON) return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&bounds));
    return {(bounds.left + rect.left) / 2, (rect.top + rect.bottom) / 2};
}

void PostButtons(HWND list, std::initializer_list<UINT> messages, POINT point) {
    for (UINT message : messages)
        PostMessageW(list, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(point.x, point.y));
}

// What the page does to make each event fire, once the control is shown.
void Provoke(DISPID event, IDispatch* control, HWND list, const std::wstring& folder) {
    if (event == INIT_COMPLETE) return;  // fired while the control is shown
    test::Put(control, L"UseDbCl", Var(true));
    test::Call(control, L"InsertFileList", {Var(L"a.txt"), Var(L"C:\\a.txt"), Var(L""), Var(L""), Var(L"1")});
    if (event == ATTACH_ADD_FILE) {
        const std::wstring file = folder + L"\\dropped.txt";
        test::WriteFileBytes(file, "x");
        SendMessageW(list, WM_DROPFILES, reinterpret_cast<WPARAM>(DropBlock({file})), 0);
    } else if (event == CLICK_CHECK_BOX) {
        // A double click on the box: after ClickCheckBox the list still
        // handles the double click, which reads the entry and the control.
        PostButtons(list, {WM_LBUTTONDBLCLK, WM_LBUTTONUP}, PointOn(list, LVIR_ICON));
    } else {
        PostButtons(list, {WM_LBUTTONDBLCLK, WM_LBUTTONUP}, PointOn(list, LVIR_LABEL));
    }
}

// The object lives until the code that fired the event is done with it,
// then goes: no code runs on a freed control.
TEST(ReleasedInsideAnEvent, TheControlOutlivesTheHandlerThenGoes) {
    test::MessageBoxWatcher boxes;
    const std::wstring folder = test::NewScratchFolder(L"released");
    for (DISPID event : {INIT_COMPLETE, ATTACH_ADD_FILE, CLICK_CHECK_BOX, DBCL_LIST_FILE}) {
        SCOPED_TRACE(event);
        test::TestContainer container;
        auto* recorder = new test::EventRecorder(DIID__DCorvelaEvents);
        HWND control_window = nullptr;
        bool released = false, alive_in_handler = false;
        recorder->on_event = [&](const test::Event& fired) {
            if (fired.id != event || released) return;
            released = true;
            control_window = container.ControlWindow();
            container.Abandon();
            alive_in_handler = IsWindow(control_window) != FALSE;
        };
        container.Host(CLSID_Corvela, CONTROL_WIDTH, CONTROL_HEIGHT,
                       [&](IUnknown* object) { recorder->Connect(object, false); });
        if (!released) Provoke(event, container.Control(), GetDlgItem(container.ControlWindow(), LIST_ID), folder);
        test::PumpUntil([&] { return released; }, 5000);
        test::PumpFor(100);
        EXPECT_TRUE(released);
        EXPECT_TRUE(alive_in_handler) << "the control was freed inside the handler";
        EXPECT_FALSE(IsWindow(control_window)) << "the control went once the event was handled";
        recorder->Release();
    }
}

}  // namespace
