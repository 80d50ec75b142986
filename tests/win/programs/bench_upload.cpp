// Upload benchmark.
//
//   bench_upload.exe FILE PAGE_URL
//       sends one file with CHttpUpload on a worker thread while this thread
//       takes its records from the channel as the progress dialog does, and
//       prints the throughput and the peak memory;
//   bench_upload.exe --control OCX FOLDER PAGE_URL [visible]
//       sends every file of FOLDER in one batch of the control (loaded from
//       OCX, progress dialog hidden unless `visible`) and prints the time a
//       file.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "batch_bench.h"
#include "common/wide.h"
#include "framework/handles.h"
#include "hosted_control.h"
#include "paced_receiver.h"
#include "session/dialog_progress.h"
#include "session/progress_channel.h"
#include "transport/http_upload.h"

namespace {

using namespace corvela;

struct Bench {
    ProgressChannel channel;
    RunningFlag running{1};
    Text path;
    Text page;
    int result = -1;
    uint64_t records = 0;
    uint64_t bytes = 0;
};

DWORD WINAPI UploadThread(void* parameter) {
    auto* bench = static_cast<Bench*>(parameter);
    DialogProgress progress(&bench->channel, bench->running, PROGRESS_UPLOAD);
    UploadRequest request;
    request.local_path = bench->path;
    request.page = bench->page;
    request.dst_folder = u"bench";
    request.prefix = u"B";
    CHttpUpload upload;
    bench->result = upload.UploadFile(request, progress).Succeeded() ? 1 : 0;
    return 0;
}

// Pumps this thread's messages until `thread` has ended.
void PumpUntilEnded(HANDLE thread) {
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0) break;
    }
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

double Seconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int BenchControl(const wchar_t* ocx, const wchar_t* folder, const wchar_t* page, bool visible) {
    OleInitialize(nullptr);
    const std::vector<std::wstring> files = FilesOf(folder);
    hosted::Control control;
    if (files.empty() || !control.Create(ocx)) return 1;
    control.Put(L"HideProgressDlg", !visible);
    for (const std::wstring& file : files) control.Call(L"AddUploadFile", {file, L"D"});
    LARGE_INTEGER start, end;
    const double cpu_before = ProcessCpuSeconds();
    QueryPerformanceCounter(&start);
    const int results = control.Call(L"StartUpload", {page, L"bench", L"B", L"", L""});
    QueryPerformanceCounter(&end);
    const double cpu = ProcessCpuSeconds() - cpu_before;
    const double seconds = Seconds(start, end);
    std::printf("control, %s dialog: %d of %zu files in %.2f s = %.1f ms a file (CPU %.1f ms a file)\n",
                visible ? "visible" : "hidden", results, files.size(), seconds, seconds * 1000 / files.size(),
                cpu * 1000 / files.size());
    return results == static_cast<int>(files.size()) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if ((argc == 5 || argc == 6) && std::wcscmp(argv[1], L"--control") == 0)
        return BenchControl(argv[2], argv[3], argv[4], argc == 6 && std::wcscmp(argv[5], L"visible") == 0);
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: bench_upload FILE PAGE_URL | bench_upload --control OCX FOLDER PAGE_URL [visible]\n");
        return 2;
    }
    Bench bench;
    bench.path = FromW(argv[1]);
    bench.page = FromW(argv[2]);

    PacedReceiver receiver(bench.channel, [&](const PostedRecord& posted) {
        ++bench.records;
        bench.bytes = posted.record->done;
    });

    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    KernelHandle thread(CreateThread(nullptr, 0, UploadThread, &bench, 0, nullptr));
    if (!thread) return 1;
    PumpUntilEnded(thread.Get());
    receiver.TakeAll();
    QueryPerformanceCounter(&end);

    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    const double seconds = Seconds(start, end);
    std::printf("CHttpUpload: result %d, %llu bytes in %.2f s = %.1f MiB/s, %llu records claimed\n", bench.result,
                static_cast<unsigned long long>(bench.bytes), seconds, bench.bytes / seconds / (1 << 20),
                static_cast<unsigned long long>(bench.records));
    std::printf("CHttpUpload: peak working set %.1f MiB, peak pagefile usage %.1f MiB\n",
                memory.PeakWorkingSetSize / double(1 << 20), memory.PeakPagefileUsage / double(1 << 20));
    return bench.result == 1 ? 0 : 1;
}
