#include "shell/folder_dialog.h"

#include <commctrl.h>

#include <string>
#include <utility>

#include "common/local_files.h"
#include "common/wide.h"
#include "framework/com_ptr.h"
#include "framework/resources.h"
#include "shell/folder_path.h"

namespace corvela {
namespace {

// Controls of the platform's folder browser.
constexpr int BROWSER_TREE_ID = 14145;
constexpr int BROWSER_STATUS_ID = 14147;

constexpr UINT BROWSE_FLAGS = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;  // 5
constexpr DWORD EDIT_STYLE = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;  // 0x50010080
// The edit box sits in the status line's place, just above the tree.
constexpr int EDIT_TOP_ABOVE_TREE = 23;
constexpr int EDIT_BOTTOM_ABOVE_TREE = 4;
constexpr UINT_PTR SUBCLASS_ID = 1;

HWND OwnerFor(HWND parent, HWND main_window) {
    if (parent) return parent;
    return main_window ? GetLastActivePopup(main_window) : nullptr;
}

Text CurrentDirectory() {
    wchar_t directory[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, directory);
    return length < MAX_PATH ? FromW(directory, length) : Text();
}

// The edit box's place in the browser's client coordinates.
RECT EditBoxPlace(HWND browser) {
    RECT tree = {};
    GetWindowRect(GetDlgItem(browser, BROWSER_TREE_ID), &tree);
    RECT place = {tree.left, tree.top - EDIT_TOP_ABOVE_TREE, tree.right, tree.top - EDIT_BOTTOM_ABOVE_TREE};
    MapWindowPoints(HWND_DESKTOP, browser, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

void AddEditBox(HWND browser) {
    const RECT place = EditBoxPlace(browser);
    HWND edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", EDIT_STYLE, place.left, place.top,
                                place.right - place.left, place.bottom - place.top, browser,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(FOLDER_EDIT_ID)), ModuleInstance(),
                                nullptr);
    // Without the edit box the browser still works: OK then takes the
    // folder picked in the tree.
    if (edit) SendMessageW(edit, WM_SETFONT, static_cast<WPARAM>(SendMessageW(browser, WM_GETFONT, 0, 0)), TRUE);
}

// A tree item's file-system path when it has a drive letter; network paths
// and virtual items (the computer, the network) give the empty text.
Text DriveLetterPath(PCIDLIST_ABSOLUTE item) {
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(item, path) || path[0] == L'\0' || path[1] != L':') return Text();
    return FromW(path);
}

void CreateOneDirectory(const Text& path) { CreateDirectoryW(W(path), nullptr); }

}  // namespace

// ---- the browser's window ----

bool CFolderDialogWnd::Attach(HWND window) {
    if (!SetWindowSubclass(window, &Procedure, SUBCLASS_ID, reinterpret_cast<DWORD_PTR>(this))) return false;
    window_ = window;
    return true;
}

void CFolderDialogWnd::Detach() {
    if (window_) RemoveWindowSubclass(window_, &Procedure, SUBCLASS_ID);
    window_ = nullptr;
}

LRESULT CALLBACK CFolderDialogWnd::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                             DWORD_PTR self) {
    auto* watcher = reinterpret_cast<CFolderDialogWnd*>(self);
    if (message == WM_COMMAND && watcher->OnCommand(LOWORD(wparam), HIWORD(wparam))) return 0;
    if (message == WM_NCDESTROY) watcher->Detach();
    return DefSubclassProc(window, message, wparam, lparam);
}

bool CFolderDialogWnd::OnCommand(int id, UINT code) {
    if (id == IDOK && code == BN_CLICKED) {
        // The browser's own OK would end it with whatever the tree shows;
        // the typed path decides instead.
        dialog_.OnOk();
        return true;
    }
    if (id == FOLDER_EDIT_ID && code == EN_CHANGE) {
        dialog_.OnEditChange();
        return true;
    }
    return false;
}

// ---- the dialog ----

CFolderDialog::CFolderDialog(std::optional<Text> title, std::optional<Text> prompt,
                             std::optional<Text> initial_folder, HWND parent, HWND main_window)
    : title_(std::move(title)),
      prompt_(std::move(prompt)),
      initial_folder_(std::move(initial_folder)),
      owner_(OwnerFor(parent, main_window)) {}

