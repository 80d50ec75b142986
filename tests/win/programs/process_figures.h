// What a process holds, read from inside it: heap bytes in use and its
// windows.
#pragma once

#include <windows.h>

#include <cstdint>

namespace figures {

// Bytes in use in every heap of the process.
inline uint64_t HeapBytesInUse() {
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    uint64_t total = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        PROCESS_HEAP_ENTRY entry = {};
        if (!HeapLock(heaps[i])) continue;
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return total;
}

// The windows of this process, top-level and child: the USER objects a
// leak of dialogs, list views or message boxes would leave.
inline BOOL CALLBACK CountChildWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<DWORD*>(count);
    return TRUE;
}

inline BOOL CALLBACK CountProcessWindow(HWND window, LPARAM count) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return TRUE;
    ++*reinterpret_cast<DWORD*>(count);
    EnumChildWindows(window, CountChildWindow, count);
    return TRUE;
}

inline DWORD ProcessWindows() {
    DWORD count = 0;
    EnumWindows(CountProcessWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

}  // namespace figures
