// Ends the process when the page has not closed within its time, even when
// the page's thread is stuck in a loop of its own or a modal window.
#pragma once

#include <thread>

#include "framework/handles.h"

namespace corvela {

class Watchdog {
public:
    // 0 seconds: no limit.
    explicit Watchdog(int seconds);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    KernelHandle stop_;
    std::thread thread_;
};

}  // namespace corvela
