// Owners for platform handles, texts and values, so that no early return
// leaks one.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <oleauto.h>
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
    // For functions that return a new handle through an out parameter.
    Handle* Out() {
        Reset();
        return &handle_;
    }
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
// A text that COM allocated (SysAllocString and the platform's BSTR results).
using Bstr = UniqueHandle<NullIsNoneTraits<BSTR, SysFreeString>>;

// A VARIANT, cleared when its owner goes: a text or an object it holds is
// freed or released with it.
class Variant {
public:
    Variant() { VariantInit(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& other) noexcept : value_(other.Release()) {}
    Variant& operator=(Variant&& other) noexcept {
        if (this != &other) {
            Clear();
            value_ = other.Release();
        }
        return *this;
    }
    ~Variant() { Clear(); }

    // Takes over a text of the caller's (VT_BSTR); a null one is the empty text.
    static Variant OfBstr(Bstr text) {
        Variant value;
        V_VT(&value.value_) = VT_BSTR;
        V_BSTR(&value.value_) = text.Release();
        return value;
    }

    const VARIANT& Get() const { return value_; }
    VARIANT& Get() { return value_; }
    // For calls that fill a VARIANT: clears what this held first.
    VARIANT* Out() {
        Clear();
        return &value_;
    }
    // Hands the value to the caller, who clears it; this is left empty.
    VARIANT Release() {
        VARIANT given = value_;
        VariantInit(&value_);
        return given;
    }
    void Clear() { VariantClear(&value_); }

private:
    VARIANT value_;
};

}  // namespace corvela
