// Soak: one control, hosted in place in one window of one process, runs many
// batches in a row, uploads and downloads in turn, some cancelled and some
// failing, while the page keeps filling and emptying the file list. It prints
// what the process holds at the start, every 100 batches and at the end.
//
//   soak.exe OCX UPLOAD_BASE DOWNLOAD_BASE FOLDER [BATCHES]
//
// UPLOAD_BASE and DOWNLOAD_BASE are the loopback upload and download servers
// (http://127.0.0.1:PORT); FOLDER is where the files to send and the cache
// folder go. Downloads whose type has an open command (".cvs") are opened;
// the others are scripts the control never opens. Exit status 0 when every
// batch returned what its kind should.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "common/constants.h"
#include "framework/container_site.h"
#include "hosted_control.h"
#include "process_figures.h"

namespace {

using corvela::ComPtr;
using corvela::ContainerSite;

// ---- what the process holds ----

// Kernel handles, as the system's handle list names them for this process
// (GetProcessHandleCount answers 0 under Wine; the list is right on both).
struct HandleEntry {
    ULONG owner;
    BYTE type;
    BYTE flags;
    USHORT value;
    PVOID object;
    ULONG access;
};

long KernelHandles() {
    using Query = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation"));
    if (!query) return -1;
    const ULONG kSystemHandleInformation = 16;
    std::vector<char> buffer(1 << 20);
    ULONG length = 0;
    NTSTATUS status;
    while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &length)) ==
           static_cast<NTSTATUS>(0xC0000004L))  // STATUS_INFO_LENGTH_MISMATCH
        buffer.resize(buffer.size() * 2);
    if (status != 0) return -1;
    const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
    const auto* entries = reinterpret_cast<const HandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
    long own = 0;
    for (ULONG i = 0; i < count; ++i) own += entries[i].owner == GetCurrentProcessId() ? 1 : 0;
    return own;
}

// GDI objects: what the system counts, or where it answers 0 (Wine), the
// live entries of the process's GDI handle table, found by asking each
// handle index for its object type.
DWORD GdiObjects() {
    if (DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return counted;
    DWORD live = 0;
    for (ULONG_PTR index = 1; index < 0x10000; ++index)
        live += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) ? 1 : 0;
    return live;
}

// USER objects: what the system counts, or where it answers 0 (Wine), the
// windows of the process.
DWORD UserObjects() {
    if (DWORD counted = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) return counted;
    return figures::ProcessWindows();
}

// Committed memory that belongs to this process alone.
uint64_t PrivateBytes() {
    uint64_t total = 0;
    MEMORY_BASIC_INFORMATION region;
    const char* address = nullptr;
    while (VirtualQuery(address, &region, sizeof region)) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        address = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    }
    return total;
}

void PrintFigures(const char* when) {
    std::printf("%-12s handles %5ld  GDI %5lu  USER %4lu  private %7.1f MiB  heap in use %7.1f MiB\n", when,
                KernelHandles(), GdiObjects(), UserObjects(), PrivateBytes() / 1048576.0,
                figures::HeapBytesInUse() / 1048576.0);
    std::fflush(stdout);
}

// ---- the page ----

struct Page {
    HWND window = nullptr;
    ComPtr<ContainerSite> site;
    hosted::Control control;
    std::wstring upload_base, download_base, folder, cache;
    std::vector<std::wstring> sources;
    int list_entries = 0;
};

HWND FoundDialog = nullptr;

BOOL CALLBACK FindProgressDialog(HWND window, LPARAM) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t class_name[16] = {};
    GetClassNameW(window, class_name, 16);
    if (process != GetCurrentProcessId() || std::wcscmp(class_name, L"#32770") != 0) return TRUE;
    if (!GetDlgItem(window, IDC_PROGRESS_FILE_BAR)) return TRUE;
    FoundDialog = window;
    return FALSE;
}

