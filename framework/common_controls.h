// The platform's common controls that a window of the module creates. The
// module asks for them itself: a host that never called
// InitCommonControlsEx must still get the list view and the progress bars.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace corvela {

inline bool LoadCommonControlClasses(DWORD classes) {
    INITCOMMONCONTROLSEX request = {};
    request.dwSize = sizeof(request);
    request.dwICC = classes;
    return InitCommonControlsEx(&request) != FALSE;
}

}  // namespace corvela
