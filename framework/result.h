// Results that keep their cause: a failure goes back to the caller as what
// the platform said, not as a made-up E_FAIL.
#pragma once

#include <windows.h>

#include <new>
#include <stdexcept>

namespace corvela {

// The calling thread's last error as an HRESULT; E_FAIL when the platform
// left none.
inline HRESULT LastErrorResult() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// The thread's last error, or `fallback` when the platform left none.
inline DWORD LastErrorOr(DWORD fallback) {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : fallback;
}

// The HRESULT for the exception being handled; call it only from a catch
// block. A failed allocation is E_OUTOFMEMORY; any other exception is
// E_UNEXPECTED.
inline HRESULT CaughtExceptionResult() noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::length_error&) {
        return E_OUTOFMEMORY;  // a text or list longer than memory allows
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// The barrier at a COM entry: runs `body`, whose result is the entry's
// HRESULT, so that no exception leaves through the COM boundary (where
// nothing can catch it and the caller's process goes down); an exception
// becomes its HRESULT instead.
template <typename Body>
HRESULT ComEntry(Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return CaughtExceptionResult();
    }
}

}  // namespace corvela

// Returns the HRESULT of `expression` when it failed.
#define RETURN_IF_FAILED(expression)                       \
    do {                                                   \
        const HRESULT failed_result_ = (expression);       \
        if (FAILED(failed_result_)) return failed_result_; \
    } while (0)

// Returns the thread's last error when `condition` holds.
#define RETURN_LAST_ERROR_IF(condition)                            \
    do {                                                           \
        if (condition) return ::corvela::LastErrorResult();        \
    } while (0)
