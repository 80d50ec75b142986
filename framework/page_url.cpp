#include "framework/page_url.h"

#include <exdisp.h>
#include <servprov.h>
#include <shlguid.h>
#include <urlmon.h>

#include "common/wide.h"
#include "framework/com_ptr.h"
#include "framework/handles.h"

namespace corvela {
namespace {

std::optional<Text> NonEmpty(const Text& text) {
    if (text.empty()) return std::nullopt;
    return text;
}

std::optional<Text> MonikerName(IOleClientSite* site) {
    ComPtr<IMoniker> moniker;
    if (FAILED(site->GetMoniker(OLEGETMONIKER_ONLYIFTHERE, OLEWHICHMK_CONTAINER, moniker.Out())) || !moniker)
        return std::nullopt;
    ComPtr<IBindCtx> context;
    if (FAILED(CreateBindCtx(0, context.Out()))) return std::nullopt;
    LPOLESTR name = nullptr;
    if (FAILED(moniker->GetDisplayName(context.Get(), nullptr, &name)) || !name) return std::nullopt;
    const Text text = FromW(name);
    CoTaskMemFree(name);
    return NonEmpty(text);
}

// The browser object answers LocationURL; any dispatch object that does is
// taken for one.
std::optional<Text> BrowserLocation(IOleClientSite* site) {
    ComPtr<IServiceProvider> services;
    if (FAILED(site->QueryInterface(IID_IServiceProvider, services.OutVoid())) || !services) return std::nullopt;
    ComPtr<IDispatch> browser;
    if (FAILED(services->QueryService(SID_SWebBrowserApp, IID_IDispatch, browser.OutVoid())) || !browser)
        return std::nullopt;
    LPOLESTR name = const_cast<LPOLESTR>(L"LocationURL");
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(browser->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) return std::nullopt;
    DISPPARAMS none = {};
    Variant location;
    const HRESULT got = browser->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                        location.Out(), nullptr, nullptr);
    if (FAILED(got) || V_VT(&location.Get()) != VT_BSTR) return std::nullopt;
    return NonEmpty(FromBstr(V_BSTR(&location.Get())));
}

}  // namespace

std::optional<Text> PageUrlOf(IOleClientSite* site) {
    if (!site) return std::nullopt;
    if (std::optional<Text> url = MonikerName(site)) return url;
    return BrowserLocation(site);
}

std::optional<int32_t> ZoneOfUrl(const Text& url) {
    ComPtr<IInternetSecurityManager> manager;
    if (FAILED(CoInternetCreateSecurityManager(nullptr, manager.Out(), 0)) || !manager) return std::nullopt;
    DWORD zone = 0;
    if (FAILED(manager->MapUrlToZone(W(url), &zone, 0))) return std::nullopt;
    return static_cast<int32_t>(zone);
}

}  // namespace corvela
