// The WinInet calls an upload makes, behind one interface. Production code
// uses WinInetLibrary; tests put a subclass in front of it to make chosen
// calls answer the way a real Windows library does where Wine's does not
// (for instance an authentication retry), while everything else still goes
// over the wire.
#pragma once

#include <windows.h>
#include <wininet.h>

namespace corvela {

class HttpLibrary {
public:
    virtual ~HttpLibrary() = default;

    virtual HINTERNET OpenInternet(const wchar_t* agent, DWORD access_type, const wchar_t* proxy,
                                   const wchar_t* proxy_bypass, DWORD flags) = 0;
    virtual HINTERNET Connect(HINTERNET internet, const wchar_t* server, INTERNET_PORT port, const wchar_t* user,
                              const wchar_t* password, DWORD service, DWORD flags, DWORD_PTR context) = 0;
    virtual HINTERNET OpenRequest(HINTERNET connection, const wchar_t* verb, const wchar_t* target,
                                  const wchar_t* version, const wchar_t* referrer, const wchar_t** accept_types,
                                  DWORD flags, DWORD_PTR context) = 0;
    virtual BOOL SetOption(HINTERNET handle, DWORD option, void* buffer, DWORD length) = 0;
    virtual BOOL SendRequestEx(HINTERNET request, INTERNET_BUFFERSW* buffers_in, INTERNET_BUFFERSW* buffers_out,
                               DWORD flags, DWORD_PTR context) = 0;
    virtual BOOL WriteData(HINTERNET request, const void* data, DWORD length, DWORD* written) = 0;
    virtual BOOL EndRequest(HINTERNET request, INTERNET_BUFFERSW* buffers_out, DWORD flags, DWORD_PTR context) = 0;
    virtual BOOL ReadData(HINTERNET request, void* buffer, DWORD length, DWORD* read) = 0;
    // The status code of the answer a completed request got; 0 when none came.
    virtual DWORD StatusCode(HINTERNET request) = 0;
    // Whether the request's connection runs over TLS, as its security flags
    // say once the request has been sent.
    virtual bool ConnectionIsSecure(HINTERNET request) = 0;
    // The error of the last call that failed on this thread.
    virtual DWORD LastError() = 0;
};

// The system's WinInet.
class WinInetLibrary : public HttpLibrary {
public:
    HINTERNET OpenInternet(const wchar_t* agent, DWORD access_type, const wchar_t* proxy, const wchar_t* proxy_bypass,
                           DWORD flags) override;
    HINTERNET Connect(HINTERNET internet, const wchar_t* server, INTERNET_PORT port, const wchar_t* user,
                      const wchar_t* password, DWORD service, DWORD flags, DWORD_PTR context) override;
    HINTERNET OpenRequest(HINTERNET connection, const wchar_t* verb, const wchar_t* target, const wchar_t* version,
                          const wchar_t* referrer, const wchar_t** accept_types, DWORD flags,
                          DWORD_PTR context) override;
    BOOL SetOption(HINTERNET handle, DWORD option, void* buffer, DWORD length) override;
    BOOL SendRequestEx(HINTERNET request, INTERNET_BUFFERSW* buffers_in, INTERNET_BUFFERSW* buffers_out, DWORD flags,
                       DWORD_PTR context) override;
    BOOL WriteData(HINTERNET request, const void* data, DWORD length, DWORD* written) override;
    BOOL EndRequest(HINTERNET request, INTERNET_BUFFERSW* buffers_out, DWORD flags, DWORD_PTR context) override;
    BOOL ReadData(HINTERNET request, void* buffer, DWORD length, DWORD* read) override;
    DWORD StatusCode(HINTERNET request) override;
    bool ConnectionIsSecure(HINTERNET request) override;
    DWORD LastError() override;
};

}  // namespace corvela
