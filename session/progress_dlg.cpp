#include "session/progress_dlg.h"

#include <commctrl.h>

#include "common/constants.h"
#include "common/language.h"
#include "framework/wide.h"
#include "session/download_thread.h"
#include "transport/download_file.h"

namespace corvela {
namespace {

// The size the file system reports for a file, or nothing when its status
// cannot be read.
std::optional<uint64_t> FileSize(const Text& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(W(path), GetFileExInfoStandard, &data)) return std::nullopt;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void SetBar(HWND dialog, int id, const std::optional<uint32_t>& range, const std::optional<uint32_t>& position) {
    HWND bar = GetDlgItem(dialog, id);
    if (range) SendMessageW(bar, PBM_SETRANGE32, 0, static_cast<int>(*range));
    if (position) SendMessageW(bar, PBM_SETPOS, static_cast<int>(*position), 0);
}

void SetText(HWND dialog, int id, const std::optional<Text>& text) {
    if (text) SetDlgItemTextW(dialog, id, W(*text));
}

// Redrawing a control costs far more than keeping count of a record, and a
// transfer brings one record per 4 KiB: the display follows the records at
// most this often, so that it never falls behind the transfer.
constexpr DWORD DISPLAY_INTERVAL_MS = 40;
constexpr UINT_PTR FLUSH_TIMER = 1;

template <typename T>
void Take(std::optional<T>& into, const std::optional<T>& from) {
    if (from) into = from;
}

}  // namespace

CProgressDlg::CProgressDlg(TransferJob job, std::function<void()> user_cancelled)
    : job_(std::move(job)),
      user_cancelled_(std::move(user_cancelled)),
      session_(std::make_shared<TransferSession>(job_.language)) {}

INT_PTR CProgressDlg::Run() { return DoModal(IDD_PROGRESS, LANGUAGE_KOREAN, nullptr); }

TextList CProgressDlg::Results() const {
    return IsUploadMode(job_.mode) ? model_.results() : session_->Results();
}

LRESULT CProgressDlg::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, bool* handled) {
    switch (message) {
        case WM_INITDIALOG:
            OnOpen();
            *handled = true;
            return TRUE;  // the default focus
        case WM_TRANSFER_PROGRESS:
            *handled = true;
            return OnTransferProgress(wparam, lparam);
        case WM_TIMER:
            if (wparam == FLUSH_TIMER) Flush();
            return 0;
        case WM_CLOSE:
            OnClose();
            *handled = true;
            return 0;
        case WM_COMMAND:
            // The keyboard's defaults: Escape cancels, Enter ends as finished.
            if (LOWORD(wparam) == IDCANCEL || LOWORD(wparam) == IDOK) {
                EndDialog(LOWORD(wparam) == IDOK ? BATCH_RESULT_FINISHED : BATCH_RESULT_CANCELLED);
                *handled = true;
            }
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_WINDOWPOSCHANGING:
            OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lparam));
            return 0;
        default:
            return 0;
    }
}

void CProgressDlg::OnOpen() {
    SelectThreadLanguage(LanguageForSelector(job_.language));
    if (IsUploadMode(job_.mode)) {
        SetWindowTextW(Handle(), W(DialogTitle(job_.language)));
        FileSizeLookups sizes;
        for (const Text& file : job_.files) sizes.push_back(FileSize(file));
        Show(model_.StartUpload(sizes));
    } else {
        job_.cache_folder = ExpandCacheFolderText(job_.cache_folder);
        CreateFolderTree(job_.cache_folder);
        Show(model_.StartDownload(job_.files.size(), job_.sizes));
    }
    session_->running().store(1);
    session_->channel().Open(Handle());
    if (!StartWorker()) EndDialog(BATCH_RESULT_FINISHED);  // nothing can run
}

bool CProgressDlg::StartWorker() {
    auto* worker = new CKelDownloadThread();
    HANDLE thread = IsUploadMode(job_.mode) ? worker->SetupUpload(session_, job_)
                                            : worker->SetupDownload(session_, job_.cache_folder, job_);
    if (!thread) {
        delete worker;
        return false;
    }
    worker_thread_.Reset(thread);
    return true;
}

LRESULT CProgressDlg::OnTransferProgress(WPARAM kind, LPARAM lparam) {
    if (kind == PROGRESS_END) {
        Flush();
        EndDialog(static_cast<INT_PTR>(lparam));
        return 0;
    }
    std::unique_ptr<ProgressRecord> record = session_->channel().Claim(lparam);
    if (!record || !IsRunning(&session_->running())) return 0;
    Queue(model_.Apply(static_cast<uint32_t>(kind), *record, session_->CurrentTarget()));
    return IsRunning(&session_->running()) ? PROGRESS_REPLY_CONTINUE : 0;
}

void CProgressDlg::OnClose() {
    session_->running().store(0);
    EndDialog(BATCH_RESULT_CANCELLED);
    if (user_cancelled_) user_cancelled_();
}

void CProgressDlg::OnDestroy() {
    session_->running().store(0);
    // Records still on their way are freed by the channel; later ones are refused.
    session_->channel().Close();
}

void CProgressDlg::OnWindowPosChanging(WINDOWPOS* position) {
    // An invisible batch stays invisible, whatever shows the window.
    if (job_.visible)
        position->flags |= SWP_SHOWWINDOW;
    else
        position->flags &= ~SWP_SHOWWINDOW;
}

void CProgressDlg::Queue(const ProgressUpdate& update) {
    Take(pending_.file_bar_range, update.file_bar_range);
    Take(pending_.file_bar_position, update.file_bar_position);
    Take(pending_.total_bar_range, update.total_bar_range);
    Take(pending_.total_bar_position, update.total_bar_position);
    Take(pending_.name_text, update.name_text);
    Take(pending_.file_count_text, update.file_count_text);
    Take(pending_.byte_count_text, update.byte_count_text);
    const DWORD since = GetTickCount() - last_flush_;
    if (since >= DISPLAY_INTERVAL_MS) {
        Flush();
    } else if (!flush_timer_) {
        flush_timer_ = SetTimer(Handle(), FLUSH_TIMER, DISPLAY_INTERVAL_MS - since, nullptr) != 0;
    }
}

void CProgressDlg::Flush() {
    if (flush_timer_) KillTimer(Handle(), FLUSH_TIMER);
    flush_timer_ = false;
    Show(pending_);
    pending_ = ProgressUpdate();
    last_flush_ = GetTickCount();
}

void CProgressDlg::Show(const ProgressUpdate& update) {
    HWND dialog = Handle();
    SetBar(dialog, IDC_PROGRESS_FILE_BAR, update.file_bar_range, update.file_bar_position);
    SetBar(dialog, IDC_PROGRESS_TOTAL_BAR, update.total_bar_range, update.total_bar_position);
    SetText(dialog, IDC_PROGRESS_NAME, update.name_text);
    SetText(dialog, IDC_PROGRESS_FILE_COUNT, update.file_count_text);
    SetText(dialog, IDC_PROGRESS_BYTE_COUNT, update.byte_count_text);
}

}  // namespace corvela
