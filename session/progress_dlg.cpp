#include "session/progress_dlg.h"

#include <commctrl.h>

#include "common/constants.h"
#include "common/language.h"
#include "common/local_files.h"
#include "common/wide.h"
#include "framework/common_controls.h"
#include "framework/resources.h"
#include "session/cache_files.h"
#include "session/transfer_worker.h"

namespace corvela {
namespace {

void SetBar(HWND dialog, int id, const std::optional<uint32_t>& range, const std::optional<uint32_t>& position) {
    HWND bar = GetDlgItem(dialog, id);
    if (range) SendMessageW(bar, PBM_SETRANGE32, 0, static_cast<int>(*range));
    if (position) SendMessageW(bar, PBM_SETPOS, static_cast<int>(*position), 0);
}

void SetText(HWND dialog, int id, const std::optional<Text>& text) {
    if (text) SetDlgItemTextW(dialog, id, W(*text));
}

constexpr UINT_PTR FLUSH_TIMER = 1;

constexpr UINT_PTR CANCEL_BUTTON_SUBCLASS = 1;

// Enter ends most dialogs with the focused or default button; here it must
// not stop a transfer, so the Cancel button never takes Enter for itself. A
// click, Space on the focused button and Escape still press it.
LRESULT CALLBACK CancelButtonProcedure(HWND button, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
    if (message == WM_GETDLGCODE)
        return DefSubclassProc(button, message, wparam, lparam) & ~(DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON);
    if (message == WM_NCDESTROY) RemoveWindowSubclass(button, &CancelButtonProcedure, CANCEL_BUTTON_SUBCLASS);
    return DefSubclassProc(button, message, wparam, lparam);
}

void SetUpCancelButton(HWND dialog, uint16_t language) {
    HWND button = GetDlgItem(dialog, IDCANCEL);
    SetWindowTextW(button, W(LoadResString(IDS_CANCEL_BUTTON, language)));
    SetWindowSubclass(button, &CancelButtonProcedure, CANCEL_BUTTON_SUBCLASS, 0);
}

}  // namespace

// WM_TRANSFER_PROGRESS: void OnTransferProgress(ProgressKind kind, INT_PTR
// end_result), the batch's result for PROGRESS_END; records wait in the channel.
template <>
struct MessageCracker<WM_TRANSFER_PROGRESS> {
    template <typename O>
    static bool Call(O& object, void (O::*handler)(ProgressKind, INT_PTR), const WindowMessage& m, LRESULT*) {
        (object.*handler)(static_cast<ProgressKind>(m.wparam), static_cast<INT_PTR>(m.lparam));
        return true;
    }
};

HANDLE StartBatchWorker(std::shared_ptr<TransferSession> session, const TransferJob& job) {
    auto* worker = new CKelDownloadThread();
    HANDLE thread = IsUploadMode(job.mode) ? worker->SetupUpload(std::move(session), job)
                                           : worker->SetupDownload(std::move(session), job.cache_folder, job);
    if (!thread) delete worker;
    return thread;
}

CProgressDlg::CProgressDlg(TransferJob job, std::function<void()> user_cancelled, BatchPlatform platform)
    : job_(std::move(job)),
      user_cancelled_(std::move(user_cancelled)),
      start_worker_(platform.start_worker ? std::move(platform.start_worker) : StartBatchWorker),
      session_(std::make_shared<TransferSession>(job_.language, std::move(platform.post))) {}

INT_PTR CProgressDlg::Run() {
    LoadCommonControlClasses(ICC_PROGRESS_CLASS);
    return DoModal(IDD_PROGRESS, LANGUAGE_KOREAN, nullptr);
}

bool CProgressDlg::OnMessage(const WindowMessage& message, LRESULT* result) {
    using D = CProgressDlg;
    return On<WM_INITDIALOG>(message, result, this, &D::OnOpen) ||
           On<WM_TRANSFER_PROGRESS>(message, result, this, &D::OnTransferProgress) ||
           On<WM_TIMER>(message, result, this, &D::OnTimer) || On<WM_CLOSE>(message, result, this, &D::OnClose) ||
           On<WM_COMMAND>(message, result, this, &D::OnCommand) ||
           On<WM_DESTROY>(message, result, this, &D::OnDestroy) ||
           On<WM_WINDOWPOSCHANGING>(message, result, this, &D::OnWindowPosChanging);
}

void CProgressDlg::OnTimer(UINT_PTR id) {
    if (id == FLUSH_TIMER) OnFlushTimer();
}

// Escape and the Cancel button are the user's cancel, as the close box is;
// Enter leaves a running batch alone.
bool CProgressDlg::OnCommand(UINT, int id, HWND) {
    if (id == IDCANCEL) OnClose();
    return id == IDCANCEL || id == IDOK;
}

void CProgressDlg::OnOpen() {
    const uint16_t language = LanguageForSelector(job_.language);
    SelectThreadLanguage(language);
    SetUpCancelButton(Handle(), language);
    if (IsUploadMode(job_.mode)) {
        SetWindowTextW(Handle(), W(DialogTitle(job_.language)));
        FileSizeLookups sizes;
        for (const Text& file : job_.files) sizes.push_back(LocalFileSize(file));
        ApplyUpdate(model_.StartUpload(sizes));
    } else {
        const std::optional<Text> cache_folder = ExpandCacheFolderText(job_.cache_folder);
        // A folder text whose special folder does not exist names no place:
        // every entry fails as a failed download does, and nothing is
        // fetched or written anywhere.
        if (!cache_folder) {
            End(BATCH_RESULT_FINISHED);
            return;
        }
        job_.cache_folder = *cache_folder;
        CreateFolderTree(job_.cache_folder);
        ApplyUpdate(model_.StartDownload(job_.files.size(), job_.sizes));
    }
    session_->running().store(1);
    session_->channel().Open(Handle());
    worker_thread_.Reset(start_worker_(session_, job_));
    // A batch whose worker cannot start never ran, as one whose dialog
    // cannot be shown: the start command keeps the page's return list.
    if (!worker_thread_) End(BATCH_RESULT_NEVER_RAN);
}

void CProgressDlg::OnTransferProgress(ProgressKind kind, INT_PTR end_result) {
    if (kind != PROGRESS_END) {
        OnPostedRecordsWaiting();
        return;
    }
    // Items still waiting were posted before the end notice.
    ApplyPostedRecords();
    Flush();
    End(end_result);
}

// Posted items stay in the channel until the display is due: while its
// wake-up is pending the sender posts no other, so a transfer costs the
// page's thread one message per display interval, not one per 4 KiB block
// (every message is a round trip through the window system that the sending
// thread waits for).
void CProgressDlg::OnPostedRecordsWaiting() {
    if (DisplayDue() || !ArmFlushTimer()) ApplyPostedRecords();
}

void CProgressDlg::OnFlushTimer() {
    ApplyPostedRecords();
    Flush();
}

void CProgressDlg::ApplyPostedRecords() {
    for (const PostedRecord& posted : session_->channel().TakePosted()) ApplyPosted(posted);
}

// Items that arrive once the batch stopped running change nothing: its
// results are not kept.
void CProgressDlg::ApplyPosted(const PostedRecord& posted) {
    if (!IsRunning(&session_->running())) return;
    if (!posted.record) {
        model_.AddResult(posted.result);
        return;
    }
    Queue(model_.Apply(posted.kind, *posted.record, posted.record->title));
}

// The first way the dialog ends is the batch's outcome: an end notice that
// was already queued when the user closed the dialog, and arrives while the
// page's CancelTransfer handler still pumps messages, changes nothing.
void CProgressDlg::End(INT_PTR result) {
    if (ended_) return;
    ended_ = true;
    EndDialog(result);
}

// The page hears of one cancel per batch: a second Escape while its
// CancelTransfer handler runs, or a cancel after the batch ended, adds none.
void CProgressDlg::OnClose() {
    session_->running().store(0);
    if (ended_) return;
    End(BATCH_RESULT_CANCELLED);
    if (user_cancelled_) user_cancelled_();
}

void CProgressDlg::OnDestroy() {
    session_->running().store(0);
    // Records still on their way are freed by the channel; later ones are refused.
    session_->channel().Close();
}

void CProgressDlg::OnWindowPosChanging(WINDOWPOS& position) {
    // An invisible batch stays invisible, whatever shows the window.
    if (job_.visible)
        position.flags |= SWP_SHOWWINDOW;
    else
        position.flags &= ~SWP_SHOWWINDOW;
}

void CProgressDlg::Queue(const ProgressUpdate& update) {
    pending_.Merge(update);
    if (DisplayDue()) {
        Flush();
    } else {
        ArmFlushTimer();
    }
}

bool CProgressDlg::DisplayDue() const { return GetTickCount() - last_flush_ >= DISPLAY_INTERVAL_MS; }

// False when no timer could be set: the caller must not leave anything waiting for it.
bool CProgressDlg::ArmFlushTimer() {
    if (!flush_timer_) {
        const DWORD since = GetTickCount() - last_flush_;
        const DWORD remaining = since < DISPLAY_INTERVAL_MS ? DISPLAY_INTERVAL_MS - since : 0;
        flush_timer_ = SetTimer(Handle(), FLUSH_TIMER, remaining, nullptr) != 0;
    }
    return flush_timer_;
}

void CProgressDlg::Flush() {
    if (flush_timer_) KillTimer(Handle(), FLUSH_TIMER);
    flush_timer_ = false;
    ApplyUpdate(pending_);
    pending_ = ProgressUpdate();
    last_flush_ = GetTickCount();
}

void CProgressDlg::ApplyUpdate(const ProgressUpdate& update) {
    HWND dialog = Handle();
    SetBar(dialog, IDC_PROGRESS_FILE_BAR, update.file_bar_range, update.file_bar_position);
    SetBar(dialog, IDC_PROGRESS_TOTAL_BAR, update.total_bar_range, update.total_bar_position);
    SetText(dialog, IDC_PROGRESS_NAME, update.name_text);
    SetText(dialog, IDC_PROGRESS_FILE_COUNT, update.file_count_text);
    SetText(dialog, IDC_PROGRESS_BYTE_COUNT, update.byte_count_text);
}

}  // namespace corvela