// The user closes the progress dialog: a thread timer, dispatched by the
// dialog's own modal loop, as a page's script timer would be.
void CALLBACK CloseTheDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    FoundDialog = nullptr;
    EnumWindows(FindProgressDialog, 0);
    if (!FoundDialog) return;  // not open yet: try again at the next tick
    KillTimer(nullptr, timer);
    PostMessageW(FoundDialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

bool WriteFileOf(const std::wstring& path, size_t bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string content(bytes, 'x');
    DWORD written = 0;
    const bool ok = WriteFile(file, content.data(), static_cast<DWORD>(bytes), &written, nullptr) && written == bytes;
    CloseHandle(file);
    return ok;
}

void EmptyFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// What a page does between batches: an entry more in the list, ticked now
// and then; the list emptied before it reaches its limit.
void TendTheList(Page& page, int batch) {
    if (page.list_entries == 200) {
        page.control.Call(L"DeleteFileListAll");
        page.list_entries = 0;
    }
    const std::wstring name = L"entry" + std::to_wstring(batch) + (batch % 3 ? L".txt" : L".hwp");
    page.control.Call(L"InsertFileList", {name, page.folder + L"\\" + name, L"i1", L"i2", std::to_wstring(batch * 1000)});
    if (batch % 4 == 0) page.control.Call(L"SetCheckList", {page.list_entries, true});
    ++page.list_entries;
}

enum class Outcome { Whole, Failing, Cut, Cancelled };

Outcome OutcomeOf(int round) {
    switch (round % 10) {
        case 6: return Outcome::Failing;
        case 7: return Outcome::Cut;
        case 8: return Outcome::Cancelled;
        default: return Outcome::Whole;
    }
}

// One upload batch of the two source files; the number of results it should
// return alongside the number it did.
std::pair<int, int> Upload(Page& page, Outcome outcome) {
    const wchar_t* path = L"/ok/soak.asp";
    if (outcome == Outcome::Failing) path = L"/error/soak.asp";
    if (outcome == Outcome::Cut) path = L"/drop/1000/soak.asp";
    if (outcome == Outcome::Cancelled) path = L"/slowbody/32768/soak.asp";
    page.control.Call(L"AddUploadFile", {L"", L""});
    for (const std::wstring& source : page.sources) page.control.Call(L"AddUploadFile", {source, L"soak"});
    if (outcome == Outcome::Cancelled) SetTimer(nullptr, 0, 150, CloseTheDialog);
    const int got = page.control.Call(L"StartUpload", {page.upload_base + path, L"soak", L"S", L"", L""});
    return {outcome == Outcome::Whole ? 2 : 0, got};
}

// One download batch of two files into the cache folder, emptied afterwards.
std::pair<int, int> Download(Page& page, int batch, Outcome outcome, bool opened_type) {
    const std::wstring size = L"size=20000&seed=" + std::to_wstring(batch % 251);
    std::wstring first = page.download_base + L"/file/a.bin?" + size;
    if (outcome == Outcome::Failing) first = page.download_base + L"/status/404/a.bin";
    if (outcome == Outcome::Cut) first = page.download_base + L"/short/a.bin?" + size + L"&send=5000";
    if (outcome == Outcome::Cancelled) first = page.download_base + L"/slow/a.bin?size=200000&rate=32768";
    const std::wstring second = page.download_base + L"/file/b.bin?" + size;
    const std::wstring stem = L"s" + std::to_wstring(batch);
    // A script is never opened; two of them share a folder, as two programs
    // could not.
    const std::wstring type = opened_type ? L".cvs" : L".js";

    page.control.Call(L"AddDownloadUrlForCache", {L"", L"", L"", 0});
    page.control.Call(L"AddDownloadUrlForCache", {first, stem + L"a" + type, L"a" + type, 20000});
    page.control.Call(L"AddDownloadUrlForCache", {second, stem + L"b" + type, L"b" + type, 20000});
    if (outcome == Outcome::Cancelled) SetTimer(nullptr, 0, 150, CloseTheDialog);
    const int got = page.control.Call(L"OpenDownload", {page.cache});
    EmptyFolder(page.cache);
    const int expected = outcome == Outcome::Whole ? 2 : outcome == Outcome::Cancelled ? 0 : 1;
    return {expected, got};
}

LRESULT CALLBACK PageWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcW(window, message, wparam, lparam);
}

bool OpenPage(Page& page, const wchar_t* ocx) {
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = PageWindowProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"CorvelaSoakPage";
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&window_class);
    page.window = CreateWindowExW(0, window_class.lpszClassName, L"Corvela soak", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  40, 40, 640, 320, nullptr, nullptr, window_class.hInstance, nullptr);
    if (!page.window || !page.control.Create(ocx)) return false;
    RECT client = {};
    GetClientRect(page.window, &client);
    page.site = ContainerSite::Create(page.window, client);
    return SUCCEEDED(page.site->Attach(page.control.Object())) && SUCCEEDED(page.site->Initialise(nullptr)) &&
           SUCCEEDED(page.site->ActivateInPlace());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: soak OCX UPLOAD_BASE DOWNLOAD_BASE FOLDER [BATCHES]\n");
        return 2;
    }
    const int batches = argc > 5 ? _wtoi(argv[5]) : 1000;
    OleInitialize(nullptr);
    Page page;
    page.upload_base = argv[2];
    page.download_base = argv[3];
    page.folder = argv[4];
    page.cache = page.folder + L"\\cache";
    for (const wchar_t* name : {L"first.txt", L"second.hwp"}) {
        page.sources.push_back(page.folder + L"\\" + name);
        if (!WriteFileOf(page.sources.back(), 64 * 1024)) return 1;
    }
    if (!OpenPage(page, argv[1])) {
        std::fprintf(stderr, "soak: the control could not be hosted\n");
        return 1;
    }

    PrintFigures("start");
    int unexpected = 0;
    int counts[2][4] = {};
    for (int batch = 1; batch <= batches; ++batch) {
        const bool upload = batch % 2 == 1;
        const int round = (batch - 1) / 2;
        const Outcome outcome = OutcomeOf(round);
        page.control.Put(L"HideProgressDlg", round % 10 == 5);
        page.control.Put(L"SetBigLang", round % 10 == 9 ? 1 : 0);
        TendTheList(page, batch);
        const std::pair<int, int> result =
            upload ? Upload(page, outcome) : Download(page, batch, outcome, round % 10 == 0);
        ++counts[upload ? 0 : 1][static_cast<int>(outcome)];
        if (result.first != result.second) {
            ++unexpected;
            std::printf("batch %d (%s, kind %d): %d results, expected %d\n", batch, upload ? "upload" : "download",
                        static_cast<int>(outcome), result.second, result.first);
            for (int i = 0; i < result.second; ++i)
                std::printf("    %ls\n", page.control.CallText(L"GetReturn", {i}).c_str());
        }
        if (batch % 100 == 0) PrintFigures(("batch " + std::to_string(batch)).c_str());
    }
    // A cancelled batch's worker may still be ending; give it time to go.
    MSG message;
    for (int i = 0; i < 20; ++i) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(50);
    }
    PrintFigures("end");
    std::printf("uploads: %d whole, %d refused, %d cut, %d cancelled; downloads: %d whole, %d refused, %d cut, "
                "%d cancelled; %d unexpected results\n",
                counts[0][0], counts[0][1], counts[0][2], counts[0][3], counts[1][0], counts[1][1], counts[1][2],
                counts[1][3], unexpected);
    page.site->Close();
    DestroyWindow(page.window);
    return unexpected == 0 ? 0 : 1;
}
