// The scripting interface of the control: every member at its dispatch
// number, with the parameter names that pages using named arguments rely on.
#include "control/corvela_ctrl.h"

namespace corvela {
namespace {

const DispHandler kNone;

std::vector<DispMember> Members() {
    using K = DispKind;
    using C = CCorvelaCtrl;
    return {
        {1, L"tipString", K::Property, {}, Bind<&C::GettipString>(), Bind<&C::SettipString>()},
        {2, L"nType", K::Property, {}, Bind<&C::GetnType>(), Bind<&C::SetnType>()},
        {3, L"DelfileList", K::Property, {}, Bind<&C::GetDelfileList>(), kNone},
        {4, L"isBigfileYN", K::Property, {}, Bind<&C::GetisBigfileYN>(), kNone},
        {5, L"isBigfileSizeAll", K::Property, {}, Bind<&C::GetisBigfileSizeAll>(), kNone},
        {6, L"FileListAll", K::Property, {}, Bind<&C::GetFileListAll>(), kNone},
        {7, L"IsDocfileAll", K::Property, {}, Bind<&C::GetIsDocfileAll>(), kNone},
        {8, L"HideProgressDlg", K::Property, {}, kNone, Bind<&C::SetHideProgressDlg>()},
        {9, L"SetBigLang", K::Property, {}, kNone, Bind<&C::SetSetBigLang>()},
        {10, L"NTLM", K::Property, {}, kNone, Bind<&C::SetNTLM>()},
        {11, L"UseDbCl", K::Property, {}, kNone, Bind<&C::SetUseDbCl>()},
        {12, L"AddDownloadUrl", K::Method, {L"sUrl", L"sDstFileName", L"lSize"}, Bind<&C::AddDownloadUrl>(), kNone},
        {13, L"StartDownload", K::Method, {L"sCacheFolder"}, Bind<&C::StartDownload>(), kNone},
        {14, L"AddUploadFile", K::Method, {L"sUrl", L"sFileData"}, Bind<&C::AddUploadFile>(), kNone},
        {15, L"StartUpload", K::Method, {L"sPage", L"sDstFolder", L"sPrefix", L"sID", L"sPwd"},
         Bind<&C::StartUpload>(), kNone},
        {16, L"GetReturn", K::Method, {L"nIndex"}, Bind<&C::GetReturn>(), kNone},
        {17, L"OpenDownload", K::Method, {L"sCacheFolder"}, Bind<&C::OpenDownload>(), kNone},
        {18, L"AddDownloadUrlForCache", K::Method, {L"sUrl", L"sUniqueID", L"sDstFileName", L"lSize"},
         Bind<&C::AddDownloadUrlForCache>(), kNone},
        {19, L"GetFolderPath", K::Method, {}, Bind<&C::GetFolderPath>(), kNone},
        {20, L"ChangeSpecialChar", K::Method, {L"sFileName"}, Bind<&C::ChangeSpecialChar>(), kNone},
        {21, L"StartDownload2", K::Method, {L"sCacheFolder", L"sTitle"}, Bind<&C::StartDownload2>(), kNone},
        {22, L"StartUpload2", K::Method, {L"sPage", L"sDstFolder", L"sPrefix", L"sID", L"sPwd", L"sTitle"},
         Bind<&C::StartUpload2>(), kNone},
        {23, L"StartUpload3", K::Method, {L"sPage", L"sDstFolder", L"sPrefix", L"sID", L"sPwd", L"sSID"},
         Bind<&C::StartUpload3>(), kNone},
        {24, L"DeleteFileList", K::Method, {}, Bind<&C::DeleteFileList>(), kNone},
        {25, L"InsertFileList", K::Method, {L"filename", L"filepath", L"fileinfo1", L"fileinfo2", L"filesize"},
         Bind<&C::InsertFileList>(), kNone},
        {26, L"InsertUserN", K::Method, {L"Username"}, Bind<&C::InsertUserN>(), kNone},
        {27, L"SetCheckList", K::Method, {L"nIndex", L"isCheck"}, Bind<&C::SetCheckList>(), kNone},
        {28, L"InsertFileInfo", K::Method, {L"sInfo"}, Bind<&C::InsertFileInfo>(), kNone},
        {29, L"AddFilename", K::Method, {L"sFilename"}, Bind<&C::AddFilename>(), kNone},
        {30, L"ListUP", K::Method, {}, Bind<&C::ListUP>(), kNone},
        {31, L"ListDOWN", K::Method, {}, Bind<&C::ListDOWN>(), kNone},
        {32, L"DeleteFileListAll", K::Method, {}, Bind<&C::DeleteFileListAll>(), kNone},
        {33, L"GetCheckFileInfo", K::Method, {}, Bind<&C::GetCheckFileInfo>(), kNone},
        {34, L"InsertFileListDRM", K::Method,
         {L"filename", L"filepath", L"fileinfo1", L"fileinfo2", L"filesize", L"bDRM"},
         Bind<&C::InsertFileListDRM>(), kNone},
        {35, L"SetAllowedExt", K::Method, {L"sList"}, Bind<&C::SetAllowedExt>(), kNone},
        {36, L"GetfilePath", K::IndexedProperty, {L"nIndex"}, Bind<&C::GetfilePath>(), kNone},
        {37, L"GetfileName", K::IndexedProperty, {L"index"}, Bind<&C::GetfileName>(), kNone},
        {38, L"GetfileInfo1", K::IndexedProperty, {L"index"}, Bind<&C::GetfileInfo1>(), kNone},
        {39, L"GetfileInfo2", K::IndexedProperty, {L"index"}, Bind<&C::GetfileInfo2>(), kNone},
        {40, L"GetfileChecked", K::IndexedProperty, {L"index"}, Bind<&C::GetfileChecked>(), kNone},
        {41, L"GetFileSize", K::IndexedProperty, {L"index"}, Bind<&C::GetFileSize>(), kNone},
        {42, L"GetReturnSize", K::IndexedProperty, {L"filepath"}, Bind<&C::GetReturnSize>(), kNone},
    };
}

}  // namespace

const DispatchTable& CCorvelaCtrl::Table() {
    static const DispatchTable table(Members());
    return table;
}

}  // namespace corvela
