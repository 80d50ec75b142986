#include "framework/property_page.h"

#include "common/language.h"
#include "common/wide.h"
#include "framework/resources.h"
#include "framework/result.h"

namespace corvela {
namespace {

wchar_t* CoTaskText(const Text& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
    if (copy) memcpy(copy, W(text), bytes);
    return copy;
}

// The template's size in dialog units, as pixels of the dialog's font.
SIZE TemplateSize(UINT dialog_id) {
    SIZE size = {250, 62};
    const DLGTEMPLATE* dialog_template = FindDialogTemplate(dialog_id, ThreadLanguage());
    if (dialog_template) size = {dialog_template->cx, dialog_template->cy};
    const LONG units = GetDialogBaseUnits();
    return {MulDiv(size.cx, LOWORD(units), 4), MulDiv(size.cy, HIWORD(units), 8)};
}

}  // namespace

PropertyPage::PropertyPage(UINT dialog_id, UINT caption_id) : dialog_id_(dialog_id), caption_id_(caption_id) {}

PropertyPage::~PropertyPage() {
    if (dialog_) DestroyWindow(dialog_);
}

HRESULT PropertyPage::Create(UINT dialog_id, UINT caption_id, REFIID iid, void** object) {
    auto* page = new PropertyPage(dialog_id, caption_id);
    const HRESULT hr = page->QueryInterface(iid, object);
    page->Release();
    return hr;
}

STDMETHODIMP PropertyPage::SetPageSite(IPropertyPageSite* site) {
    site_ = ComPtr<IPropertyPageSite>::Share(site);
    return S_OK;
}

INT_PTR CALLBACK PropertyPage::DialogProcedure(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

STDMETHODIMP PropertyPage::Activate(HWND parent, LPCRECT rect, BOOL) {
    if (dialog_) return E_UNEXPECTED;
    const DLGTEMPLATE* dialog_template = FindDialogTemplate(dialog_id_, ThreadLanguage());
    if (!dialog_template) return E_FAIL;
    dialog_ = CreateDialogIndirectParamW(ModuleInstance(), dialog_template, parent, &DialogProcedure, 0);
    RETURN_LAST_ERROR_IF(!dialog_);
    if (rect) Move(rect);
    return S_OK;
}

STDMETHODIMP PropertyPage::Deactivate() {
    if (dialog_) DestroyWindow(dialog_);
    dialog_ = nullptr;
    return S_OK;
}

STDMETHODIMP PropertyPage::GetPageInfo(PROPPAGEINFO* info) {
    if (!info) return E_POINTER;
    info->cb = sizeof(*info);
    info->pszTitle = nullptr;
    info->size = TemplateSize(dialog_id_);
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    return ComEntry([&] {
        info->pszTitle = CoTaskText(LoadResString(caption_id_));
        return info->pszTitle ? S_OK : E_OUTOFMEMORY;
    });
}

STDMETHODIMP PropertyPage::SetObjects(ULONG count, IUnknown** objects) {
    if (count > 0 && !objects) return E_POINTER;
    object_count_ = count;
    return S_OK;
}

STDMETHODIMP PropertyPage::Show(UINT command) {
    if (!dialog_) return E_UNEXPECTED;
    ShowWindow(dialog_, command);
    return S_OK;
}

STDMETHODIMP PropertyPage::Move(LPCRECT rect) {
    if (!rect) return E_POINTER;
    if (!dialog_) return E_UNEXPECTED;
    MoveWindow(dialog_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    return S_OK;
}

STDMETHODIMP PropertyPage::IsPageDirty() { return S_FALSE; }
STDMETHODIMP PropertyPage::Apply() { return S_OK; }
STDMETHODIMP PropertyPage::Help(LPCOLESTR) { return E_NOTIMPL; }
STDMETHODIMP PropertyPage::TranslateAccelerator(MSG* message) {
    return dialog_ && message && IsDialogMessageW(dialog_, message) ? S_OK : S_FALSE;
}

}  // namespace corvela
