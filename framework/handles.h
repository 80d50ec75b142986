// Owners for platform handles, so that no early return leaks one.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <wininet.h>

#include <utility>

namespace corvela {

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    // Closing keeps the thread's last error, so a failure's cause survives
    // the handles that an early return lets go.
    void Reset(Handle handle = Traits::Invalid()) {
        Handle old = std::exchange(handle_, handle);
        if (!Traits::IsValid(old)) return;
        const DWORD last_error = GetLastError();
        Traits::Close(old);
        SetLastError(last_error);
    }
    Handle Release() { return std::exchange(handle_, Traits::Invalid()); }
    Handle Get() const { return handle_; }
    bool IsValid() const { return Traits::IsValid(handle_); }
    explicit operator bool() const { return IsValid(); }

private:
    Handle handle_ = Traits::Invalid();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};

// A handle whose "none" is null and that `close` lets go of.
template <typename H, auto close>
struct NullIsNoneTraits {
    using Handle = H;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { close(h); }
};

inline void DestroyLiveWindow(HWND window) {
    if (IsWindow(window)) DestroyWindow(window);
}

using KernelHandle = UniqueHandle<KernelHandleTraits>;

// A search of a folder's files (FindFirstFileW); FindClose ends it.
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};
using FindHandle = UniqueHandle<FindHandleTraits>;
using InternetHandle = UniqueHandle<NullIsNoneTraits<HINTERNET, InternetCloseHandle>>;
using RegKey = UniqueHandle<NullIsNoneTraits<HKEY, RegCloseKey>>;
using GdiObject = UniqueHandle<NullIsNoneTraits<HGDIOBJ, DeleteObject>>;
using ImageList = UniqueHandle<NullIsNoneTraits<HIMAGELIST, ImageList_Destroy>>;
using OwnedWindow = UniqueHandle<NullIsNoneTraits<HWND, DestroyLiveWindow>>;
using MemoryDc = UniqueHandle<NullIsNoneTraits<HDC, DeleteDC>>;
// A dropped-files block; letting go of it ends the drop.
using DropHandle = UniqueHandle<NullIsNoneTraits<HDROP, DragFinish>>;

}  // namespace corvela
