// Numbers that several subsystems (and the resource script) agree on.
// Kept free of any platform header so the portable core and the resource
// compiler can both include it.
#pragma once

// Resource ids.
#define IDS_CONTROL_TYPE_NAME 1
#define IDS_PROPPAGE_TYPE_NAME 2
#define IDS_PROPPAGE_CAPTION 200
#define IDS_CACHED_COPY_QUESTION 202
#define IDS_FOLDER_MESSAGE_CAPTION 203
#define IDS_NO_FOLDERS 204
#define IDS_LIST_LIMIT 205
#define IDS_DROP_HINT 206
#define IDS_EXTENSION_REFUSED 207
#define IDS_CANCEL_BUTTON 208

#define IDB_TOOLBOX 1
#define IDB_EMPTY_LIST_PICTURE 207
#define IDB_EMPTY_LIST_PICTURE_LARGE 208
#define IDB_ICON_STRIP 210
#define IDB_ICON_STRIP_LARGE 211

#define IDD_PROPPAGE 200
#define IDD_PROGRESS 202
#define IDC_PROPPAGE_TEXT 1000
#define IDC_PROGRESS_NAME 204
#define IDC_PROGRESS_FILE_COUNT 205
#define IDC_PROGRESS_BYTE_COUNT 206
#define IDC_PROGRESS_FILE_BAR 207
#define IDC_PROGRESS_TOTAL_BAR 202

#define LANGUAGE_ENGLISH 1033
#define LANGUAGE_KOREAN 1042

#ifdef __cplusplus
#include <cstdint>

namespace corvela {

// Transfer modes of a batch.
constexpr int32_t MODE_UPLOAD = 2;
constexpr int32_t MODE_UPLOAD_PLAIN = 3;
constexpr int32_t MODE_CACHE_DOWNLOAD = 6;

// Language a language selector value stands for: 1 is Korean, anything else English.
constexpr uint16_t LanguageForSelector(int32_t selector) {
    return selector == 1 ? LANGUAGE_KOREAN : LANGUAGE_ENGLISH;
}

// Dialog show commands.
constexpr int32_t SHOW_COMMAND_HIDE = 0;
constexpr int32_t SHOW_COMMAND_SHOW = 5;

// Dialog results of a batch. A batch that never ran (its dialog could not
// be shown, or its worker not started) ends with -1, as a dialog that
// cannot be created does.
constexpr int32_t BATCH_RESULT_FINISHED = 1;
constexpr int32_t BATCH_RESULT_CANCELLED = 2;
constexpr int32_t BATCH_RESULT_NEVER_RAN = -1;

// Refusal errors of the scripting interface.
constexpr uint32_t ERROR_SET_NOT_SUPPORTED = 0x800A017F;
constexpr uint32_t ERROR_GET_NOT_SUPPORTED = 0x800A018A;

}  // namespace corvela
#endif
