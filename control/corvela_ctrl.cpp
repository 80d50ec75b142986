#include "control/corvela_ctrl.h"

#include "common/language.h"
#include "common/wide.h"
#include "control/last_created_control.h"
#include "control/site_lock.h"
#include "filelist/columns.h"
#include "filelist/list_keys.h"
#include "filelist/list_metrics.h"
#include "framework/common_controls.h"
#include "framework/page_url.h"
#include "framework/resources.h"
#include "control/guids.h"

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

// The visible columns get their widths from the list window afterwards.
void InsertColumns(HWND list) {
    for (int index = 0; index < COLUMN_COUNT; ++index) {
        Text header = COLUMN_LAYOUT[index].header;
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.fmt = LVCFMT_LEFT;
        column.cx = COLUMN_LAYOUT[index].width;
        column.pszText = const_cast<wchar_t*>(W(header));
        ListView_InsertColumn(list, index, &column);
    }
}

}  // namespace

// void FireCancelTransfer(): the request of another thread's dialog.
template <>
struct MessageCracker<WM_FIRE_CANCEL_TRANSFER> {
    template <typename O>
    static bool Call(O& object, void (O::*handler)(), const WindowMessage&, LRESULT*) {
        (object.*handler)();
        return true;
    }
};

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

bool CCorvelaCtrl::OnMessage(const WindowMessage& message, LRESULT* result) {
    using C = CCorvelaCtrl;
    return On<WM_CREATE>(message, result, this, &C::OnCreate) || On<WM_SIZE>(message, result, this, &C::OnSize) ||
           On<WM_NOTIFY>(message, result, this, &C::OnNotify) ||
           On<WM_SETFOCUS>(message, result, this, &C::OnSetFocus) ||
           On<WM_FIRE_CANCEL_TRANSFER>(message, result, this, &C::FireCancelTransfer) ||
           OleControl::OnMessage(message, result);
}

// Notifications of the list window go back to it (see CFileListCtrl::OnNotify).
LRESULT CCorvelaCtrl::OnNotify(NMHDR& header) {
    if (!IsFromList(header)) return 0;
    // A click or the container puts the focus on the list: the control is
    // the page's active object while the list has it.
    if (header.code == NM_SETFOCUS || header.code == NM_KILLFOCUS) OnFocusChanged(header.code == NM_SETFOCUS);
    return file_list_->OnNotify(header);
}

void CCorvelaCtrl::OnSetFocus(HWND) {
    if (file_list_->Window()) SetFocus(file_list_->Window());
}

// The control's window has no border: its client area is its whole size.
bool CCorvelaCtrl::OnCreate(const CREATESTRUCTW& create) {
    SetLastCreatedControl(this);
    file_list_->SetOwner(this);

    const RECT client = {0, 0, create.cx, create.cy};
    LoadCommonControlClasses(ICC_LISTVIEW_CLASSES);
    if (!file_list_->Create(LIST_STYLE, client, Window(), LIST_ID)) return false;
    HWND list = file_list_->Window();
    ListView_SetExtendedListViewStyle(list, LIST_EXTENDED_STYLE);
    ListView_SetCallbackMask(list, LIST_CALLBACK_MASK);
    InsertColumns(list);
    file_list_->FitColumns();

    // The list view owns the strip from here and frees it with its window.
    const int icon_size = IconCellSize(file_list_->Dpi());
    const UINT strip = icon_size == LARGE_ICON_SIZE ? IDB_ICON_STRIP_LARGE : IDB_ICON_STRIP;
    ListView_SetImageList(list, LoadImageStrip(strip, icon_size, RGB(0, 0, 0), false), LVSIL_SMALL);

    FireEvent(EVENT_INIT_COMPLETE);
    return true;
}

bool CCorvelaCtrl::IsFromList(const NMHDR& header) const {
    return header.idFrom == LIST_ID && header.hwndFrom == file_list_->Window();
}

void CCorvelaCtrl::OnSize(UINT, SIZE client) {
    HWND list = file_list_->Window();
    if (!list) return;
    MoveWindow(list, 0, 0, client.cx, client.cy, TRUE);
    file_list_->FitColumns();
}

// A browser offers every key to its active object first and uses the ones
// refused itself: the arrows would scroll the page, Space page down. The
// list takes the keys it moves and ticks with.
bool CCorvelaCtrl::TakeKey(MSG& message) {
    const bool key_message = message.message == WM_KEYDOWN || message.message == WM_KEYUP;
    if (!key_message || !file_list_->Window() || message.hwnd != file_list_->Window() ||
        !ListTakesKey(static_cast<uint32_t>(message.wParam)))
        return false;
    TranslateMessage(&message);
    DispatchMessageW(&message);
    return true;
}

}  // namespace corvela
