// Answers the message boxes of this process while it lives, for runs that
// no one watches: each box's caption and text are printed on standard
// output, and the box is closed with its default button, as by a user who
// reads it and presses Enter. Given a folder, it also answers every folder
// browser (a dialog with a folder tree and an edit box) by typing that
// folder into the edit box and pressing OK.
#pragma once

#include <windows.h>

#include <atomic>
#include <thread>

#include "common/text.h"

namespace corvela {

class BoxAnswerer {
public:
    // `boxes`: answer message boxes; `folder`, when not empty: answer
    // folder browsers with it.
    BoxAnswerer(bool boxes, Text folder);
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

private:
    void Run();
    void AnswerFolderBrowsers();

    const bool boxes_;
    const Text folder_;
    HWND answered_browser_ = nullptr;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace corvela
