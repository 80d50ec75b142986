// GetFolderPath with the real folder browser: a thread of the test plays the
// user (types into the added edit box, presses OK or Cancel, picks tree
// items) while the call runs modally on the test thread, and the watcher
// answers the message boxes.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <functional>
#include <mutex>
#include <thread>

#include "common/wide.h"
#include "corvela_h.h"
#include "shell/folder_dialog.h"
#include "support.h"

namespace {

constexpr int TREE_ID = 14145;
constexpr int PROMPT_ID = 14146;
constexpr int STATUS_ID = 14147;
constexpr int EDIT_ID = 14148;
constexpr DWORD WAIT_MS = 10000;

const std::wstring INVALID = L"is invalid. Please reenter.";
const std::wstring QUESTION = L"does not exist. Do you want the folder to be created?";
const std::wstring NOT_CREATED = L"can not be created. Please double check.";

std::wstring Message(const std::wstring& path, const std::wstring& ending) {
    return L"The folder:\n\n" + path + L"\n\n" + ending;
}

bool IsOwnDialog(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t class_name[16] = {};
    GetClassNameW(window, class_name, 16);
    return process == GetCurrentProcessId() && lstrcmpW(class_name, L"#32770") == 0 && IsWindowVisible(window);
}

struct Search {
    int child_id;
    HWND found;
};

BOOL CALLBACK FindDialogWithChild(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    if (!IsOwnDialog(window) || !GetDlgItem(window, search->child_id)) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindDialogWithChild(int child_id) {
    Search search{child_id, nullptr};
    EnumWindows(&FindDialogWithChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindMessageBox() { return FindDialogWithChild(0xFFFF); }

bool WaitFor(const std::function<bool()>& done, DWORD timeout = WAIT_MS) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeout) return false;
        Sleep(10);
    }
    return true;
}

// How a message box looked: its buttons and its icon.
struct BoxLook {
    std::wstring caption;
    bool yes_no = false;
    bool ok_only = false;
    HICON icon = nullptr;
};

BOOL CALLBACK FindIcon(HWND child, LPARAM out) {
    if (!(GetWindowLongW(child, GWL_STYLE) & SS_ICON)) return TRUE;
    *reinterpret_cast<HICON*>(out) = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    return FALSE;
}

BoxLook LookAt(HWND box) {
    BoxLook look;
    wchar_t caption[128] = {};
    GetWindowTextW(box, caption, 128);
    look.caption = caption;
    look.yes_no = GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) && !GetDlgItem(box, IDOK);
    look.ok_only = GetDlgItem(box, IDOK) && !GetDlgItem(box, IDYES) && !GetDlgItem(box, IDNO);
    EnumChildWindows(box, &FindIcon, reinterpret_cast<LPARAM>(&look.icon));
    return look;
}

bool IsQuestionBox(const BoxLook& look) {
    return look.caption == L"CORVELA" && look.yes_no && look.icon == LoadIconW(nullptr, IDI_QUESTION);
}

bool IsErrorBox(const BoxLook& look) {
    return look.caption == L"CORVELA" && look.ok_only && look.icon == LoadIconW(nullptr, IDI_EXCLAMATION);
}

// Plays the user from its own thread while the browser runs on the test
// thread. Whatever the script leaves open is cancelled, so the call returns.
class User {
public:
    User(test::MessageBoxWatcher& boxes, std::function<void(User&)> script)
        : boxes_(boxes), thread_([this, script] { Run(script); }) {}
    ~User() { thread_.join(); }

    HWND browser() const { return browser_; }
    HWND Item(int id) const { return GetDlgItem(browser_, id); }
    bool IsOpen() const { return IsWindow(browser_) != FALSE; }
    bool OkEnabled() const { return IsWindowEnabled(Item(IDOK)) != FALSE; }

    std::wstring EditText() const {
        wchar_t text[1024] = {};
        GetWindowTextW(Item(EDIT_ID), text, 1024);
        return text;
    }

    HWND Focus() const {
        GUITHREADINFO info = {sizeof(info)};
        GetGUIThreadInfo(GetWindowThreadProcessId(browser_, nullptr), &info);
        return info.hwndFocus;
    }

    // Typing replaces the text, which raises EN_CHANGE as keys would.
    void Type(const std::wstring& text) {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(Item(EDIT_ID), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL,
                            WAIT_MS, &result);
    }

