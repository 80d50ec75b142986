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

CHttpUpload::CHttpUpload(const RunningFlag* running, HttpLibrary* library, uint32_t piece_bytes)
    : library_(library ? library : &system_library_), running_(running), piece_bytes_(piece_bytes) {}

CHttpUpload::~CHttpUpload() {
    CloseHandles();
    source_.Reset();
}

int CHttpUpload::UploadFile(ProgressChannel* channel, const Text& local_path, const Text& file_data,
                            const Text& page, const Text& dst_folder, const Text& file_name, const Text& sid,
                            const Text& prefix, const Text& user, const Text& password, int32_t auth_option) {
    channel_ = channel;
    url_ = SplitUrl(page);
    // A control character in the page URL would reach the request line
    // unescaped (its path goes as it is), so such a URL is no page to send to.
    if (!IsHttpScheme(url_.scheme) || HoldsControlUnit(page)) return 0;
    const FileNameParts name = SplitFileName(local_path);
    title_ = name.title;
    target_ = BuildObjectName(
        url_.path, UploadQuery{MakeGuidText(), name.title, name.extension, dst_folder, prefix, file_data, file_name, sid});
    local_path_ = local_path;
    user_ = user;
    password_ = password;
    auth_option_ = auth_option;
    if (!OpenSource()) return 0;
    // An empty file still goes as one request, so the server learns of it.
    do {
        if (!SendPiece()) return 0;
        CloseHandles();
    } while (position_ < file_length_);
    return 1;
}

bool CHttpUpload::OpenSource() {
    if (!FileExists(local_path_)) return false;
    source_.Reset(CreateFileW(W(local_path_), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size = {};
    if (!source_ || !GetFileSizeEx(source_.Get(), &size)) return false;
    if (static_cast<uint64_t>(size.QuadPart) > UPLOAD_LARGEST_FILE_BYTES) return false;
    file_length_ = static_cast<uint32_t>(size.QuadPart);
    return true;
}

bool CHttpUpload::SendPiece() {
    internet_.Reset(library_->OpenInternet(UPLOAD_USER_AGENT, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!internet_) return false;
    connection_.Reset(library_->Connect(internet_.Get(), W(url_.server), url_.port, W(user_), W(password_),
                                        INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection_) return false;
    const DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | (UsesTls(url_) ? INTERNET_FLAG_SECURE : 0);
    request_.Reset(library_->OpenRequest(connection_.Get(), L"POST", W(target_), nullptr, nullptr, nullptr, flags, 0));
    if (!request_) return false;
    DWORD timeout = UPLOAD_RECEIVE_TIMEOUT_MS;
    library_->SetOption(request_.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    if (!WriteBody()) return false;
    Text reply;
    if (!ReadReply(&reply)) return false;
    Notify(STAGE_DONE, position_, std::move(reply));
    return true;
}

bool CHttpUpload::WriteBody() {
    const uint32_t piece_start = position_;
    const uint32_t piece_end = piece_start + std::min(file_length_ - piece_start, piece_bytes_);
    bool pre_pass_due = auth_option_ != 0;
    for (int attempt = 0; attempt < UPLOAD_ATTEMPTS_PER_PIECE; ++attempt) {
        if (!SeekTo(piece_start)) return false;
        INTERNET_BUFFERSW buffers = {};
        buffers.dwStructSize = sizeof buffers;
        buffers.dwBufferTotal = piece_end - piece_start;
        if (!library_->SendRequestEx(request_.Get(), &buffers, nullptr, 0, 0)) return false;
        if (!TlsAsAsked()) return false;
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
        Notify(STAGE_START, piece_start);
        if (!WriteBlocks(piece_end)) return false;
        const Ending ending = EndRequest();
        if (ending != Ending::Retry) return ending == Ending::Completed;
    }
    return false;
}

// A block that cannot be read, or a file that ends early (others may write to
// it meanwhile), fails the piece: the server waits for every announced byte.
bool CHttpUpload::WriteBlocks(uint32_t piece_end) {
    char block[UPLOAD_BLOCK_BYTES];
    while (position_ < piece_end) {
        const DWORD wanted = std::min<uint32_t>(UPLOAD_BLOCK_BYTES, piece_end - position_);
        DWORD read = 0;
        if (!ReadFile(source_.Get(), block, wanted, &read, nullptr) || read == 0) return false;
        position_ += read;
        Notify(STAGE_PROGRESS, position_);
        if (!IsRunning(running_)) return false;
        DWORD written = 0;
        if (!library_->WriteData(request_.Get(), block, read, &written) || written != read) return false;
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
    if (library_->EndRequest(request_.Get(), nullptr, 0, 0))
        return IsSuccessStatus(library_->StatusCode(request_.Get())) ? Ending::Completed : Ending::Failed;
    return library_->LastError() == ERROR_INTERNET_FORCE_RETRY ? Ending::Retry : Ending::Failed;
}

bool CHttpUpload::ReadReply(Text* reply) {
    ReplyAccumulator accumulator;
    char block[REPLY_BLOCK_BYTES];
    for (;;) {
        DWORD read = 0;
        if (!library_->ReadData(request_.Get(), block, REPLY_BLOCK_BYTES, &read)) return false;
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

void CHttpUpload::Notify(int32_t stage, uint32_t done, Text reply) {
    if (!channel_) return;
    auto record = std::make_unique<ProgressRecord>();
    record->done = done;
    record->total = file_length_;
    record->stage = stage;
    record->name = local_path_;
    record->reply = std::move(reply);
    channel_->Post(PROGRESS_UPLOAD, std::move(record));
}

void CHttpUpload::CloseHandles() {
    request_.Reset();
    connection_.Reset();
    internet_.Reset();
}

}  // namespace corvela
