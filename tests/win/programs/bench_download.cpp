// Download benchmark: fetches one URL with the download transport and prints
// its throughput and the process's peak memory.
//   bench_download URL TARGET records      every block's record goes through
//                                          the channel to a window on this
//                                          thread that takes them as the
//                                          progress dialog does, at most once
//                                          per display interval
//   bench_download URL TARGET no-records   the same fetch, no record at all
// Exit code 0 when the whole file arrived.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>

#include "common/wide.h"
#include "framework/handles.h"
#include "paced_receiver.h"
#include "session/dialog_progress.h"
#include "session/progress_channel.h"
#include "transport/download_file.h"

namespace {

using corvela::Text;

constexpr DWORD TIME_LIMIT_MS = 30 * 60 * 1000;
constexpr double MIB = 1024.0 * 1024.0;

corvela::ProgressChannel g_channel;
corvela::RunningFlag g_running{1};
unsigned long long g_records = 0;

struct Job {
    Text url;
    Text target;
    int result = 0;
};

DWORD WINAPI DownloadWithRecords(void* context) {
    auto* job = static_cast<Job*>(context);
    corvela::DialogProgress progress(&g_channel, g_running, corvela::PROGRESS_DOWNLOAD);
    Text saved;
    job->result = corvela::DownloadFile({job->url, job->target, Text()}, progress, &saved).Succeeded() ? 1 : 0;
    return 0;
}

// Steps that make no record: every one goes on.
class Unwatched final : public corvela::ProgressSink {
public:
    bool Report(corvela::TransferStep, uint32_t, uint32_t, const Text&, const Text&) override { return true; }
    void ShowMessage(const Text&) override {}
};

// The same fetch on this thread, its steps answered without a record.
bool RunWithoutRecords(Job* job) {
    Unwatched progress;
    job->result = corvela::FetchUrlToFile(job->url, job->target, progress).Succeeded() ? 1 : 0;
    return true;
}

// The transport on a worker thread, this thread serving its records.
bool RunWithRecords(Job* job) {
    PacedReceiver receiver(g_channel, [](const corvela::PostedRecord&) { ++g_records; });
    corvela::KernelHandle worker(CreateThread(nullptr, 0, DownloadWithRecords, job, 0, nullptr));
    if (!worker) return false;
    const ULONGLONG deadline = GetTickCount64() + TIME_LIMIT_MS;
    HANDLE waited = worker.Get();
    while (MsgWaitForMultipleObjects(1, &waited, FALSE, 1000, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (GetTickCount64() > deadline) return false;
    }
    receiver.TakeAll();
    return true;
}

double Seconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

long long FileBytes(const Text& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(corvela::W(path), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fwprintf(stderr, L"usage: bench_download URL TARGET records|no-records\n");
        return 2;
    }
    Job job{corvela::FromW(argv[1]), corvela::FromW(argv[2])};
    const bool with_records = std::wcscmp(argv[3], L"records") == 0;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    const bool ended = with_records ? RunWithRecords(&job) : RunWithoutRecords(&job);
    QueryPerformanceCounter(&end);
    if (!ended) {
        std::fwprintf(stderr, L"the download did not end in time\n");
        return 1;
    }
    const double seconds = Seconds(start, end);
    const long long bytes = FileBytes(job.target);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    std::wprintf(L"transport, %ls: %lld bytes in %.2f s = %.1f MiB/s; %llu records; result %d; "
                 L"peak working set %.1f MiB, peak pagefile %.1f MiB\n",
                 with_records ? L"a record per block through the channel" : L"no records", bytes, seconds,
                 bytes / MIB / seconds, g_records, job.result, memory.PeakWorkingSetSize / MIB,
                 memory.PeakPagefileUsage / MIB);
    return job.result == 1 ? 0 : 1;
}
