// What a start command hands to a batch: the mode, the options and copies of
// the control's queues.
#pragma once

#include <cstdint>

#include "common/constants.h"
#include "common/text.h"

namespace corvela {

struct TransferJob {
    int32_t mode = MODE_UPLOAD;
    bool visible = true;
    int32_t language = 0;   // the SetBigLang value
    int32_t type = 0;       // the nType value
    int32_t auth_option = 0;
    Text page;
    Text dst_folder;
    Text prefix;
    Text user;
    Text password;
    Text sid;
    Text cache_folder;
    TextList files;  // local paths, or URLs for downloads
    TextList file_data;
    TextList file_names;
    TextList unique_ids;
    TextList destination_names;
    SizeList sizes;
};

inline bool IsUploadMode(int32_t mode) { return mode == MODE_UPLOAD || mode == MODE_UPLOAD_PLAIN; }

}  // namespace corvela
