// OpenDownload: fetch the queued URLs into the cache folder, then open every
// file obtained with its registered application.
#include "control/corvela_ctrl.h"
#include "shell/open_file.h"

namespace corvela {

int32_t CCorvelaCtrl::OpenDownload(Text sCacheFolder) {
    const int32_t count = RunDownloadBatch(sCacheFolder);
    // A cancelled batch opens nothing; its files stay in the cache folder.
    if (count == 0) return 0;
    for (const Text& path : returns_) OpenDownloadedFile(path);
    return count;
}

}  // namespace corvela
