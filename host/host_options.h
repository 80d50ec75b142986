// What the host is asked to do: the page to open, how to run it, and the
// user's actions it plays once the page has loaded, in the order given.
#pragma once

#include <cstdint>
#include <vector>

#include "common/text.h"

namespace corvela {

// The host's exit status.
constexpr int EXIT_PAGE_CLOSED = 0;
constexpr int EXIT_SCRIPT_ERROR = 1;  // the page's script raised an error
constexpr int EXIT_TIMEOUT = 2;       // the page did not close within --timeout
constexpr int EXIT_NOT_OPENED = 3;    // no page could be opened (command line, file, script engine)
constexpr int EXIT_ACTION_FAILED = 4;  // an action could not be played (no such object, no drop target)

struct HostAction {
    enum class Kind { Run, Drop, Click, DoubleClick, Key, Wait };
    Kind kind = Kind::Run;
    Text target;  // the object's id (drop, clicks)
    Text text;    // the expression (run), the paths separated by "|" (drop) or the key's name
    int x = 0;    // the point in the object (clicks)
    int y = 0;
    int seconds = 0;  // wait
    uint32_t key = 0;  // the virtual-key code (key)
};

struct HostOptions {
    Text page_path;
    Text url;  // the page's address as the host reports it; empty: the page file's
    int timeout_seconds = 0;  // 0: no limit
    bool trace = false;
    bool answer_boxes = false;
    Text answer_folder;  // typed into every folder browser, which is then confirmed
    std::vector<HostAction> actions;
};

struct ParsedOptions {
    HostOptions options;
    Text error;  // empty when the command line was understood
};

ParsedOptions ParseHostOptions(const TextList& arguments);

extern const char HOST_USAGE[];

}  // namespace corvela
