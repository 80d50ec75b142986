#include "host/browser_services.h"

#include <exdisp.h>
#include <shlguid.h>

#include <vector>

#include "common/wide.h"
#include "framework/com_object.h"

namespace corvela {
namespace {

const Text BROWSER_NAME = u"Corvela page host";
const Text DOCUMENT_TYPE = u"HTML Document";

HRESULT ReturnText(const Text& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = ToBstr(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT ReturnBool(bool value, VARIANT_BOOL* out) {
    if (!out) return E_POINTER;
    *out = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

// The browser as its controls see it: where the page is, what it is called
// and that it has finished loading. It navigates nowhere and has no bars.
class BrowserObject final : public ComObject<BrowserObject, IWebBrowser2> {
public:
    BrowserObject(Text url, HWND window) : url_(std::move(url)), window_(window) {
        ComPtr<ITypeLib> library;
        if (SUCCEEDED(LoadRegTypeLib(LIBID_SHDocVw, 1, 1, LOCALE_NEUTRAL, library.Out())))
            library->GetTypeInfoOfGuid(IID_IWebBrowser2, type_info_.Out());
    }

    // The interfaces IWebBrowser2 derives from.
    void* OtherInterface(REFIID iid) {
        const bool base = iid == IID_IDispatch || iid == IID_IWebBrowser || iid == IID_IWebBrowserApp;
        return base ? static_cast<IWebBrowser2*>(this) : nullptr;
    }

    // IDispatch, through the platform's description of the interface.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = type_info_ ? 1 : 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = index == 0 ? ComPtr<ITypeInfo>(type_info_).Detach() : nullptr;
        return *info ? S_OK : DISP_E_BADINDEX;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        return type_info_ ? DispGetIDsOfNames(type_info_.Get(), names, count, ids) : DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argument_error) override {
        if (!type_info_) return DISP_E_MEMBERNOTFOUND;
        return DispInvoke(static_cast<IWebBrowser2*>(this), type_info_.Get(), id, flags, params, result, exception,
                          argument_error);
    }

    // What a control may ask of the browser.
    STDMETHODIMP get_LocationURL(BSTR* url) override { return ReturnText(url_, url); }
    STDMETHODIMP get_LocationName(BSTR* name) override { return ReturnText(WindowTitle(), name); }
    STDMETHODIMP get_Name(BSTR* name) override { return ReturnText(BROWSER_NAME, name); }
    STDMETHODIMP get_Type(BSTR* type) override { return ReturnText(DOCUMENT_TYPE, type); }
    STDMETHODIMP get_Busy(VARIANT_BOOL* busy) override { return ReturnBool(false, busy); }
    STDMETHODIMP get_Visible(VARIANT_BOOL* visible) override { return ReturnBool(true, visible); }
    STDMETHODIMP get_TopLevelContainer(VARIANT_BOOL* top) override { return ReturnBool(true, top); }
    STDMETHODIMP get_Offline(VARIANT_BOOL* offline) override { return ReturnBool(false, offline); }
    STDMETHODIMP get_Silent(VARIANT_BOOL* silent) override { return ReturnBool(false, silent); }
    STDMETHODIMP get_ReadyState(READYSTATE* state) override {
        if (!state) return E_POINTER;
        *state = READYSTATE_COMPLETE;
        return S_OK;
    }
    STDMETHODIMP get_HWND(SHANDLE_PTR* window) override {
        if (!window) return E_POINTER;
        *window = reinterpret_cast<SHANDLE_PTR>(window_);
        return S_OK;
    }
    STDMETHODIMP get_Application(IDispatch** application) override { return Self(application); }
    STDMETHODIMP get_Parent(IDispatch** parent) override { return Self(parent); }

    // What this host does not offer.
    STDMETHODIMP GoBack() override { return E_NOTIMPL; }
    STDMETHODIMP GoForward() override { return E_NOTIMPL; }
    STDMETHODIMP GoHome() override { return E_NOTIMPL; }
    STDMETHODIMP GoSearch() override { return E_NOTIMPL; }
    STDMETHODIMP Navigate(BSTR, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP Refresh() override { return E_NOTIMPL; }
    STDMETHODIMP Refresh2(VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP Stop() override { return E_NOTIMPL; }
    STDMETHODIMP get_Container(IDispatch** container) override { return Nothing(container); }
    STDMETHODIMP get_Document(IDispatch** document) override { return Nothing(document); }
    STDMETHODIMP get_Left(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Left(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_Top(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Top(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_Width(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Width(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_Height(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Height(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP Quit() override { return E_NOTIMPL; }
    STDMETHODIMP ClientToWindow(int*, int*) override { return E_NOTIMPL; }
    STDMETHODIMP PutProperty(BSTR, VARIANT) override { return E_NOTIMPL; }
    STDMETHODIMP GetProperty(BSTR, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP get_FullName(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Path(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Visible(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_StatusBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_StatusBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_StatusText(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP put_StatusText(BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP get_ToolBar(int*) override { return E_NOTIMPL; }
    STDMETHODIMP put_ToolBar(int) override { return E_NOTIMPL; }
    STDMETHODIMP get_MenuBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_MenuBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_FullScreen(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_FullScreen(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP Navigate2(VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryStatusWB(OLECMDID, OLECMDF*) override { return E_NOTIMPL; }
    STDMETHODIMP ExecWB(OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP ShowBrowserBar(VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Offline(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP put_Silent(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_RegisterAsBrowser(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_RegisterAsBrowser(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_RegisterAsDropTarget(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_RegisterAsDropTarget(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_TheaterMode(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_TheaterMode(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_AddressBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_AddressBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_Resizable(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Resizable(VARIANT_BOOL) override { return E_NOTIMPL; }

private:
    Text WindowTitle() const { return WindowText(window_); }
    HRESULT Self(IDispatch** out) {
        if (!out) return E_POINTER;
        *out = static_cast<IWebBrowser2*>(this);
        AddRef();
        return S_OK;
    }
    static HRESULT Nothing(IDispatch** out) {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }

    Text url_;
    HWND window_;
    ComPtr<ITypeInfo> type_info_;
};

class BrowserServices final : public ComObject<BrowserServices, IServiceProvider> {
public:
    explicit BrowserServices(ComPtr<IWebBrowser2> browser) : browser_(std::move(browser)) {}

    STDMETHODIMP QueryService(REFGUID service, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (service != SID_SWebBrowserApp && service != SID_SInternetExplorer) return E_NOINTERFACE;
        return browser_->QueryInterface(iid, object);
    }

private:
    ComPtr<IWebBrowser2> browser_;
};

}  // namespace

ComPtr<IServiceProvider> NewBrowserServices(const Text& url, HWND window) {
    ComPtr<IWebBrowser2> browser(new BrowserObject(url, window));
    return ComPtr<IServiceProvider>(new BrowserServices(std::move(browser)));
}

}  // namespace corvela
