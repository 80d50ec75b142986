#include "host/box_answerer.h"

#include <windows.h>

#include <vector>

#include "common/wide.h"
#include "host/console.h"

namespace corvela {
namespace {

constexpr DWORD POLL_MILLISECONDS = 20;
constexpr DWORD GONE_WAIT_MILLISECONDS = 2000;
constexpr int MESSAGE_BOX_TEXT_ID = 0xFFFF;
const wchar_t DIALOG_CLASS[] = L"#32770";

BOOL CALLBACK CollectDialog(HWND window, LPARAM dialogs) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t class_name[16] = {};
    GetClassNameW(window, class_name, 16);
    if (process == GetCurrentProcessId() && lstrcmpW(class_name, DIALOG_CLASS) == 0 && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(dialogs)->push_back(window);
    return TRUE;
}

// The visible dialogs of this process.
std::vector<HWND> OwnDialogs() {
    std::vector<HWND> dialogs;
    EnumWindows(&CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

// A message box is a dialog with the system's text control.
bool IsMessageBox(HWND dialog) { return GetDlgItem(dialog, MESSAGE_BOX_TEXT_ID) != nullptr; }

// A folder browser is a dialog with a folder tree and an edit box for a
// typed path.
bool IsFolderBrowser(HWND dialog) {
    return FindWindowExW(dialog, nullptr, L"SysTreeView32", nullptr) &&
           FindWindowExW(dialog, nullptr, L"Edit", nullptr);
}

void WaitUntilGone(HWND window) {
    const DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window) && GetTickCount() - start < GONE_WAIT_MILLISECONDS)
        Sleep(POLL_MILLISECONDS);
}

// The box's default button. Wine's message boxes name IDOK as their default
// even where they have no such button (a Yes/No question); the system's
// default is then the first button, Yes.
UINT DefaultButton(HWND box) {
    const LRESULT found = SendMessageW(box, DM_GETDEFID, 0, 0);
    if (HIWORD(found) == DC_HASDEFID && GetDlgItem(box, LOWORD(found))) return LOWORD(found);
    for (const UINT button : {IDOK, IDYES, IDABORT, IDRETRY, IDCANCEL, IDNO})
        if (GetDlgItem(box, static_cast<int>(button))) return button;
    return IDOK;
}

void Answer(HWND box) {
    const Text text = ReplaceAll(WindowText(GetDlgItem(box, MESSAGE_BOX_TEXT_ID)), u"\n", u"\n    ");
    PrintOut(u"message box \"" + WindowText(box) + u"\": " + text);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(DefaultButton(box), BN_CLICKED), 0);
    WaitUntilGone(box);
}

void TypeFolder(HWND browser, const Text& folder) {
    PrintOut(u"folder browser \"" + WindowText(browser) + u"\": " + folder);
    SetWindowTextW(FindWindowExW(browser, nullptr, L"Edit", nullptr), W(folder));
    PostMessageW(browser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

}  // namespace

BoxAnswerer::BoxAnswerer(bool boxes, Text folder)
    : boxes_(boxes), folder_(std::move(folder)), thread_([this] { Run(); }) {}

BoxAnswerer::~BoxAnswerer() {
    stop_ = true;
    thread_.join();
}

// A browser that stays open after OK (its folder was refused) is not typed
// into again, so a refusal ends the run at its time limit instead of
// looping.
void BoxAnswerer::AnswerFolderBrowsers() {
    for (HWND browser : OwnDialogs()) {
        if (!IsFolderBrowser(browser) || browser == answered_browser_) continue;
        answered_browser_ = browser;
        TypeFolder(browser, folder_);
    }
}

void BoxAnswerer::Run() {
    while (!stop_) {
        if (boxes_)
            for (HWND box : OwnDialogs())
                if (IsMessageBox(box)) Answer(box);
        if (!folder_.empty()) AnswerFolderBrowsers();
        Sleep(POLL_MILLISECONDS);
    }
}

}  // namespace corvela
