// The services a browser offers the controls of its pages through their
// client sites: SID_SWebBrowserApp gives a browser object whose
// LocationURL is the page's address, so a control can ask where it is
// hosted.
#pragma once

#include <servprov.h>

#include "common/text.h"
#include "framework/com_ptr.h"

namespace corvela {

// `window` is the page's window: its caption is the page's title.
ComPtr<IServiceProvider> NewBrowserServices(const Text& url, HWND window);

}  // namespace corvela
