// Reference point for the upload benchmark: the least a WinInet program does
// to POST a file as a raw body (no records, no reply judging), in blocks of a
// chosen size.
//
//   bench_wininet_post.exe FILE PAGE_URL [BLOCK_BYTES, default 65536]
//   bench_wininet_post.exe --each FOLDER PAGE_URL BLOCK_BYTES
//       every file of FOLDER, one after another, each with handles of its
//       own opened and closed around it as the control does
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "batch_bench.h"
#include "common/wide.h"
#include "framework/handles.h"
#include "transport/split_url.h"

namespace {

using namespace corvela;

double Seconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Bytes sent, or -1 when a call failed.
long long Post(HANDLE file, DWORD length, const UrlParts& url, DWORD block_bytes) {
    InternetHandle internet(InternetOpenW(L"bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    InternetHandle connection(InternetConnectW(internet.Get(), W(url.server), url.port, nullptr, nullptr,
                                               INTERNET_SERVICE_HTTP, 0, 0));
    InternetHandle request(HttpOpenRequestW(connection.Get(), L"POST", W(url.path), nullptr, nullptr, nullptr,
                                            INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!request) return -1;
    INTERNET_BUFFERSW buffers = {};
    buffers.dwStructSize = sizeof buffers;
    buffers.dwBufferTotal = length;
    if (!HttpSendRequestExW(request.Get(), &buffers, nullptr, 0, 0)) return -1;
    std::vector<char> block(block_bytes);
    long long sent = 0;
    DWORD read = 0;
    while (ReadFile(file, block.data(), block_bytes, &read, nullptr) && read > 0) {
        DWORD written = 0;
        if (!InternetWriteFile(request.Get(), block.data(), read, &written)) return -1;
        sent += written;
    }
    if (!HttpEndRequestW(request.Get(), nullptr, 0, 0)) return -1;
    char reply[1024];
    while (InternetReadFile(request.Get(), reply, sizeof reply, &read) && read > 0) {
    }
    return sent;
}

// Bytes of the file, or -1 when it could not be opened or sent.
long long PostFile(const std::wstring& path, const UrlParts& url, DWORD block_bytes) {
    KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart >= 0x80000000LL) return -1;
    return Post(file.Get(), static_cast<DWORD>(size.QuadPart), url, block_bytes);
}

int PostEach(const std::wstring& folder, const UrlParts& url, DWORD block_bytes) {
    const std::vector<std::wstring> files = FilesOf(folder);
    if (files.empty()) return 1;
    LARGE_INTEGER start, end;
    const double cpu_before = ProcessCpuSeconds();
    QueryPerformanceCounter(&start);
    size_t sent = 0;
    for (const std::wstring& path : files) sent += PostFile(path, url, block_bytes) >= 0;
    QueryPerformanceCounter(&end);
    const double cpu = ProcessCpuSeconds() - cpu_before;
    const double seconds = Seconds(start, end);
    std::printf("WinInet loop, %lu-byte blocks: %zu of %zu files in %.2f s = %.1f ms a file (CPU %.1f ms a file)\n",
                block_bytes, sent, files.size(), seconds, seconds * 1000 / files.size(), cpu * 1000 / files.size());
    return sent == files.size() ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 5 && std::wcscmp(argv[1], L"--each") == 0)
        return PostEach(argv[2], SplitUrl(FromW(argv[3])), static_cast<DWORD>(std::wcstoul(argv[4], nullptr, 10)));
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_wininet_post FILE PAGE_URL [BLOCK_BYTES]\n");
        return 2;
    }
    const DWORD block_bytes = argc > 3 ? static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)) : 65536;
    KernelHandle file(CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart >= 0x80000000LL || block_bytes == 0) return 1;

    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    const long long sent = Post(file.Get(), static_cast<DWORD>(size.QuadPart), SplitUrl(FromW(argv[2])), block_bytes);
    QueryPerformanceCounter(&end);
    const double seconds = Seconds(start, end);
    std::printf("WinInet POST, %lu-byte blocks: %lld bytes in %.2f s = %.1f MiB/s\n", block_bytes, sent, seconds,
                sent / seconds / (1 << 20));
    return sent == size.QuadPart ? 0 : 1;
}
