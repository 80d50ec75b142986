#include "host/console.h"

#include <windows.h>

#include <mutex>
#include <string>

#include "common/wide.h"

namespace corvela {
namespace {

std::mutex& OutputLock() {
    static std::mutex lock;
    return lock;
}

void WriteLine(DWORD stream, const Text& line) {
    const std::lock_guard<std::mutex> hold(OutputLock());
    HANDLE handle = GetStdHandle(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    const Text text = line + u"\n";
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, W(text), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = TextToUtf8(text);
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

Text ResultText(HRESULT result) {
    // The platform has no words for this one everywhere, and it is the
    // commonest failure of a page: a class id that names no installed class.
    if (result == REGDB_E_CLASSNOTREG) return u"the class is not registered (0x80040154)";
    // And a call of a member an object does not have, or one it does not
    // offer to this page.
    if (result == DISP_E_UNKNOWNNAME) return u"the object has no member of that name (0x80020006)";
    if (result == DISP_E_MEMBERNOTFOUND) return u"the object has no such member (0x80020003)";
    wchar_t* words = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(result), 0, reinterpret_cast<LPWSTR>(&words), 0,
                                        nullptr);
    Text text = FromW(words, length);
    LocalFree(words);
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ' || text.back() == u'.'))
        text.pop_back();
    wchar_t number[16] = {};
    wsprintfW(number, L"0x%08lX", static_cast<unsigned long>(result));
    return text.empty() ? FromW(number) : text + u" (" + FromW(number) + u")";
}

void PrintOut(const Text& line) { WriteLine(STD_OUTPUT_HANDLE, line); }
void PrintError(const Text& line) { WriteLine(STD_ERROR_HANDLE, line); }

}  // namespace corvela
