// Text <-> platform string conversions. On Windows wchar_t is one UTF-16
// unit, so these are copies without any transcoding.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <vector>

#include "common/text.h"

namespace corvela {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be a UTF-16 unit");

inline const wchar_t* W(const Text& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

inline Text FromW(const wchar_t* text) {
    return text ? Text(reinterpret_cast<const char16_t*>(text)) : Text();
}

inline Text FromW(const wchar_t* text, size_t length) {
    return text ? Text(reinterpret_cast<const char16_t*>(text), length) : Text();
}

// A BSTR may hold NUL units; the text keeps every unit up to its length.
inline Text FromBstr(BSTR text) { return text ? FromW(text, SysStringLen(text)) : Text(); }

inline BSTR ToBstr(const Text& text) {
    return SysAllocStringLen(W(text), static_cast<UINT>(text.size()));
}

// The whole text of a window, however long.
inline Text WindowText(HWND window) {
    std::vector<wchar_t> text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return FromW(text.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

}  // namespace corvela
