#include "transport/http_library.h"

namespace corvela {

HINTERNET WinInetLibrary::OpenInternet(const wchar_t* agent, DWORD access_type, const wchar_t* proxy,
                                       const wchar_t* proxy_bypass, DWORD flags) {
    return InternetOpenW(agent, access_type, proxy, proxy_bypass, flags);
}

HINTERNET WinInetLibrary::Connect(HINTERNET internet, const wchar_t* server, INTERNET_PORT port, const wchar_t* user,
                                  const wchar_t* password, DWORD service, DWORD flags, DWORD_PTR context) {
    return InternetConnectW(internet, server, port, user, password, service, flags, context);
}

HINTERNET WinInetLibrary::OpenRequest(HINTERNET connection, const wchar_t* verb, const wchar_t* target,
                                      const wchar_t* version, const wchar_t* referrer, const wchar_t** accept_types,
                                      DWORD flags, DWORD_PTR context) {
    return HttpOpenRequestW(connection, verb, target, version, referrer, accept_types, flags, context);
}

BOOL WinInetLibrary::SetOption(HINTERNET handle, DWORD option, void* buffer, DWORD length) {
    return InternetSetOptionW(handle, option, buffer, length);
}

BOOL WinInetLibrary::SendRequestEx(HINTERNET request, INTERNET_BUFFERSW* buffers_in, INTERNET_BUFFERSW* buffers_out,
                                   DWORD flags, DWORD_PTR context) {
    return HttpSendRequestExW(request, buffers_in, buffers_out, flags, context);
}

BOOL WinInetLibrary::WriteData(HINTERNET request, const void* data, DWORD length, DWORD* written) {
    return InternetWriteFile(request, data, length, written);
}

BOOL WinInetLibrary::EndRequest(HINTERNET request, INTERNET_BUFFERSW* buffers_out, DWORD flags, DWORD_PTR context) {
    return HttpEndRequestW(request, buffers_out, flags, context);
}

BOOL WinInetLibrary::ReadData(HINTERNET request, void* buffer, DWORD length, DWORD* read) {
    return InternetReadFile(request, buffer, length, read);
}

DWORD WinInetLibrary::StatusCode(HINTERNET request) {
    DWORD status = 0;
    DWORD length = sizeof status;
    if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length, nullptr))
        return 0;
    return status;
}

bool WinInetLibrary::ConnectionIsSecure(HINTERNET request) {
    DWORD flags = 0;
    DWORD length = sizeof flags;
    if (!InternetQueryOptionW(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &length)) return false;
    return (flags & SECURITY_FLAG_SECURE) != 0;
}

DWORD WinInetLibrary::LastError() { return GetLastError(); }

}  // namespace corvela
