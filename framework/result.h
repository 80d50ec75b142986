// Results that keep their cause: a failure goes back to the caller as what
// the platform said, not as a made-up E_FAIL.
#pragma once

#include <windows.h>

namespace corvela {

// The calling thread's last error as an HRESULT; E_FAIL when the platform
// left none.
inline HRESULT LastErrorResult() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
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