    // Presses OK and waits until the browser has closed, or until it waits
    // for the user again after `boxes` more message boxes were answered.
    void PressOk(size_t boxes) {
        const size_t expected = boxes_.seen().size() + boxes;
        PostMessageW(browser_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(Item(IDOK)));
        if (boxes == 0) {
            WaitFor([&] { return !IsOpen(); });
            return;
        }
        WaitFor([&] { return !IsOpen() || (boxes_.seen().size() >= expected && !FindMessageBox()); });
        Settle();
    }

    // Selects a tree item the way the browser's own code does.
    void Select(const wchar_t* path) { Send(BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path)); }
    void Select(PCIDLIST_ABSOLUTE item) { Send(BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(item)); }

private:
    void Run(const std::function<void(User&)>& script) {
        WaitFor([&] { return (browser_ = FindDialogWithChild(TREE_ID)) != nullptr; });
        if (!browser_) return;
        Settle();
        script(*this);
        if (IsOpen()) PostMessageW(browser_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        WaitFor([&] { return !IsOpen(); });
    }

    void Send(UINT message, WPARAM wparam, LPARAM lparam) {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(browser_, message, wparam, lparam, SMTO_NORMAL, WAIT_MS, &result);
    }

    // Returns once the browser's thread has handled what came before.
    void Settle() { Send(WM_NULL, 0, 0); }

    test::MessageBoxWatcher& boxes_;
    HWND browser_ = nullptr;
    std::thread thread_;
};

struct FolderDialog : testing::Test {
    void SetUp() override {
        ASSERT_EQ(CoCreateInstance(CLSID_Corvela, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(&control)),
                  S_OK);
        base = test::NewScratchFolder(L"folders");
        boxes.BeforeAnswer([this](const test::MessageBoxWatcher::Seen&) {
            HWND box = FindMessageBox();
            if (!box) return;
            const BoxLook look = LookAt(box);
            std::lock_guard<std::mutex> lock(looks_mutex);
            looks.push_back(look);
        });
    }
    void TearDown() override {
        if (control) control->Release();
    }

    std::wstring GetFolderPath(IDispatch* object, std::function<void(User&)> script) {
        User user(boxes, std::move(script));
        return test::Call(object, L"GetFolderPath").Text();
    }
    std::wstring GetFolderPath(std::function<void(User&)> script) { return GetFolderPath(control, std::move(script)); }

    std::vector<std::wstring> Texts() {
        std::vector<std::wstring> texts;
        for (const auto& seen : boxes.seen()) texts.push_back(seen.text);
        return texts;
    }

    std::vector<BoxLook> Looks() {
        std::lock_guard<std::mutex> lock(looks_mutex);
        return looks;
    }

