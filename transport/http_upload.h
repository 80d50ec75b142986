// Sends one local file to the server as raw POST bodies over WinInet and
// collects the server's reply, telling a ProgressSink of every step.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/text.h"
#include "framework/handles.h"
#include "transport/http_library.h"
#include "transport/progress_sink.h"
#include "transport/split_url.h"
#include "transport/transfer_result.h"
#include "transport/upload_limits.h"

namespace corvela {

// Requests a piece may take when the library keeps asking to send it again
// (ERROR_INTERNET_FORCE_RETRY), the authentication pre-pass included. An
// authentication handshake needs two or three; a library or proxy that never
// stops asking would otherwise resend the piece for ever.
constexpr int UPLOAD_ATTEMPTS_PER_PIECE = 8;

// Largest file an upload takes. Positions and reported counts are 32-bit; a
// longer file would wrap to a short length and go out truncated yet reported
// as sent, so it fails before any request.
constexpr uint64_t UPLOAD_LARGEST_FILE_BYTES = 0xFFFFFFFFull;

// One file to send, and where.
struct UploadRequest {
    Text local_path;
    Text page;        // the page URL the requests go to
    Text file_data;   // the page's data text for the file
    Text dst_folder;
    Text file_name;   // the name the page set with AddFilename
    Text sid;
    Text prefix;
    Text user;
    Text password;
    int32_t auth_option = 0;  // nonzero: a request without a body first, for an authentication handshake
};

// One object per file: constructed, UploadFile once, destroyed.
class CHttpUpload {
public:
    // A null `library` means the system's WinInet. `piece_bytes` exists for
    // tests, which need pieces of a few bytes.
    explicit CHttpUpload(HttpLibrary* library = nullptr, uint32_t piece_bytes = UPLOAD_PIECE_BYTES);
    ~CHttpUpload();
    CHttpUpload(const CHttpUpload&) = delete;
    CHttpUpload& operator=(const CHttpUpload&) = delete;

    // Sends the file, telling `sink` of each step; the sink's answer after a
    // body block says whether the batch still runs. Succeeded when every
    // request of the file succeeded and every reply was accepted.
    TransferResult UploadFile(const UploadRequest& request, ProgressSink& sink);

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
    // False once the batch stopped.
    bool Notify(TransferStep step, uint32_t done, const Text& reply = Text());
    // Keeps the cause of the first failure; always false.
    bool Fail(DWORD error);
    TransferResult Result(bool sent) const;
    void CloseHandles();

    WinInetLibrary system_library_;
    HttpLibrary* library_;
    const uint32_t piece_bytes_;
    InternetHandle internet_;
    InternetHandle connection_;
    InternetHandle request_;
    KernelHandle source_;
    uint32_t file_length_ = 0;
    uint32_t position_ = 0;
    ProgressSink* sink_ = nullptr;
    DWORD failure_ = 0;      // the platform's error of the first call that failed
    uint32_t status_ = 0;    // the status of the server's last answer
    bool stopped_ = false;   // the batch stopped during the body
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
