// Baseline for the download benchmark: the plainest WinInet read loop.
//   bench_wininet_get URL BLOCK_BYTES [TARGET]
// reads the URL in blocks of BLOCK_BYTES, writes them to TARGET when given,
// and prints the throughput and the process's peak memory.
#include <windows.h>
#include <psapi.h>
#include <wininet.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include "framework/handles.h"

namespace {

constexpr double MIB = 1024.0 * 1024.0;

// Bytes read, or -1 when a read or a write failed.
long long ReadAll(HINTERNET request, HANDLE file, DWORD block_bytes) {
    std::vector<char> block(block_bytes);
    long long total = 0;
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request, block.data(), block_bytes, &read)) return -1;
        if (read == 0) return total;
        DWORD written = 0;
        if (file && (!WriteFile(file, block.data(), read, &written, nullptr) || written != read)) return -1;
        total += read;
    }
}

long long Fetch(const wchar_t* url, DWORD block_bytes, const wchar_t* target) {
    corvela::InternetHandle library(InternetOpenW(L"bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!library) return -1;
    corvela::InternetHandle request(InternetOpenUrlW(library.Get(), url, nullptr, 0,
                                                     INTERNET_FLAG_RELOAD | INTERNET_FLAG_TRANSFER_BINARY, 0));
    if (!request) return -1;
    corvela::KernelHandle file;
    if (target) {
        file.Reset(CreateFileW(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return -1;
    }
    return ReadAll(request.Get(), file.Get(), block_bytes);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const DWORD block_bytes = argc >= 3 ? static_cast<DWORD>(_wtoi(argv[2])) : 0;
    if (argc < 3 || argc > 4 || block_bytes == 0) {
        std::fwprintf(stderr, L"usage: bench_wininet_get URL BLOCK_BYTES [TARGET]\n");
        return 2;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const long long bytes = Fetch(argv[1], block_bytes, argc == 4 ? argv[3] : nullptr);
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    std::wprintf(L"WinInet loop, %lu-byte reads%ls: %lld bytes in %.2f s = %.1f MiB/s; "
                 L"peak working set %.1f MiB, peak pagefile %.1f MiB\n",
                 block_bytes, argc == 4 ? L" written to a file" : L"", bytes, seconds, bytes / MIB / seconds,
                 memory.PeakWorkingSetSize / MIB, memory.PeakPagefileUsage / MIB);
    return bytes < 0 ? 1 : 0;
}
