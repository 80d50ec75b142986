// The transfer commands: queueing files and URLs, running a batch under the
// progress dialog and handing the per-file results back to script.
#include "control/corvela_ctrl.h"

#include "common/local_files.h"
#include "common/wide.h"
#include "control/last_created_control.h"
#include "session/progress_dlg.h"

namespace corvela {

void CCorvelaCtrl::AddFilename(Text name) { pending_file_name_ = name; }

// On a page the site lock refuses, the members that read or send local files
// do nothing and give their empty result.

void CCorvelaCtrl::AddUploadFile(Text sUrl, Text sFileData) {
    if (!LocalFilesAllowed()) return;
    if (sUrl.empty()) {
        queues_ = TransferQueues();
        returns_.clear();
        return;
    }
    queues_.primary.push_back(sUrl);
    queues_.file_data.push_back(sFileData);
    queues_.file_names.push_back(pending_file_name_);
}

void CCorvelaCtrl::AddDownloadUrlForCache(Text sUrl, Text sUniqueID, Text sDstFileName, int32_t lSize) {
    if (!LocalFilesAllowed()) return;
    if (sUrl.empty()) {
        // The upload queue's file data and names stay as they are.
        queues_.primary.clear();
        queues_.unique_ids.clear();
        queues_.destination_names.clear();
        queues_.sizes.clear();
        returns_.clear();
        return;
    }
    queues_.primary.push_back(sUrl);
    queues_.unique_ids.push_back(sUniqueID);
    queues_.destination_names.push_back(sDstFileName);
    queues_.sizes.push_back(static_cast<uint32_t>(lSize));
}

TransferJob CCorvelaCtrl::NewJob(int32_t mode) const {
    TransferJob job;
    job.mode = mode;
    job.visible = dialog_show_command_ == SHOW_COMMAND_SHOW;
    job.language = big_lang_;
    job.type = type_;
    job.files = queues_.primary;
    return job;
}

TransferJob CCorvelaCtrl::UploadJob(int32_t mode, const Text& page, const Text& dst_folder, const Text& prefix,
                                     const Text& user, const Text& password) const {
    TransferJob job = NewJob(mode);
    job.page = page;
    job.dst_folder = dst_folder;
    job.prefix = prefix;
    job.user = user;
    job.password = password;
    job.file_data = queues_.file_data;
    job.file_names = queues_.file_names;
    return job;
}

int32_t CCorvelaCtrl::RunBatchDialog(const TransferJob& job) {
    if (queues_.primary.empty() || !LocalFilesAllowed()) return 0;
    CProgressDlg dialog(job, &FireCancelTransferOnLastCreated);
    const INT_PTR result = dialog.Run();
    // A cancelled batch, or one that could not be shown, leaves the
    // return list as it was.
    if (result != BATCH_RESULT_FINISHED) return 0;
    returns_ = dialog.Results();
    return static_cast<int32_t>(returns_.size());
}

int32_t CCorvelaCtrl::StartUpload(Text sPage, Text sDstFolder, Text sPrefix, Text sID, Text sPwd) {
    TransferJob job = UploadJob(MODE_UPLOAD, sPage, sDstFolder, sPrefix, sID, sPwd);
    job.auth_option = ntlm_;
    return RunBatchDialog(job);
}

int32_t CCorvelaCtrl::StartUpload2(Text sPage, Text sDstFolder, Text sPrefix, Text sID, Text sPwd, Text) {
    return RunBatchDialog(UploadJob(MODE_UPLOAD_PLAIN, sPage, sDstFolder, sPrefix, sID, sPwd));
}

int32_t CCorvelaCtrl::StartUpload3(Text sPage, Text sDstFolder, Text sPrefix, Text sID, Text sPwd, Text sSID) {
    TransferJob job = UploadJob(MODE_UPLOAD, sPage, sDstFolder, sPrefix, sID, sPwd);
    job.auth_option = ntlm_;
    job.sid = sSID;
    return RunBatchDialog(job);
}

int32_t CCorvelaCtrl::RunDownloadBatch(const Text& cache_folder) {
    TransferJob job = NewJob(MODE_CACHE_DOWNLOAD);
    job.cache_folder = cache_folder;
    job.unique_ids = queues_.unique_ids;
    job.destination_names = queues_.destination_names;
    job.sizes = queues_.sizes;
    return RunBatchDialog(job);
}

Text CCorvelaCtrl::GetReturn(int32_t nIndex) {
    if (nIndex < 0 || static_cast<size_t>(nIndex) >= returns_.size()) return Text();
    return returns_[nIndex];
}

// The whole size in decimal, however large: a page can show a 5 GiB file as
// such, or tell the user it is too large to send.
Text CCorvelaCtrl::GetReturnSize(Text filepath) {
    const bool wildcard = filepath.find_first_of(u"?*") != Text::npos;
    const std::optional<uint64_t> size = wildcard || !LocalFilesAllowed() ? std::nullopt : LocalFileSize(filepath);
    if (!size) return u"-1";
    return DecimalText(static_cast<int64_t>(*size));
}

}  // namespace corvela
