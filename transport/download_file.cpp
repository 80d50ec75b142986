#include "transport/download_file.h"

#include <shlwapi.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

#include "common/wide.h"
#include "framework/handles.h"
#include "framework/resources.h"
#include "framework/result.h"
#include "transport/cache_folder.h"
#include "transport/download_progress.h"
#include "transport/download_status.h"
#include "transport/http_status.h"
#include "transport/split_url.h"
#include "transport/url_encode.h"

namespace corvela {

namespace {

constexpr DWORD BLOCK_BYTES = 4096;
constexpr DWORD HEADER_TEXT_BYTES = 80;
// Always from the server, never from the cache; the bytes as they are.
// Redirects are followed here, not by the library: Wine's WinInet follows
// them without a bound, so a server that redirects in a loop would hold the
// batch for ever.
constexpr DWORD OPEN_URL_FLAGS = INTERNET_FLAG_RELOAD | INTERNET_FLAG_TRANSFER_BINARY | INTERNET_FLAG_NO_AUTO_REDIRECT;
// As many as browsers follow; a chain longer than this is a failed download.
constexpr int REDIRECTS_FOLLOWED = 20;

// The length of the body as the library announces it.
struct BodyLength {
    bool known = false;
    uint64_t bytes = 0;
};

// Where one fetch reports its steps.
struct Progress {
    ProgressSink& sink;
    const Text& target;

