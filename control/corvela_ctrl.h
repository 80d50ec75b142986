// The Corvela control: the object a page creates. It owns the file list
// window, the transfer queues, the return list and the option values that
// script sets through properties, and answers the scripting interface.
#pragma once

#include <memory>

#include "common/constants.h"
#include "common/text.h"
#include "filelist/file_list_ctrl.h"
#include "filelist/file_list_model.h"
#include "filelist/list_owner.h"
#include "framework/handles.h"
#include "framework/ole_control.h"
#include "session/transfer_job.h"

namespace corvela {

// Dispatch numbers of the events.
enum CorvelaEvent : DISPID {
    EVENT_INIT_COMPLETE = 1,
    EVENT_CANCEL_TRANSFER = 2,
    EVENT_ATTACH_ADD_FILE = 3,
    EVENT_CLICK_CHECK_BOX = 4,
    EVENT_DBCL_LIST_FILE = 5,
};

// What the transfer commands queue (all lists in insertion order).
struct TransferQueues {
    TextList primary;  // local files to upload, or URLs to download
    TextList file_data;
    TextList file_names;
    TextList unique_ids;
    TextList destination_names;
    SizeList sizes;
};

class CCorvelaCtrl final : public OleControl, public FileListOwner {
public:
    static HRESULT Create(REFIID iid, void** object);
    static const DispatchTable& Table();

    CCorvelaCtrl();
    ~CCorvelaCtrl() override;

    // Properties.
    Text GettipString();
    void SettipString(Text value);
    int32_t GetnType();
    void SetnType(int32_t value);
    void SetHideProgressDlg(bool value);
    void SetSetBigLang(int32_t value);
    void SetNTLM(bool value);
    void SetUseDbCl(bool value);

    // Members that accept their arguments and do nothing.
    void AddDownloadUrl(Text sUrl, Text sDstFileName, int32_t lSize);
    int32_t StartDownload(Text sCacheFolder);
    int32_t StartDownload2(Text sCacheFolder, Text sTitle);

    // Transfer commands.
    void AddFilename(Text name);
    void AddUploadFile(Text sUrl, Text sFileData);
    void AddDownloadUrlForCache(Text sUrl, Text sUniqueID, Text sDstFileName, int32_t lSize);
    int32_t StartUpload(Text sPage, Text sDstFolder, Text sPrefix, Text sID, Text sPwd);
    int32_t StartUpload2(Text sPage, Text sDstFolder, Text sPrefix, Text sID, Text sPwd, Text sTitle);
    int32_t StartUpload3(Text sPage, Text sDstFolder, Text sPrefix, Text sID, Text sPwd, Text sSID);
    int32_t OpenDownload(Text sCacheFolder);
    Text GetReturn(int32_t nIndex);
    Text GetReturnSize(Text filepath);

    // The file list (control/file_list_members.cpp). Without a window the
    // list has no rows: insertions add nothing and getters give "".
    Text GetDelfileList();
    Text GetisBigfileYN();
    Text GetisBigfileSizeAll();
    Text GetFileListAll();
    Text GetIsDocfileAll();
    void InsertFileList(Text filename, Text filepath, Text fileinfo1, Text fileinfo2, Text filesize);
    void InsertFileListDRM(Text filename, Text filepath, Text fileinfo1, Text fileinfo2, Text filesize, bool bDRM);
    void InsertUserN(Text Username);
    void InsertFileInfo(Text info);
    void SetCheckList(int32_t nIndex, bool isCheck);
    void ListUP();
    void ListDOWN();
    void DeleteFileList();
    void DeleteFileListAll();
    Text GetCheckFileInfo();
    void SetAllowedExt(Text sList);
    Text GetfilePath(int16_t nIndex);
    Text GetfileName(int16_t index);
    Text GetfileInfo1(int16_t index);
    Text GetfileInfo2(int16_t index);
    Text GetfileChecked(int16_t index);
    Text GetFileSize(int16_t index);

    // Local services (control/shell_members.cpp).
    Text ChangeSpecialChar(Text sFileName);
    Text GetFolderPath();

    // The site lock: whether the page may have local files read or sent
    // (queued, inserted, dropped, chosen, measured). With a policy, only the
    // pages it names; without one, the pages of the local machine, the local
    // intranet and trusted sites, and a container that tells no page.
    bool LocalFilesAllowed() const override;

    // The list window's owner (FileListOwner).
    const Text& HintText() const override { return hint_text_; }
    const Text& RefusalText() const override { return refusal_text_; }
    int32_t UseDbCl() const override { return use_dbcl_; }
    bool HoldWhileHandling() override { return AddRefUnlessDestroyed(); }
    void LetGo() override { Release(); }

    // Fired by the list window and the progress dialog.
    void FireCancelTransfer();
    void FireAttachAddFile(const Text& mfilename) override;
    void FireClickCheckBox(const Text& UserList) override;
    void FireDbClListFile(const Text& mPath, const Text& mUserList) override;

protected:
    bool OnMessage(const WindowMessage& message, LRESULT* result) override;
    bool MayBeMadeSafe() override { return LocalFilesAllowed(); }
    bool TakeKey(MSG& message) override;

private:
    bool OnCreate(const CREATESTRUCTW& create);
    void OnSize(UINT type, SIZE client);
    LRESULT OnNotify(NMHDR& header);
    // The focus given to the control goes on to the list.
    void OnSetFocus(HWND lost);
    bool IsFromList(const NMHDR& header) const;
    FileListModel ListModel();
    // After an insertion: the columns fit the new entry, or the user hears
    // that the list is full.
    void ReportInsertResult(InsertResult result);
    void LoadLanguageTexts();
    TransferJob NewJob(int32_t mode) const;
    TransferJob UploadJob(int32_t mode, const Text& page, const Text& dst_folder, const Text& prefix,
                          const Text& user, const Text& password) const;
    // Runs a start command's batch dialog modally; the new count of the
    // return list, or 0 (empty queue, cancel, a batch that never ran) with the
    // list unchanged.
    int32_t RunBatchDialog(const TransferJob& job);
    int32_t RunDownloadBatch(const Text& cache_folder);

    std::unique_ptr<CFileListCtrl> file_list_;
    FileListTexts list_texts_;
    Text hint_text_;
    Text refusal_text_;
    TransferQueues queues_;
    Text pending_file_name_;
    TextList returns_;
    int32_t type_ = 0;
    int32_t ntlm_ = 0;
    int32_t use_dbcl_ = 0;
    int32_t dialog_show_command_ = SHOW_COMMAND_SHOW;
    int32_t big_lang_ = 0;
    Text tip_string_;
};

}  // namespace corvela
