// A property page built on a dialog template. The page carries no settings
// of its own; applying it changes nothing.
#pragma once

#include <ocidl.h>

#include "framework/com_object.h"
#include "framework/com_ptr.h"
#include "framework/module.h"

namespace corvela {

class PropertyPage final : public ComObject<PropertyPage, IPropertyPage> {
public:
    PropertyPage(UINT dialog_id, UINT caption_id);
    ~PropertyPage();

    static HRESULT Create(UINT dialog_id, UINT caption_id, REFIID iid, void** object);

    STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
    STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    STDMETHODIMP Deactivate() override;
    STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
    STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
    STDMETHODIMP Show(UINT command) override;
    STDMETHODIMP Move(LPCRECT rect) override;
    STDMETHODIMP IsPageDirty() override;
    STDMETHODIMP Apply() override;
    STDMETHODIMP Help(LPCOLESTR help_dir) override;
    STDMETHODIMP TranslateAccelerator(MSG* message) override;

private:
    static INT_PTR CALLBACK DialogProcedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

    UINT dialog_id_;
    UINT caption_id_;
    ModuleUse module_use_;
    ComPtr<IPropertyPageSite> site_;
    HWND dialog_ = nullptr;
    ULONG object_count_ = 0;
};

}  // namespace corvela
