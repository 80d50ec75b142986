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
#include "session/progress_channel.h"
#include "shell/platform_paths.h"
#include "transport/cache_folder.h"
#include "transport/download_progress.h"
#include "transport/download_status.h"
#include "transport/http_status.h"
#include "transport/split_url.h"
#include "transport/url_encode.h"

namespace corvela {

namespace {

constexpr wchar_t TEMPORARY_PREFIX[] = L"Kel";
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
    DownloadCallback callback;
    void* context;
    const Text& target;

    bool Tell(uint64_t done, uint32_t total, int phase) const {
        // The records carry 32-bit counts; a larger file wraps, as the dialog expects.
        return callback == nullptr || callback(context, static_cast<uint32_t>(done), total, phase, target) != 0;
    }
};

// A file error is told to the user; WinInet's own errors (no server,
// unknown host, bad scheme, a connection that broke) are not.
void ShowFileError(DWORD error) {
    if (const std::optional<FileErrorCause> cause = FileErrorCauseForPlatformError(error))
        ModuleMessageBox(nullptr, FileErrorText(*cause), MB_OK);
}

int FailBeforeBody(DWORD error) {
    ShowFileError(error);
    return 0;
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
// server may send more than it announced). False when a read or a write
// failed or the dialog said stop; `written` counts what reached the file.
bool CopyBlocks(HINTERNET request, HANDLE file, const BodyLength& length, const Progress& progress,
                uint64_t* written) {
    char block[BLOCK_BYTES];
    for (;;) {
        const DWORD wanted = NextReadBytes(length.known, length.bytes, *written, BLOCK_BYTES);
        if (wanted == 0) return true;
        DWORD read = 0;
        if (!InternetReadFile(request, block, wanted, &read)) return false;
        if (read == 0) return true;
        DWORD stored = 0;
        if (!WriteFile(file, block, read, &stored, nullptr)) {
            ShowFileError(GetLastError());  // a full disk, most likely
            return false;
        }
        if (stored != read) return false;
        *written += read;
        if (!progress.Tell(*written, ExpectedTotalNow(request, length, *written), DOWNLOAD_PHASE_PROGRESS))
            return false;
    }
}

bool SaveBody(HINTERNET request, HANDLE file, const Progress& progress) {
    BodyLength length;
    if (!MeasureLength(request, &length)) return false;
    if (!progress.Tell(0, ExpectedTotalNow(request, length, 0), DOWNLOAD_PHASE_START)) return false;
    uint64_t written = 0;
    if (!CopyBlocks(request, file, length, progress, &written)) return false;
    // A connection that broke early ends the body without an error.
    if (!BodyComplete(length.known, length.bytes, written)) return false;
    return progress.Tell(written, static_cast<uint32_t>(written), DOWNLOAD_PHASE_END);
}

// The dialog a download reports to, and the count of its last record: one
// per download, so downloads on different threads never mix their counts.
struct DownloadReport {
    ProgressChannel* channel;
    DownloadProgressCounter counter;
};

int DownloadProgress(void* context, uint32_t done, uint32_t total, int phase, const Text& target) {
    auto* report = static_cast<DownloadReport*>(context);
    auto record = std::make_unique<ProgressRecord>(report->counter.Make(done, total, phase, target));
    if (!report->channel) return 1;  // nobody to tell: the download goes on
    // The dialog answers 1024 to go on and 0 to stop; an undelivered record also stops.
    return report->channel->Send(PROGRESS_DOWNLOAD, std::move(record)) != 0 ? 1 : 0;
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
int SaveReply(HINTERNET request, uint32_t status, const Text& target_path, const Progress& progress) {
    if (!IsSuccessStatus(status)) return 0;
    if (!IsUnencodedBody(HeaderText(request, HTTP_QUERY_CONTENT_ENCODING))) return 0;
    KernelHandle file(
        CreateFileW(W(target_path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    return SaveBody(request, file.Get(), progress) ? 1 : 0;
}

Text TemporaryTarget(const Text& extension) {
    const Text unique = MakeTempFileName(Text(), FromW(TEMPORARY_PREFIX));
    // Without a unique name the extension alone would be a path relative to
    // whatever the current folder is.
    if (unique.empty()) return Text();
    // Only the name is wanted: the download creates the file itself.
    DeleteFileW(W(unique));
    return TemporaryTargetFromUniqueName(unique, extension);
}

bool CreateOneFolder(const Text& path) { return CreateDirectoryW(W(path), nullptr) != FALSE; }

}  // namespace

int DownloadFile(ProgressChannel* channel, const Text& url, Text* target_path, const Text& extension) {
    const bool temporary = target_path->empty();
    if (temporary) *target_path = TemporaryTarget(extension);
    if (target_path->empty()) return 0;
    DownloadReport report{channel, {}};
    const int fetched = FetchUrlToFile(url, *target_path, DownloadProgress, &report);
    // What a failed download wrote under its temporary name is nobody's
    // file: it goes, so that nothing half-written stays behind.
    if (fetched != 1 && temporary) DeleteFileW(W(*target_path));
    return fetched;
}

int FetchUrlToFile(const Text& url, const Text& target_path, DownloadCallback callback, void* context) {
    // A control character would go on the wire as it is: no request for it.
    if (url.empty() || HoldsControlUnit(url)) return 0;
    InternetHandle library(InternetOpenW(W(ModuleTitle()), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!library) return FailBeforeBody(GetLastError());
    Text address = UrlEncode(url, EncodeMode::Url);
    for (int redirects = 0;; ++redirects) {
        InternetHandle request(InternetOpenUrlW(library.Get(), W(address), nullptr, 0, OPEN_URL_FLAGS, 0));
        if (!request) return FailBeforeBody(GetLastError());
        Text status_text;
        if (!QueryHeaderText(request.Get(), HTTP_QUERY_STATUS_CODE, &status_text))
            return FailBeforeBody(GetLastError());
        const uint32_t status = LeadingDecimal(status_text);
        const Text next = IsRedirectStatus(status) ? RedirectTarget(request.Get(), address) : Text();
        if (next.empty()) return SaveReply(request.Get(), status, target_path, Progress{callback, context, target_path});
        if (redirects == REDIRECTS_FOLLOWED) return 0;
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

bool MoveIntoCache(const Text& saved, const Text& cache_folder, const Text& cache_path) {
    if (MoveFileExW(W(saved), W(cache_path), 0)) return true;
    if (GetLastError() != ERROR_NOT_SAME_DEVICE) return false;
    const Text copy = MakeTempFileName(cache_folder, FromW(TEMPORARY_PREFIX));
    if (copy.empty()) return false;
    if (!CopyFileW(W(saved), W(copy), FALSE) || !MoveFileExW(W(copy), W(cache_path), 0)) {
        DeleteFileW(W(copy));
        return false;
    }
    DeleteFileW(W(saved));
    return true;
}

std::optional<Text> ExpandCacheFolderText(const Text& page_text) { return ExpandCacheFolder(page_text, LookUpSpecialFolder); }

bool CreateFolderTree(const Text& path) { return CreateFolderPath(path, CreateOneFolder); }

}  // namespace corvela
