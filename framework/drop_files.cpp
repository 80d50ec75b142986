#include "framework/drop_files.h"

#include <shlobj.h>

#include <algorithm>

namespace corvela {

HGLOBAL NewDropFiles(const TextList& paths, POINT point) {
    // Each name ends with a NUL and one more NUL ends the list.
    size_t units = 1;
    for (const Text& path : paths) units += path.size() + 1;
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + units * sizeof(char16_t));
    if (!block) return nullptr;
    auto* header = static_cast<DROPFILES*>(GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    header->pt = point;
    header->fNC = FALSE;
    header->fWide = TRUE;
    auto* out = reinterpret_cast<char16_t*>(reinterpret_cast<BYTE*>(header) + sizeof(DROPFILES));
    for (const Text& path : paths) out = std::copy(path.begin(), path.end(), out) + 1;
    GlobalUnlock(block);
    return block;
}

}  // namespace corvela
