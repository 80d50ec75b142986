// The file list as scripting members, and the events its window fires.
#include "control/corvela_ctrl.h"

#include "filelist/drop_filter.h"
#include "filelist/file_entry.h"
#include "framework/resources.h"

namespace corvela {

FileListModel CCorvelaCtrl::ListModel() { return FileListModel(file_list_->Rows(), list_texts_); }

// A new entry may bring a size text or marker wider than its column.
void CCorvelaCtrl::ReportInsertResult(InsertResult result) {
    if (result == InsertResult::Inserted) file_list_->FitColumns();
    if (result == InsertResult::ListFull) ModuleMessageBox(Window(), LoadResString(IDS_LIST_LIMIT), MB_OK);
}

// ---- kept texts ----

Text CCorvelaCtrl::GetDelfileList() { return list_texts_.deleted_names; }
Text CCorvelaCtrl::GetisBigfileYN() { return list_texts_.deleted_info1; }
Text CCorvelaCtrl::GetisBigfileSizeAll() { return list_texts_.info1; }
Text CCorvelaCtrl::GetFileListAll() { return ListModel().FileListAll(); }
Text CCorvelaCtrl::GetIsDocfileAll() { return list_texts_.info2; }

// ---- insertion ----

// The big-file marker follows the language chosen at insertion; a later
// SetBigLang leaves existing markers as they are.
void CCorvelaCtrl::InsertFileList(Text filename, Text filepath, Text fileinfo1, Text fileinfo2, Text filesize) {
    if (!LocalFilesAllowed()) return;
    ReportInsertResult(ListModel().InsertFileList({filename, filepath, fileinfo1, fileinfo2, filesize},
                                                  BigFileMarker(big_lang_)));
}

void CCorvelaCtrl::InsertFileListDRM(Text filename, Text filepath, Text fileinfo1, Text fileinfo2, Text filesize,
                                     bool bDRM) {
    if (!LocalFilesAllowed()) return;
    ReportInsertResult(ListModel().InsertFileListDRM({filename, filepath, fileinfo1, fileinfo2, filesize},
                                                     bDRM, BigFileMarker(big_lang_)));
}

void CCorvelaCtrl::InsertUserN(Text Username) { ListModel().InsertUserN(Username); }
void CCorvelaCtrl::InsertFileInfo(Text info) { ListModel().InsertFileInfo(info); }

// ---- check marks, moves and deletion ----

void CCorvelaCtrl::SetCheckList(int32_t nIndex, bool isCheck) { ListModel().SetCheckList(nIndex, isCheck); }
void CCorvelaCtrl::ListUP() { ListModel().ListUP(); }
void CCorvelaCtrl::ListDOWN() { ListModel().ListDOWN(); }
void CCorvelaCtrl::DeleteFileList() {
    ListModel().DeleteFileList();
    file_list_->FitColumns();
}

void CCorvelaCtrl::DeleteFileListAll() {
    ListModel().DeleteFileListAll();
    file_list_->FitColumns();
}
Text CCorvelaCtrl::GetCheckFileInfo() { return ListModel().GetCheckFileInfo(); }

void CCorvelaCtrl::SetAllowedExt(Text sList) { file_list_->AllowedExtensions() = ParseAllowedExtensions(sList); }

// ---- one entry ----

Text CCorvelaCtrl::GetfilePath(int16_t nIndex) { return ListModel().GetfilePath(nIndex); }
Text CCorvelaCtrl::GetfileName(int16_t index) { return ListModel().GetfileName(index); }
Text CCorvelaCtrl::GetfileInfo1(int16_t index) { return ListModel().GetfileInfo1(index); }
Text CCorvelaCtrl::GetfileInfo2(int16_t index) { return ListModel().GetfileInfo2(index); }
Text CCorvelaCtrl::GetfileChecked(int16_t index) { return ListModel().GetfileChecked(index); }
Text CCorvelaCtrl::GetFileSize(int16_t index) { return ListModel().GetFileSize(index); }

// ---- events of the list window ----

void CCorvelaCtrl::FireAttachAddFile(const Text& mfilename) { FireEvent(EVENT_ATTACH_ADD_FILE, {mfilename}); }
void CCorvelaCtrl::FireClickCheckBox(const Text& UserList) { FireEvent(EVENT_CLICK_CHECK_BOX, {UserList}); }

void CCorvelaCtrl::FireDbClListFile(const Text& mPath, const Text& mUserList) {
    FireEvent(EVENT_DBCL_LIST_FILE, {mPath, mUserList});
}

}  // namespace corvela
