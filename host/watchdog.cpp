#include "host/watchdog.h"

#include "host/console.h"
#include "host/host_options.h"

namespace corvela {

Watchdog::Watchdog(int seconds) : stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (seconds <= 0 || !stop_) return;
    thread_ = std::thread([this, seconds] {
        if (WaitForSingleObject(stop_.Get(), static_cast<DWORD>(seconds) * 1000) != WAIT_TIMEOUT) return;
        PrintError(u"the page did not close within " + DecimalText(seconds) + u" s; the host ends it");
        TerminateProcess(GetCurrentProcess(), EXIT_TIMEOUT);
    });
}

Watchdog::~Watchdog() {
    if (!thread_.joinable()) return;
    SetEvent(stop_.Get());
    thread_.join();
}

}  // namespace corvela
