#include "transport/http_upload.h"

#include <objbase.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "common/local_files.h"
#include "common/wide.h"
#include "transport/file_name_parts.h"
#include "transport/guid_text.h"
#include "transport/http_status.h"
#include "transport/object_name.h"
#include "transport/reply_text.h"

namespace corvela {
namespace {

// Servers have always seen this user agent; some log or filter on it.
constexpr wchar_t UPLOAD_USER_AGENT[] = L"HttpSendRequestEx";

// Replies reach the page as the system's ANSI code page can hold them:
// characters it lacks come back as its replacement character.
Text ThroughAnsiCodePage(const Text& text) {
    if (text.empty()) return text;
    const int units = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_ACP, 0, W(text), units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return Text();
    std::string ansi(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, W(text), units, &ansi[0], bytes, nullptr, nullptr);
    const int back = MultiByteToWideChar(CP_ACP, 0, ansi.data(), bytes, nullptr, 0);
    if (back <= 0) return Text();
    Text result(static_cast<size_t>(back), u'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), bytes, reinterpret_cast<wchar_t*>(&result[0]), back);
    return result;
}

}  // namespace

Text MakeGuidText() {
    GUID guid = {};
    CoCreateGuid(&guid);
    return GuidText(guid.Data1, guid.Data2, guid.Data3, guid.Data4);
}

CHttpUpload::CHttpUpload(HttpLibrary* library, uint32_t piece_bytes)
    : library_(library ? library : &system_library_), piece_bytes_(piece_bytes) {}

CHttpUpload::~CHttpUpload() {
    CloseHandles();
    source_.Reset();
}

TransferResult CHttpUpload::UploadFile(const UploadRequest& request, ProgressSink& sink) {
    sink_ = &sink;
    url_ = SplitUrl(request.page);
    // A control character in the page URL would reach the request line
    // unescaped (its path goes as it is), so such a URL is no page to send to.
    if (!IsHttpScheme(url_.scheme) || HoldsControlUnit(request.page))
        return TransferResult::Failure(ERROR_INTERNET_INVALID_URL);
    const FileNameParts name = SplitFileName(request.local_path);
    title_ = name.title;
    target_ = BuildObjectName(url_.path, UploadQuery{MakeGuidText(), name.title, name.extension, request.dst_folder,
                                                     request.prefix, request.file_data, request.file_name,
                                                     request.sid});
    local_path_ = request.local_path;
    user_ = request.user;
    password_ = request.password;
    auth_option_ = request.auth_option;
    if (!OpenSource()) return Result(false);
    // An empty file still goes as one request, so the server learns of it.
    do {
        if (!SendPiece()) return Result(false);
        CloseHandles();
    } while (position_ < file_length_);
    return Result(true);
}

TransferResult CHttpUpload::Result(bool sent) const {
    if (sent) return TransferResult::Success(status_);
    if (stopped_) return TransferResult::Stop(status_);
    return TransferResult::Failure(failure_, status_);
}

bool CHttpUpload::Fail(DWORD error) {
    if (failure_ == 0) failure_ = error;
    return false;
}

bool CHttpUpload::OpenSource() {
    if (!FileExists(local_path_)) return Fail(ERROR_FILE_NOT_FOUND);
    source_.Reset(CreateFileW(W(local_path_), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size = {};
    if (!source_ || !GetFileSizeEx(source_.Get(), &size)) return Fail(GetLastError());
    if (static_cast<uint64_t>(size.QuadPart) > UPLOAD_LARGEST_FILE_BYTES) return Fail(ERROR_FILE_TOO_LARGE);
    file_length_ = static_cast<uint32_t>(size.QuadPart);
    return true;
}

bool CHttpUpload::SendPiece() {
    internet_.Reset(library_->OpenInternet(UPLOAD_USER_AGENT, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!internet_) return Fail(library_->LastError());
    connection_.Reset(library_->Connect(internet_.Get(), W(url_.server), url_.port, W(user_), W(password_),
                                        INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection_) return Fail(library_->LastError());
    const DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | (UsesTls(url_) ? INTERNET_FLAG_SECURE : 0);
    request_.Reset(library_->OpenRequest(connection_.Get(), L"POST", W(target_), nullptr, nullptr, nullptr, flags, 0));
    if (!request_) return Fail(library_->LastError());
    DWORD timeout = UPLOAD_RECEIVE_TIMEOUT_MS;
    library_->SetOption(request_.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    if (!WriteBody()) return false;
    Text reply;
    if (!ReadReply(&reply)) return false;
    Notify(TransferStep::Done, position_, reply);
    return true;
}

bool CHttpUpload::WriteBody() {
    const uint32_t piece_start = position_;
    const uint32_t piece_end = piece_start + std::min(file_length_ - piece_start, piece_bytes_);
    bool pre_pass_due = auth_option_ != 0;
    for (int attempt = 0; attempt < UPLOAD_ATTEMPTS_PER_PIECE; ++attempt) {
        if (!SeekTo(piece_start)) return Fail(GetLastError());
        INTERNET_BUFFERSW buffers = {};
        buffers.dwStructSize = sizeof buffers;
        buffers.dwBufferTotal = piece_end - piece_start;
        if (!library_->SendRequestEx(request_.Get(), &buffers, nullptr, 0, 0)) return Fail(library_->LastError());
        if (!TlsAsAsked()) return Fail(ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
        if (pre_pass_due) {
            // Ending the request before its body lets the library run an
            // authentication handshake without sending the file twice. A
            // library that completes the request instead has taken the
            // server's answer to a body never sent: writing it now fails on
            // Windows and brings the process down under Wine.
            pre_pass_due = false;
            if (EndRequest() != Ending::Retry) return false;
            continue;
        }
        Notify(TransferStep::Start, piece_start);
        if (!WriteBlocks(piece_end)) return false;
        const Ending ending = EndRequest();
        if (ending != Ending::Retry) return ending == Ending::Completed;
    }
    return Fail(ERROR_INTERNET_FORCE_RETRY);  // the library never stopped asking
}

// A block that cannot be read, or a file that ends early (others may write to
// it meanwhile), fails the piece: the server waits for every announced byte.
bool CHttpUpload::WriteBlocks(uint32_t piece_end) {
    char block[UPLOAD_BLOCK_BYTES];
    while (position_ < piece_end) {
        const DWORD wanted = std::min<uint32_t>(UPLOAD_BLOCK_BYTES, piece_end - position_);
        DWORD read = 0;
        if (!ReadFile(source_.Get(), block, wanted, &read, nullptr)) return Fail(GetLastError());
        if (read == 0) return Fail(ERROR_HANDLE_EOF);
        position_ += read;
        if (!Notify(TransferStep::Progress, position_)) {
            stopped_ = true;
            return false;
        }
        DWORD written = 0;
        if (!library_->WriteData(request_.Get(), block, read, &written)) return Fail(library_->LastError());
        if (written != read) return Fail(ERROR_WRITE_FAULT);
    }
    return true;
}

// A request meant for TLS whose connection is not secure fails before any
// byte of the body goes out: a library that sent the request through a proxy
// without setting up the tunnel (Wine's does) would otherwise send the file
// in clear.
bool CHttpUpload::TlsAsAsked() {
    return !UsesTls(url_) || library_->ConnectionIsSecure(request_.Get());
}

// A request ends completed only with a 2xx answer from the server, after
// whatever redirects the library followed (so a site that answers its POST
// with a redirect to a result page still works). An error page of a front end
// (413, 502, 401, 407) has not stored the file, whatever its text says; nor
// has a server that closed the connection without an answer, which Wine's
// library reports as a completed request with no status line, where Windows'
// fails it.
CHttpUpload::Ending CHttpUpload::EndRequest() {
    if (library_->EndRequest(request_.Get(), nullptr, 0, 0)) {
        status_ = library_->StatusCode(request_.Get());
        return IsSuccessStatus(status_) ? Ending::Completed : Ending::Failed;
    }
    const DWORD error = library_->LastError();
    if (error == ERROR_INTERNET_FORCE_RETRY) return Ending::Retry;
    Fail(error);
    return Ending::Failed;
}

bool CHttpUpload::ReadReply(Text* reply) {
    ReplyAccumulator accumulator;
    char block[REPLY_BLOCK_BYTES];
    for (;;) {
        DWORD read = 0;
        if (!library_->ReadData(request_.Get(), block, REPLY_BLOCK_BYTES, &read)) return Fail(library_->LastError());
        if (read == 0) break;
        if (!accumulator.Append(ThroughAnsiCodePage(DecodeReplyBlock(block, read)))) return false;
    }
    return FinishReply(accumulator.text(), title_, reply);
}

bool CHttpUpload::SeekTo(uint32_t position) {
    LARGE_INTEGER distance = {};
    distance.QuadPart = position;
    if (!SetFilePointerEx(source_.Get(), distance, nullptr, FILE_BEGIN)) return false;
    position_ = position;
    return true;
}

bool CHttpUpload::Notify(TransferStep step, uint32_t done, const Text& reply) {
    return sink_->Report(step, done, file_length_, local_path_, reply);
}

void CHttpUpload::CloseHandles() {
    request_.Reset();
    connection_.Reset();
    internet_.Reset();
}

}  // namespace corvela
