// Answers the message boxes of this process while it lives, for runs that
// no one watches: each box's caption and text are printed on standard
// output, and the box is closed with its default button, as by a user who
// reads it and presses Enter.
#pragma once

#include <atomic>
#include <thread>

namespace corvela {

class BoxAnswerer {
public:
    BoxAnswerer();
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

private:
    void Run();

    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace corvela