    IDispatch* control = nullptr;
    std::wstring base;
    // Written on the watcher's thread while a box is up, so declared before
    // the watcher, which stops first.
    std::mutex looks_mutex;
    std::vector<BoxLook> looks;
    test::MessageBoxWatcher boxes;
};

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A folder the browser can select by its path: one in the root of C: with no
// full stop in its name, which Wine's browser finds every time (it misses a
// path with a full stop in a name, as the scratch folder's has, and now and
// then one in the temporary folder).
std::wstring SelectableFolder() {
    const std::wstring folder = L"C:\\corvela-folders-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

TEST_F(FolderDialog, OpensOnTheCurrentFolderWithTheEditBoxAboveTheTree) {
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    const std::wstring current = SelectableFolder();
    ASSERT_TRUE(SetCurrentDirectoryW(current.c_str()));
    std::wstring shown;
    bool ok_enabled = false, status_visible = true, same_font = false;
    RECT tree = {}, edit = {};
    HWND owner = reinterpret_cast<HWND>(1);
    const std::wstring result = GetFolderPath([&](User& user) {
        shown = user.EditText();
        ok_enabled = user.OkEnabled();
        status_visible = IsWindowVisible(user.Item(STATUS_ID));
        GetWindowRect(user.Item(TREE_ID), &tree);
        GetWindowRect(user.Item(EDIT_ID), &edit);
        same_font = SendMessageW(user.Item(EDIT_ID), WM_GETFONT, 0, 0) == SendMessageW(user.browser(), WM_GETFONT, 0, 0);
        owner = GetWindow(user.browser(), GW_OWNER);
        user.PressOk(0);
    });
    SetCurrentDirectoryW(previous);

    EXPECT_EQ(shown, current);
    EXPECT_TRUE(ok_enabled);
    EXPECT_EQ(result, current + L"\\");
    EXPECT_TRUE(boxes.seen().empty());
    // A control without a window has no page window to be modal to.
    EXPECT_EQ(owner, nullptr);
    // The edit box spans the tree, 19 pixels high, 4 above it, in the place
    // of the status line it hides.
    EXPECT_FALSE(status_visible);
    EXPECT_EQ(edit.left, tree.left);
    EXPECT_EQ(edit.right, tree.right);
    EXPECT_EQ(edit.bottom, tree.top - 4);
    EXPECT_EQ(edit.top, tree.top - 23);
    EXPECT_TRUE(same_font);
}

TEST_F(FolderDialog, ShowsItsTitleAndPromptOpensOnItsFolderAndKeepsItsParentBehind) {
    const std::wstring initial = SelectableFolder();
    HWND parent = CreateWindowExW(0, L"STATIC", L"parent", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    corvela::CFolderDialog dialog(corvela::Text(u"Pick a folder"), corvela::Text(u"Where should the files go?"),
                                  corvela::FromW(initial.c_str()), parent);
    std::wstring caption, prompt, shown;
    HWND owner = nullptr;
    int32_t result = 0;
    {
        User user(boxes, [&](User& user) {
            wchar_t text[256] = {};
            GetWindowTextW(user.browser(), text, 256);
            caption = text;
            GetWindowTextW(user.Item(PROMPT_ID), text, 256);
            prompt = text;
            shown = user.EditText();
            owner = GetWindow(user.browser(), GW_OWNER);
        });
        result = dialog.DoModal();
    }
    DestroyWindow(parent);
    EXPECT_EQ(caption, L"Pick a folder");
    EXPECT_EQ(prompt, L"Where should the files go?");
    EXPECT_EQ(shown, initial);
    EXPECT_EQ(owner, parent);
    EXPECT_EQ(result, -1) << "cancelled";
    EXPECT_EQ(dialog.Path(), corvela::FromW(initial.c_str())) << "the edit box as last read";
}

TEST_F(FolderDialog, RefusedPathsKeepTheBrowserOpenAndCreateNothing) {
    boxes.Answer(QUESTION, IDNO);
    const std::wstring trailing = base + L"\\new\\";
    const std::wstring bad_name = base + L"\\missing\\what?\\below";
    const std::wstring too_long = base + L"\\" + std::wstring(300, L'a');
    const std::wstring declined = base + L"\\declined";
    std::vector<bool> open_after;
    std::vector<bool> focus_in_edit;
    const std::wstring result = GetFolderPath([&](User& user) {
        for (const std::wstring& path : {trailing, bad_name, too_long, declined}) {
            user.Type(path);
            user.PressOk(1);
            open_after.push_back(user.IsOpen());
            focus_in_edit.push_back(user.Focus() == user.Item(EDIT_ID));
        }
        // The same folder without its trailing backslash is taken at once.
        user.Type(base);
        user.PressOk(0);
    });

    EXPECT_EQ(result, base + L"\\");
    EXPECT_EQ(open_after, std::vector<bool>(4, true));
    EXPECT_EQ(focus_in_edit, std::vector<bool>(4, true));
    // A path longer than the platform's buffers is refused whole rather than
    // cut to a shorter path that names another folder.
    EXPECT_EQ(Texts(), (std::vector<std::wstring>{Message(trailing, INVALID), Message(bad_name, INVALID),
                                                  Message(too_long, INVALID), Message(declined, QUESTION)}));
    const std::vector<BoxLook> seen = Looks();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_TRUE(IsErrorBox(seen[0]));
    EXPECT_TRUE(IsQuestionBox(seen[3]));
    for (const wchar_t* name : {L"\\new", L"\\missing", L"\\declined"}) EXPECT_FALSE(test::FileExists(base + name));
}

TEST_F(FolderDialog, CreatesEveryMissingLevelAfterYes) {
    boxes.Answer(QUESTION, IDYES);
    const std::wstring path = base + L"\\one\\two\\three";
    const std::wstring result = GetFolderPath([&](User& user) {
        user.Type(path);
        user.PressOk(1);
    });
    EXPECT_EQ(result, path + L"\\");
    EXPECT_EQ(Texts(), std::vector<std::wstring>{Message(path, QUESTION)});
    const std::vector<BoxLook> seen = Looks();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(IsQuestionBox(seen[0]));
    EXPECT_TRUE(IsDirectory(path));
}

TEST_F(FolderDialog, AcceptsAnExistingFileWithoutAQuestion) {
    const std::wstring file = base + L"\\notes.txt";
    ASSERT_TRUE(test::WriteFileBytes(file, "notes"));
    const std::wstring result = GetFolderPath([&](User& user) {
        user.Type(file);
        user.PressOk(0);
    });
    EXPECT_EQ(result, file + L"\\");
    EXPECT_TRUE(boxes.seen().empty());
}

TEST_F(FolderDialog, AMissingDriveIsAskedAboutThenCannotBeCreated) {
    const DWORD drives = GetLogicalDrives();
    wchar_t letter = L'Y';
    while (letter > L'D' && (drives & (1u << (letter - L'A')))) --letter;
    ASSERT_GT(letter, L'D') << "every drive letter is taken";
    const std::wstring path = std::wstring(1, letter) + L":\\new";
    boxes.Answer(QUESTION, IDYES);
    bool open_after = false;
    const std::wstring result = GetFolderPath([&](User& user) {
        user.Type(path);
        user.PressOk(2);
        open_after = user.IsOpen();
    });
    EXPECT_TRUE(open_after);
    EXPECT_EQ(result, L"") << "Cancel gives the empty text";
    EXPECT_EQ(Texts(), (std::vector<std::wstring>{Message(path, QUESTION), Message(path, NOT_CREATED)}));
    const std::vector<BoxLook> seen = Looks();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(IsErrorBox(seen[1]));
}

TEST_F(FolderDialog, OkFollowsTheEditBoxAndTheTree) {
    PIDLIST_ABSOLUTE computer = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer), S_OK);
    struct State {
        std::wstring text;
        bool ok;
    };
    std::vector<State> states;
    const std::wstring result = GetFolderPath([&](User& user) {
        const auto record = [&] { states.push_back({user.EditText(), user.OkEnabled()}); };
        user.Type(base);
        record();
        user.Type(L"");
        record();
        user.Type(base);
        user.Select(computer);  // a virtual item: no file-system path
        record();
        user.Select(L"C:\\");
        record();
        user.PressOk(0);
    });
    CoTaskMemFree(computer);

    ASSERT_EQ(states.size(), 4u);
    EXPECT_EQ(states[0].text, base);
    EXPECT_TRUE(states[0].ok);
    EXPECT_EQ(states[1].text, L"");
    EXPECT_FALSE(states[1].ok);
    EXPECT_EQ(states[2].text, L"");
    EXPECT_FALSE(states[2].ok);
    EXPECT_EQ(states[3].text, L"C:\\");
    EXPECT_TRUE(states[3].ok);
    EXPECT_EQ(result, L"C:\\") << "a drive root keeps its one backslash";
}

