// corvela-host: opens one page in a window of its own and runs it as a
// browser would, as far as a page that embeds the Corvela control needs.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <memory>

#include "common/wide.h"
#include "host/box_answerer.h"
#include "host/console.h"
#include "host/host_options.h"
#include "host/page_host.h"
#include "host/watchdog.h"

namespace {

int RunPage(const corvela::HostOptions& options) {
    // Browsers make the common controls ready for the controls of their pages.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const corvela::Watchdog watchdog(options.timeout_seconds);
    std::unique_ptr<corvela::BoxAnswerer> answerer;
    if (options.answer_boxes || !options.answer_folder.empty())
        answerer = std::make_unique<corvela::BoxAnswerer>(options.answer_boxes, options.answer_folder);
    corvela::PageHost host(options);
    return host.Run();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // As a browser, the host draws its pages at the screen's DPI itself
    // rather than have the system stretch a 96-DPI picture of them.
    SetProcessDPIAware();
    corvela::TextList arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(corvela::FromW(argv[i]));
    const corvela::ParsedOptions parsed = corvela::ParseHostOptions(arguments);
    if (!parsed.error.empty()) {
        corvela::PrintError(u"corvela-host: " + parsed.error);
        corvela::PrintError(corvela::Utf8ToText(corvela::HOST_USAGE));
        return corvela::EXIT_NOT_OPENED;
    }
    if (FAILED(OleInitialize(nullptr))) {
        corvela::PrintError(u"corvela-host: OLE cannot be started");
        return corvela::EXIT_NOT_OPENED;
    }
    const int status = RunPage(parsed.options);
    OleUninitialize();
    return status;
}