int32_t CFolderDialog::DoModal() {
    ComPtr<IMalloc> allocator;
    if (FAILED(SHGetMalloc(allocator.Out())) || !allocator) return -1;
    wchar_t display_name[MAX_PATH] = {};
    BROWSEINFOW info = {};
    info.hwndOwner = owner_;
    info.pszDisplayName = display_name;
    info.lpszTitle = prompt_ ? W(*prompt_) : nullptr;
    info.ulFlags = BROWSE_FLAGS;
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(this);
    confirmed_ = false;
    watching_ = false;
    // The answer is the checked path, not the item the tree last showed.
    if (PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info)) {
        // A browser that could not be watched ended on its own OK: its item is
        // the user's choice and is checked now, as OK would have checked it.
        if (!watching_) ConfirmPickedItem(item);
        allocator->Free(item);
    }
    return confirmed_ ? 1 : -1;
}

void CFolderDialog::ConfirmPickedItem(PCIDLIST_ABSOLUTE item) {
    path_ = DriveLetterPath(item);
    confirmed_ = !path_.empty() && ValidateFolder(path_, owner_) == FOLDER_ACCEPTABLE;
}

bool CFolderDialog::WatchBrowser(HWND browser) { return window_.Attach(browser); }

int CALLBACK CFolderDialog::BrowseCallback(HWND browser, UINT message, LPARAM lparam, LPARAM self) {
    auto* dialog = reinterpret_cast<CFolderDialog*>(self);
    if (message == BFFM_INITIALIZED) dialog->OnInitialized(browser);
    if (message == BFFM_SELCHANGED) dialog->OnSelectionChanged(browser, reinterpret_cast<PCIDLIST_ABSOLUTE>(lparam));
    return 0;
}

void CFolderDialog::OnInitialized(HWND browser) {
    browser_ = browser;
    if (title_) SetWindowTextW(browser, W(*title_));
    // What is typed counts only when the dialog sees OK and the edit box; a
    // browser it cannot watch keeps its status line and answers with the
    // folder picked in the tree.
    watching_ = WatchBrowser(browser);
    if (watching_) {
        ShowWindow(GetDlgItem(browser, BROWSER_STATUS_ID), SW_HIDE);
        AddEditBox(browser);
    }
    const Text selection = initial_folder_ ? *initial_folder_ : CurrentDirectory();
    SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(W(selection)));
}

void CFolderDialog::OnSelectionChanged(HWND browser, PCIDLIST_ABSOLUTE item) {
    selected_path_ = DriveLetterPath(item);
    SendMessageW(browser, BFFM_ENABLEOK, 0, !selected_path_.empty());
    SendMessageW(browser, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(W(selected_path_)));
    SetDlgItemTextW(browser, FOLDER_EDIT_ID, W(selected_path_));
}

void CFolderDialog::OnEditChange() {
    ReadEditBox();
    SendMessageW(browser_, BFFM_ENABLEOK, 0, !path_.empty());
}

void CFolderDialog::OnOk() {
    ReadEditBox();
    if (ValidateFolder(path_, browser_) != FOLDER_ACCEPTABLE) {
        if (HWND edit = EditBox()) SendMessageW(browser_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
        return;
    }
    confirmed_ = true;
    EndDialog(browser_, 1);
}

int32_t CFolderDialog::ValidateFolder(const Text& path, HWND owner) const {
    const FolderFileSystem disk{FileExists, CreateOneDirectory};
    const FolderPrompts prompts{
        [owner](const Text& question) {
            return ModuleMessageBox(owner, question, MB_YESNO | MB_ICONQUESTION) == IDYES;
        },
        [owner](const Text& message) { ModuleMessageBox(owner, message, MB_OK | MB_ICONEXCLAMATION); }};
    return corvela::ValidateFolder(path, disk, prompts);
}

HWND CFolderDialog::EditBox() const { return GetDlgItem(browser_, FOLDER_EDIT_ID); }

// The whole text: a path cut to fit a buffer would name another folder.
// Without an edit box the folder picked in the tree is the answer.
void CFolderDialog::ReadEditBox() {
    const HWND edit = EditBox();
    path_ = edit ? WindowText(edit) : selected_path_;
}

}  // namespace corvela
