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

// A message box is a dialog of this process with the system's text control.
BOOL CALLBACK CollectBox(HWND window, LPARAM boxes) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t class_name[16] = {};
    GetClassNameW(window, class_name, 16);
    if (process == GetCurrentProcessId() && lstrcmpW(class_name, DIALOG_CLASS) == 0 && IsWindowVisible(window) &&
        GetDlgItem(window, MESSAGE_BOX_TEXT_ID))
        reinterpret_cast<std::vector<HWND>*>(boxes)->push_back(window);
    return TRUE;
}

UINT DefaultButton(HWND box) {
    const LRESULT found = SendMessageW(box, DM_GETDEFID, 0, 0);
    return HIWORD(found) == DC_HASDEFID ? LOWORD(found) : IDOK;
}

void Answer(HWND box) {
    const Text text = ReplaceAll(WindowText(GetDlgItem(box, MESSAGE_BOX_TEXT_ID)), u"\n", u"\n    ");
    PrintOut(u"message box \"" + WindowText(box) + u"\": " + text);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(DefaultButton(box), BN_CLICKED), 0);
    const DWORD start = GetTickCount();
    while (IsWindow(box) && IsWindowVisible(box) && GetTickCount() - start < GONE_WAIT_MILLISECONDS)
        Sleep(POLL_MILLISECONDS);
}

}  // namespace

BoxAnswerer::BoxAnswerer() : thread_([this] { Run(); }) {}

BoxAnswerer::~BoxAnswerer() {
    stop_ = true;
    thread_.join();
}

void BoxAnswerer::Run() {
    while (!stop_) {
        std::vector<HWND> boxes;
        EnumWindows(&CollectBox, reinterpret_cast<LPARAM>(&boxes));
        for (HWND box : boxes) Answer(box);
        Sleep(POLL_MILLISECONDS);
    }
}

}  // namespace corvela
