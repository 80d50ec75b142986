// Sends one local file to the server as raw POST bodies over WinInet and
// collects the server's reply, posting progress records to the dialog.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/text.h"
#include "framework/handles.h"
#include "session/progress_channel.h"
#include "session/progress_protocol.h"
#include "transport/http_library.h"
#include "transport/split_url.h"
#include "transport/upload_limits.h"

namespace corvela {

// Requests a piece may take when the library keeps asking to send it again
// (ERROR_INTERNET_FORCE_RETRY), the authentication pre-pass included. An
// authentication handshake needs two or three; a library or proxy that never
// stops asking would otherwise resend the piece for ever.
constexpr int UPLOAD_ATTEMPTS_PER_PIECE = 8;

// Largest file an upload takes. Positions and records count in 32 bits; a
// longer file would wrap to a short length and go out truncated yet reported
// as sent, so it fails before any request.
constexpr uint64_t UPLOAD_LARGEST_FILE_BYTES = 0xFFFFFFFFull;

// One object per file: constructed, UploadFile once, destroyed.
class CHttpUpload {
public:
    // `running` is the dialog's running flag, read once per body block; a
    // null flag reads as cleared. A null `library` means the system's WinInet.
    // `piece_bytes` exists for tests, which need pieces of a few bytes.
    explicit CHttpUpload(const RunningFlag* running, HttpLibrary* library = nullptr,
                         uint32_t piece_bytes = UPLOAD_PIECE_BYTES);
    ~CHttpUpload();
    CHttpUpload(const CHttpUpload&) = delete;
    CHttpUpload& operator=(const CHttpUpload&) = delete;

    // 1 when every request of the file succeeded and every reply was
    // accepted, else 0. Records go to `channel`, which may be null.
    int UploadFile(ProgressChannel* channel, const Text& local_path, const Text& file_data, const Text& page,
                   const Text& dst_folder, const Text& file_name, const Text& sid, const Text& prefix,
                   const Text& user, const Text& password, int32_t auth_option);

private:
    enum class Ending { Completed, Retry, Failed };

    bool OpenSource();
    bool SendPiece();
    bool WriteBody();
    bool WriteBlocks(uint32_t piece_end);
    bool TlsAsAsked();
    Ending EndRequest();
    bool ReadReply(Text* reply);
    bool SeekTo(uint32_t position);
    void Notify(int32_t stage, uint32_t done, Text reply = Text());
    void CloseHandles();

    WinInetLibrary system_library_;
    HttpLibrary* library_;
    const RunningFlag* running_;
    const uint32_t piece_bytes_;
    InternetHandle internet_;
    InternetHandle connection_;
    InternetHandle request_;
    KernelHandle source_;
    uint32_t file_length_ = 0;
    uint32_t position_ = 0;
    ProgressChannel* channel_ = nullptr;
    UrlParts url_;
    Text target_;
    Text title_;
    Text local_path_;
    Text user_;
    Text password_;
    int32_t auth_option_ = 0;
};

// A fresh identifier for one file's requests (CoCreateGuid, as GuidText).
Text MakeGuidText();

}  // namespace corvela
