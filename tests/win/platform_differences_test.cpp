// What the suite knows Wine does otherwise than Windows, and works around
// elsewhere: each is checked here with test::Expected, so that a Wine that
// starts to behave as Windows (or the reverse) shows up at once.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <string>

#include "framework/handles.h"
#include "support.h"

namespace {

// Windows refuses posts to a thread whose queue holds 10,000 messages; the
// progress channel must not lose records to that, and its tests stand in for
// the quota because Wine has none.
TEST(WineDiffers, PostedMessagesHaveNoQuota) {
    corvela::OwnedWindow window(
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    int accepted = 0;
    while (accepted < 12000 && PostMessageW(window.Get(), WM_USER, 0, 0)) ++accepted;
    EXPECT_EQ(accepted, test::Expected(10000, 12000));
    MSG message = {};
    while (PeekMessageW(&message, window.Get(), 0, 0, PM_REMOVE)) {
    }
}

// The module keeps its own record of the thread's language because Wine's
// SetThreadUILanguage changes nothing that GetThreadUILanguage reports.
TEST(WineDiffers, TheThreadLanguageIsNotKept) {
    const LANGID before = GetThreadUILanguage();
    const LANGID korean = MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN);
    SetThreadUILanguage(korean);
    EXPECT_EQ(GetThreadUILanguage(), test::Expected(korean, before));
    SetThreadUILanguage(before);
}

// The download transport falls back to the announced Content-Length because
// Wine's WinInet cannot move a request's read position.
TEST(WineDiffers, TheReadPositionOfARequestCannotMove) {
    corvela::InternetHandle library(InternetOpenW(L"corvela-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    ASSERT_TRUE(library);
    corvela::InternetHandle request(InternetOpenUrlW(library.Get(), test::DownloadUrl(L"/file/a?size=100").c_str(),
                                                     nullptr, 0, INTERNET_FLAG_RELOAD, 0));
    ASSERT_TRUE(request);
    const DWORD end = InternetSetFilePointer(request.Get(), 0, nullptr, FILE_END, 0);
    EXPECT_EQ(end, test::Expected<DWORD>(100, INVALID_SET_FILE_POINTER));
}

// A chunked body whose connection closes before its last chunk: Windows'
// library fails the read, which fails the download; Wine's ends the body
// quietly as if it were whole, so under Wine such a download cannot be told
// from a complete one (a body with a Content-Length can: the transport
// compares what arrived with what was announced).
TEST(WineDiffers, AChunkedBodyCutBeforeItsLastChunkEndsQuietly) {
    corvela::InternetHandle library(InternetOpenW(L"corvela-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    ASSERT_TRUE(library);
    corvela::InternetHandle request(InternetOpenUrlW(
        library.Get(), test::DownloadUrl(L"/cutchunked/a?size=20000&send=10000").c_str(), nullptr, 0,
        INTERNET_FLAG_RELOAD, 0));
    ASSERT_TRUE(request);
    char block[4096];
    DWORD total = 0, read = 0;
    BOOL ended_quietly = FALSE;
    while ((ended_quietly = InternetReadFile(request.Get(), block, sizeof block, &read)) && read > 0) total += read;
    EXPECT_EQ(ended_quietly != FALSE, test::Expected(false, true));
    EXPECT_EQ(total, 10000u);
}

// Posts a body of four bytes to `target` on the upload server; the error
// HttpEndRequest ended with, ERROR_SUCCESS when it completed the request.
DWORD EndOfAShortPost(const wchar_t* target, const wchar_t* user, const wchar_t* password) {
    corvela::InternetHandle library(InternetOpenW(L"corvela-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    corvela::InternetHandle connection(InternetConnectW(library.Get(), L"127.0.0.1",
                                                        static_cast<INTERNET_PORT>(test::UploadPort()), user,
                                                        password, INTERNET_SERVICE_HTTP, 0, 0));
    corvela::InternetHandle request(HttpOpenRequestW(connection.Get(), L"POST", target, nullptr, nullptr, nullptr,
                                                     INTERNET_FLAG_NO_CACHE_WRITE, 0));
    EXPECT_TRUE(request);
    INTERNET_BUFFERSW buffers = {};
    buffers.dwStructSize = sizeof(buffers);
    buffers.dwBufferTotal = 4;
    EXPECT_TRUE(HttpSendRequestExW(request.Get(), &buffers, nullptr, 0, 0));
    DWORD written = 0;
    InternetWriteFile(request.Get(), "body", 4, &written);
    return HttpEndRequestW(request.Get(), nullptr, 0, 0) ? ERROR_SUCCESS : GetLastError();
}

// The upload tests put a scripted library in front of WinInet for
// authentication retries: with the page's credentials a Windows library
// answers a challenge with ERROR_INTERNET_FORCE_RETRY and sends again, while
// Wine's hands the 401 over as the final answer.
TEST(WineDiffers, AChallengeIsTheFinalAnswer) {
    EXPECT_EQ(EndOfAShortPost(L"/challenge/x", L"kim", L"secret"),
              test::Expected<DWORD>(ERROR_INTERNET_FORCE_RETRY, ERROR_SUCCESS));
}

// A server that reads the body and closes without answering: Windows' library
// fails the request, Wine's completes it with no status line, so the upload
// transport asks for the status code before it believes a reply.
TEST(WineDiffers, AConnectionClosedWithoutAnAnswerCompletesTheRequest) {
    EXPECT_EQ(EndOfAShortPost(L"/drop/1000000/x", nullptr, nullptr) == ERROR_SUCCESS, test::Expected(false, true));
}

}  // namespace