TEST_F(FolderDialog, IsModalToThePageWindowOfAHostedControl) {
    test::TestContainer container;
    ASSERT_EQ(container.Host(CLSID_Corvela, 300, 120), S_OK);
    HWND owner = nullptr;
    bool page_enabled = true;
    const std::wstring result = GetFolderPath(container.Control(), [&](User& user) {
        owner = GetWindow(user.browser(), GW_OWNER);
        page_enabled = IsWindowEnabled(container.HostWindow());
    });
    EXPECT_EQ(result, L"");
    EXPECT_EQ(owner, container.HostWindow());
    EXPECT_FALSE(page_enabled);
    EXPECT_TRUE(IsWindowEnabled(container.HostWindow()));
    container.Close();
}

// Without its edit box (it could not be made, or went) OK takes the folder
// picked in the tree instead of refusing every path as invalid.
TEST_F(FolderDialog, WithoutTheEditBoxOkTakesThePickedFolder) {
    const std::wstring folder = SelectableFolder();
    const std::wstring result = GetFolderPath([&](User& user) {
        SendMessageW(user.Item(EDIT_ID), WM_CLOSE, 0, 0);
        user.Select(folder.c_str());
        user.PressOk(0);
    });
    EXPECT_EQ(result, folder + L"\\");
    EXPECT_TRUE(boxes.seen().empty());
}

// A browser whose window cannot be watched ends on its own OK; its folder is
// the answer, checked as OK checks it, instead of the OK acting as Cancel.
struct UnwatchedFolderDialog : corvela::CFolderDialog {
    using CFolderDialog::CFolderDialog;
    bool WatchBrowser(HWND) override { return false; }
};

TEST_F(FolderDialog, ABrowserThatCannotBeWatchedAnswersWithThePickedFolder) {
    const std::wstring folder = SelectableFolder();
    UnwatchedFolderDialog dialog(std::nullopt, std::nullopt, corvela::FromW(folder.c_str()), nullptr);
    bool edit_box = true;
    int32_t result = 0;
    {
        User user(boxes, [&](User& user) {
            edit_box = user.Item(EDIT_ID) != nullptr;
            user.PressOk(0);
        });
        result = dialog.DoModal();
    }
    EXPECT_FALSE(edit_box) << "no edit box whose text would be ignored";
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dialog.Path(), corvela::FromW(folder.c_str()));
}

}  // namespace
