#include "host/object_safety.h"

#include <comcat.h>
#include <objsafe.h>
#include <ocidl.h>

#include "framework/com_ptr.h"

namespace corvela {
namespace {

bool RegisteredInCategory(REFCLSID clsid, const GUID& category) {
    ComPtr<ICatInformation> categories;
    if (FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatInformation,
                                categories.OutVoid())))
        return false;
    GUID wanted = category;
    return categories->IsClassOfCategories(clsid, 1, &wanted, 0, nullptr) == S_OK;
}

bool Safe(IUnknown* object, REFCLSID clsid, REFIID iid, DWORD option, const GUID& category) {
    const auto safety = ComPtr<IUnknown>::Share(object).As<IObjectSafety>();
    if (!safety) return RegisteredInCategory(clsid, category);
    return SUCCEEDED(safety->SetInterfaceSafetyOptions(iid, option, option));
}

}  // namespace

bool SafeForScripting(IUnknown* object, REFCLSID clsid) {
    return Safe(object, clsid, IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER, CATID_SafeForScripting);
}

bool SafeForInitialising(IUnknown* object, REFCLSID clsid) {
    return Safe(object, clsid, IID_IPersistPropertyBag, INTERFACESAFE_FOR_UNTRUSTED_DATA, CATID_SafeForInitializing);
}

}  // namespace corvela
