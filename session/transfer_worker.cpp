#include "session/transfer_worker.h"

#include "common/constants.h"
#include "common/language.h"
#include "common/local_files.h"
#include "common/wide.h"
#include "framework/resources.h"
#include "session/cache_files.h"
#include "session/dialog_progress.h"
#include "shell/platform_paths.h"
#include "shell/runnable_file.h"
#include "transport/download_file.h"
#include "transport/http_upload.h"

namespace corvela {

HANDLE CKelDownloadThread::SetupUpload(std::shared_ptr<TransferSession> session, const TransferJob& job) {
    session_ = std::move(session);
    job_ = job;
    job_.mode = MODE_UPLOAD;
    return Start();
}

HANDLE CKelDownloadThread::SetupDownload(std::shared_ptr<TransferSession> session, const Text& cache_folder,
                                         const TransferJob& job) {
    session_ = std::move(session);
    job_ = job;
    job_.mode = MODE_CACHE_DOWNLOAD;
    job_.cache_folder = cache_folder;
    return Start();
}

bool CKelDownloadThread::OnThreadStart() {
    // Message boxes of this thread speak the page's language.
    SelectThreadLanguage(LanguageForSelector(session_->language()));
    return true;
}

bool CKelDownloadThread::Running() const { return IsRunning(&session_->running()); }

DWORD CKelDownloadThread::Run() {
    if (job_.mode == MODE_CACHE_DOWNLOAD)
        RunDownloads();
    else
        RunUploads();
    session_->channel().PostEnd(EndResult(Running()));
    return 0;
}

void CKelDownloadThread::RunUploads() {
    for (size_t i = 0; i < job_.files.size(); ++i) {
        if (!Running()) return;
        const UploadRequest request{job_.files[i], job_.page,   EntryOrEmpty(job_.file_data, i), job_.dst_folder,
                                    EntryOrEmpty(job_.file_names, i), job_.sid, job_.prefix, job_.user,
                                    job_.password, job_.auth_option};
        DialogProgress progress(&session_->channel(), session_->running(), PROGRESS_UPLOAD);
        CHttpUpload upload;
        if (!upload.UploadFile(request, progress).Succeeded()) return;  // the remaining files are not sent
    }
}

void CKelDownloadThread::RunDownloads() {
    const RunnablePlaces places{ProtectedFolders(), PathFolders()};
    for (size_t i = 0; i < job_.files.size(); ++i) {
        if (!Running()) return;
        DownloadOne(i, places);
    }
}

namespace {

CacheFolderFacts FactsAboutFolderOf(const Text& canonical_path, const Text& unique_id) {
    const Text folder = FolderOf(canonical_path);
    CacheFolderFacts facts;
    facts.network = IsNetworkPath(canonical_path);
    facts.host_root = IsOnHostRootDrive(canonical_path);
    facts.holds_program = FolderHoldsProgram(folder, unique_id);
    return facts;
}

}  // namespace

void CKelDownloadThread::DownloadOne(size_t index, const RunnablePlaces& places) {
    const CacheFilePlan plan = PlanCacheFile(job_, index);
    // Refused entries fail as a failed download does: nothing is written.
    if (!IsUsableUniqueId(plan.unique_id)) return;
    const Text canonical = CanonicalPath(plan.cache_path);
    const CacheFolderFacts facts = FactsAboutFolderOf(canonical, plan.unique_id);
    if (!MayWriteToCache(canonical, CouldRunCode(canonical), places, facts)) return;
    if (ShouldAskAboutCachedCopy(job_.cache_folder, plan.unique_id, FileExists(plan.cache_path))) {
        const Text question = CachedCopyQuestion(LoadResString(IDS_CACHED_COPY_QUESTION), plan.destination_name);
        if (ModuleMessageBox(nullptr, question, MB_YESNO | MB_TOPMOST) == IDYES) {
            session_->channel().PostResult(plan.cache_path);
            return;
        }
    }
    // The dialog shows the destination name while the file downloads.
    DialogProgress progress(&session_->channel(), session_->running(), PROGRESS_DOWNLOAD, plan.destination_name);
    Text target;
    if (!DownloadFile({plan.url, Text(), plan.extension}, progress, &target).Succeeded()) return;
    // The name let the file through; what arrived may still be a program.
    if (!MayWriteToCache(canonical, CouldRunCode(canonical, target), places, facts)) {
        DeleteFileW(W(target));
        return;
    }
    // An existing file at the cache path is never replaced.
    const bool moved = MoveIntoCache(target, job_.cache_folder, plan.cache_path);
    session_->channel().PostResult(DownloadResult(moved, plan.cache_path, target));
}

}  // namespace corvela
