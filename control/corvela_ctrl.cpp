#include "control/corvela_ctrl.h"

#include "common/language.h"
#include "common/wide.h"
#include "control/last_created_control.h"
#include "control/site_lock.h"
#include "filelist/columns.h"
#include "framework/common_controls.h"
#include "framework/page_url.h"
#include "framework/resources.h"
#include "module/guids.h"

namespace corvela {
namespace {

constexpr DWORD LIST_STYLE = WS_CHILD | WS_VISIBLE | LVS_NOCOLUMNHEADER | LVS_REPORT;  // 0x50004001
constexpr UINT LIST_ID = 1;
constexpr DWORD LIST_EXTENDED_STYLE = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;  // 0x24
constexpr UINT LIST_CALLBACK_MASK = LVIS_FOCUSED;

const OleControlClass& ControlClass() {
    static const OleControlClass info = {
        &CLSID_Corvela,        &DIID__DCorvela,       &DIID__DCorvelaEvents,
        &LIBID_CORVELALib,     CORVELA_LIBRARY_MAJOR, CORVELA_LIBRARY_MINOR,
        &CLSID_CorvelaPropPage, CORVELA_MISC_STATUS,  IDS_CONTROL_TYPE_NAME,
        &CCorvelaCtrl::Table(),
    };
    return info;
}

void InsertColumns(HWND list, int client_width) {
    for (int index = 0; index < COLUMN_COUNT; ++index) {
        Text header = COLUMN_LAYOUT[index].header;
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.fmt = LVCFMT_LEFT;
        column.cx = index == COLUMN_NAME ? client_width - NAME_COLUMN_MARGIN : COLUMN_LAYOUT[index].width;
        column.pszText = const_cast<wchar_t*>(W(header));
        ListView_InsertColumn(list, index, &column);
    }
}

}  // namespace

HRESULT CCorvelaCtrl::Create(REFIID iid, void** object) {
    auto* control = new CCorvelaCtrl();
    const HRESULT hr = control->QueryInterface(iid, object);
    control->Release();
    return hr;
}

CCorvelaCtrl::CCorvelaCtrl() : OleControl(ControlClass()), file_list_(new CFileListCtrl()) {
    LoadLanguageTexts();
}

CCorvelaCtrl::~CCorvelaCtrl() { ForgetControl(this); }

void CCorvelaCtrl::LoadLanguageTexts() {
    hint_text_ = LoadResString(IDS_DROP_HINT);
    refusal_text_ = LoadResString(IDS_EXTENSION_REFUSED);
}

// ---- properties ----

Text CCorvelaCtrl::GettipString() { return tip_string_; }

void CCorvelaCtrl::SettipString(Text value) {
    tip_string_ = value;
    hint_text_ = value;
    if (file_list_->Window()) InvalidateRect(file_list_->Window(), nullptr, TRUE);
    SetModified();
}

int32_t CCorvelaCtrl::GetnType() { return type_; }
void CCorvelaCtrl::SetnType(int32_t value) { type_ = value; }

void CCorvelaCtrl::SetHideProgressDlg(bool value) {
    dialog_show_command_ = value ? SHOW_COMMAND_HIDE : SHOW_COMMAND_SHOW;
    SetModified();
}

void CCorvelaCtrl::SetSetBigLang(int32_t value) {
    big_lang_ = value;
    SelectThreadLanguage(LanguageForSelector(value));
    LoadLanguageTexts();
    if (file_list_->Window()) InvalidateRect(file_list_->Window(), nullptr, TRUE);
    SetModified();
}

void CCorvelaCtrl::SetNTLM(bool value) {
    ntlm_ = value ? 1 : 0;
    SetModified();
}

void CCorvelaCtrl::SetUseDbCl(bool value) { use_dbcl_ = value ? 1 : 0; }

// ---- members kept for compatibility: they accept their arguments and do nothing ----

void CCorvelaCtrl::AddDownloadUrl(Text, Text, int32_t) {}
int32_t CCorvelaCtrl::StartDownload(Text) { return 0; }
int32_t CCorvelaCtrl::StartDownload2(Text, Text) { return 0; }

// ---- the site lock ----

bool CCorvelaCtrl::LocalFilesAllowed() const {
    TextList lines;
    const PolicyValue policy = ReadSitePolicy(&lines);
    return PageMayUseLocalFiles(policy, lines, PageUrlOf(ClientSite()), ZoneOfUrl);
}

// ---- events ----

void CCorvelaCtrl::FireCancelTransfer() { FireEvent(EVENT_CANCEL_TRANSFER); }

// ---- the control's window ----

LRESULT CCorvelaCtrl::OnWindowMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            // The framework's own creation runs first; its failure ends it.
            if (DefaultProcessing(message, wparam, lparam) == -1) return -1;
            return OnCreate(*reinterpret_cast<const CREATESTRUCTW*>(lparam));
        case WM_SIZE:
            DefaultProcessing(message, wparam, lparam);
            OnSize(static_cast<UINT>(wparam), SIZE{LOWORD(lparam), HIWORD(lparam)});
            return 0;
        case WM_NOTIFY: {
            auto& header = *reinterpret_cast<NMHDR*>(lparam);
            if (IsFromList(header)) return file_list_->OnNotify(header);
            return DefaultProcessing(message, wparam, lparam);
        }
        case WM_FIRE_CANCEL_TRANSFER:
            FireCancelTransfer();
            return 0;
        default:
            return DefaultProcessing(message, wparam, lparam);
    }
}

// The control's window has no border: its client area is its whole size.
LRESULT CCorvelaCtrl::OnCreate(const CREATESTRUCTW& create) {
    SetLastCreatedControl(this);
    file_list_->SetOwner(this);

    const RECT client = {0, 0, create.cx, create.cy};
    LoadCommonControlClasses(ICC_LISTVIEW_CLASSES);
    if (!file_list_->Create(LIST_STYLE, client, Window(), LIST_ID)) return -1;
    HWND list = file_list_->Window();
    ListView_SetExtendedListViewStyle(list, LIST_EXTENDED_STYLE);
    ListView_SetCallbackMask(list, LIST_CALLBACK_MASK);
    InsertColumns(list, create.cx);

    // The list view owns the strip from here and frees it with its window.
    ListView_SetImageList(list, LoadImageStrip(IDB_ICON_STRIP, 16, RGB(0, 0, 0), false), LVSIL_SMALL);

    FireEvent(EVENT_INIT_COMPLETE);
    return 0;
}

bool CCorvelaCtrl::IsFromList(const NMHDR& header) const {
    return header.idFrom == LIST_ID && header.hwndFrom == file_list_->Window();
}

void CCorvelaCtrl::OnSize(UINT, SIZE client) {
    HWND list = file_list_->Window();
    if (!list) return;
    MoveWindow(list, 0, 0, client.cx, client.cy, TRUE);
    ListView_SetColumnWidth(list, COLUMN_NAME, NameColumnWidth(client.cx));
    ListView_SetColumnWidth(list, COLUMN_SIZE_TEXT, SIZE_TEXT_COLUMN_WIDTH);
    ListView_SetColumnWidth(list, COLUMN_BIG_MARKER, BIG_MARKER_COLUMN_WIDTH);
}

}  // namespace corvela