    // False once the batch stopped.
    bool Tell(TransferStep step, uint64_t done, uint32_t total) const {
        // Steps carry 32-bit counts; a larger file wraps, as the display expects.
        return sink.Report(step, static_cast<uint32_t>(done), total, target, Text());
    }
};

// A file error is told to the user; WinInet's own errors (no server,
// unknown host, bad scheme, a connection that broke) are not.
TransferResult FailWithFileError(ProgressSink& sink, DWORD error, uint32_t status = 0) {
    if (const std::optional<FileErrorCause> cause = FileErrorCauseForPlatformError(error))
        sink.ShowMessage(FileErrorText(*cause));
    return TransferResult::Failure(error, status);
}

// A header of the reply as text; the library stops at the buffer's end.
bool QueryHeaderText(HINTERNET request, DWORD header, Text* text) {
    wchar_t buffer[HEADER_TEXT_BYTES / sizeof(wchar_t)] = {};
    DWORD size = sizeof(buffer);
    if (!HttpQueryInfoW(request, header, buffer, &size, nullptr)) return false;
    *text = FromW(buffer, std::min<size_t>(size / sizeof(wchar_t), std::size(buffer)));
    return true;
}

// WinInet builds that cannot move the read position (Wine's among them)
// still hold the length that the server announced.
BodyLength LengthFromHeader(HINTERNET request) {
    Text text;
    if (!QueryHeaderText(request, HTTP_QUERY_CONTENT_LENGTH, &text)) return {};
    const std::optional<uint64_t> bytes = ParseNumber(text, 10, UINT64_MAX);
    return bytes ? BodyLength{true, *bytes} : BodyLength{};
}

// The end of the body is its length. False when the read position could not
// come back to the start: the body could then no longer be saved whole.
bool MeasureLength(HINTERNET request, BodyLength* length) {
    const DWORD end = InternetSetFilePointer(request, 0, nullptr, FILE_END, 0);
    if (end == INVALID_SET_FILE_POINTER) {
        *length = LengthFromHeader(request);
        return true;
    }
    if (InternetSetFilePointer(request, 0, nullptr, FILE_BEGIN, 0) != 0) return false;
    *length = {true, end};
    return true;
}

uint32_t ExpectedTotalNow(HINTERNET request, const BodyLength& length, uint64_t written) {
    DWORD ready = 0;
    if (!length.known && !InternetQueryDataAvailable(request, &ready, 0, 0)) ready = 0;
    return ExpectedTotal(length.known, static_cast<uint32_t>(length.bytes), ready, static_cast<uint32_t>(written));
}

// Copies the body block by block, never past its announced length (a
// server may send more than it announced); `written` counts what reached
// the file.
TransferResult CopyBlocks(HINTERNET request, HANDLE file, const BodyLength& length, const Progress& progress,
                          uint64_t* written) {
    char block[BLOCK_BYTES];
    for (;;) {
        const DWORD wanted = NextReadBytes(length.known, length.bytes, *written, BLOCK_BYTES);
        if (wanted == 0) return TransferResult::Success();
        DWORD read = 0;
        if (!InternetReadFile(request, block, wanted, &read)) return TransferResult::Failure(GetLastError());
        if (read == 0) return TransferResult::Success();
        DWORD stored = 0;
        if (!WriteFile(file, block, read, &stored, nullptr))
            return FailWithFileError(progress.sink, GetLastError());  // a full disk, most likely
        if (stored != read) return TransferResult::Failure(ERROR_WRITE_FAULT);
        *written += read;
        if (!progress.Tell(TransferStep::Progress, *written, ExpectedTotalNow(request, length, *written)))
            return TransferResult::Stop();
    }
}

TransferResult SaveBody(HINTERNET request, HANDLE file, const Progress& progress) {
    BodyLength length;
    if (!MeasureLength(request, &length)) return TransferResult::Failure(LastErrorOr(ERROR_SEEK));
    if (!progress.Tell(TransferStep::Start, 0, ExpectedTotalNow(request, length, 0))) return TransferResult::Stop();
    uint64_t written = 0;
    const TransferResult copied = CopyBlocks(request, file, length, progress, &written);
    if (!copied.Succeeded()) return copied;
    // A connection that broke early ends the body without an error.
    if (!BodyComplete(length.known, length.bytes, written))
        return TransferResult::Failure(ERROR_INTERNET_CONNECTION_RESET);
    if (!progress.Tell(TransferStep::Done, written, static_cast<uint32_t>(written))) return TransferResult::Stop();
    return TransferResult::Success();
}

// The header as text, however long; empty when the reply has none.
Text HeaderText(HINTERNET request, DWORD header) {
    DWORD size = 0;
    if (HttpQueryInfoW(request, header, nullptr, &size, nullptr) || GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return Text();
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
    size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (!HttpQueryInfoW(request, header, buffer.data(), &size, nullptr)) return Text();
    return FromW(buffer.data(), size / sizeof(wchar_t));
}

// Where a redirect leads: its Location resolved against the URL that gave
// it. Empty when it names no place, or a scheme other than http and https:
// the reply then counts as the final one, as the library would take it.
Text RedirectTarget(HINTERNET request, const Text& from) {
    const Text location = HeaderText(request, HTTP_QUERY_LOCATION);
    if (location.empty()) return Text();
    DWORD length = 0;
    InternetCombineUrlW(W(from), W(location), nullptr, &length, ICU_NO_ENCODE);
    std::vector<wchar_t> combined(length + 1);
    length = static_cast<DWORD>(combined.size());
    if (!InternetCombineUrlW(W(from), W(location), combined.data(), &length, ICU_NO_ENCODE)) return Text();
    const Text target = FromW(combined.data(), length);
    return IsHttpScheme(SplitUrl(target).scheme) ? target : Text();
}

// The final reply into the file. Only a 2xx answer with the file's own bytes
// is the file: an error page (a front end's 502, a proxy's 407) or a body in
// an encoding nobody asked for is never saved, let alone opened.
TransferResult SaveReply(HINTERNET request, uint32_t status, const Text& target_path, const Progress& progress) {
    if (!IsSuccessStatus(status)) return TransferResult::Failure(0, status);
    if (!IsUnencodedBody(HeaderText(request, HTTP_QUERY_CONTENT_ENCODING)))
        return TransferResult::Failure(ERROR_UNSUPPORTED_TYPE, status);
    KernelHandle file(
        CreateFileW(W(target_path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return TransferResult::Failure(GetLastError(), status);
    TransferResult saved = SaveBody(request, file.Get(), progress);
    saved.http_status = status;
    return saved;
}

Text TemporaryTarget(const Text& extension) {
    const Text unique = MakeTempFileName(Text(), TEMPORARY_FILE_PREFIX);
    // Without a unique name the extension alone would be a path relative to
    // whatever the current folder is.
    if (unique.empty()) return Text();
    // Only the name is wanted: the download creates the file itself.
    DeleteFileW(W(unique));
    return TemporaryTargetFromUniqueName(unique, extension);
}

}  // namespace

TransferResult DownloadFile(const DownloadRequest& request, ProgressSink& sink, Text* saved_path) {
    const bool temporary = request.target_path.empty();
    *saved_path = temporary ? TemporaryTarget(request.extension) : request.target_path;
    if (saved_path->empty()) return TransferResult::Failure(LastErrorOr(ERROR_PATH_NOT_FOUND));
    const TransferResult fetched = FetchUrlToFile(request.url, *saved_path, sink);
    // What a failed download wrote under its temporary name is nobody's
    // file: it goes, so that nothing half-written stays behind.
    if (!fetched.Succeeded() && temporary) DeleteFileW(W(*saved_path));
    return fetched;
}

TransferResult FetchUrlToFile(const Text& url, const Text& target_path, ProgressSink& sink) {
    // A control character would go on the wire as it is: no request for it.
    if (url.empty() || HoldsControlUnit(url)) return TransferResult::Failure(ERROR_INTERNET_INVALID_URL);
    InternetHandle library(InternetOpenW(W(ModuleTitle()), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!library) return FailWithFileError(sink, GetLastError());
    Text address = UrlEncode(url, EncodeMode::Url);
    for (int redirects = 0;; ++redirects) {
        InternetHandle request(InternetOpenUrlW(library.Get(), W(address), nullptr, 0, OPEN_URL_FLAGS, 0));
        if (!request) return FailWithFileError(sink, GetLastError());
        Text status_text;
        if (!QueryHeaderText(request.Get(), HTTP_QUERY_STATUS_CODE, &status_text))
            return FailWithFileError(sink, GetLastError());
        const uint32_t status = LeadingDecimal(status_text);
        const Text next = IsRedirectStatus(status) ? RedirectTarget(request.Get(), address) : Text();
        if (next.empty()) return SaveReply(request.Get(), status, target_path, Progress{sink, target_path});
        if (redirects == REDIRECTS_FOLLOWED) return TransferResult::Failure(ERROR_HTTP_REDIRECT_FAILED, status);
        address = next;
    }
}

Text MakeTempFileName(const Text& folder, const Text& prefix) {
    Text where = folder;
    if (where.empty()) {
        wchar_t temporary_folder[MAX_PATH] = {};
        const DWORD length = GetTempPathW(MAX_PATH, temporary_folder);
        if (length == 0 || length >= MAX_PATH) return Text();
        where = FromW(temporary_folder, length);
    }
    wchar_t path[MAX_PATH] = {};
    if (GetTempFileNameW(W(where), W(prefix), 0, path) == 0) return Text();
    return FromW(path);
}

}  // namespace corvela
