#include "module/classes.h"

#include <olectl.h>

#include "common/constants.h"
#include "common/wide.h"
#include "control/corvela_ctrl.h"
#include "framework/module.h"
#include "framework/property_page.h"
#include "framework/registration.h"
#include "module/class_registration.h"
#include "control/guids.h"

namespace corvela {
namespace {

HRESULT CreatePropPage(REFIID iid, void** object) {
    return PropertyPage::Create(IDD_PROPPAGE, IDS_PROPPAGE_CAPTION, iid, object);
}

const ClassEntry kClasses[] = {
    {&CLSID_Corvela, &CCorvelaCtrl::Create, &UpdateControlRegistry},
    {&CLSID_CorvelaPropPage, &CreatePropPage, &UpdatePropPageRegistry},
};

HRESULT UpdateClasses(const ClassesRoot& root, bool register_classes) {
    for (const ClassEntry& entry : kClasses)
        if (!entry.update_registry(root, register_classes)) return SELFREG_E_CLASS;
    return S_OK;
}

constexpr char16_t kPerUserCommand[] = u"user";

}  // namespace

HRESULT GetModuleClassObject(REFCLSID clsid, REFIID iid, void** object) {
    return GetClassObject(kClasses, sizeof(kClasses) / sizeof(kClasses[0]), clsid, iid, object);
}

HRESULT RegisterModule(RegistrationScope scope) {
    const ClassesRoot root(scope);
    if (!RegisterModuleTypeLibrary(root)) return SELFREG_E_TYPELIB;
    return UpdateClasses(root, true);
}

HRESULT UnregisterModule(RegistrationScope scope) {
    const ClassesRoot root(scope);
    if (!UnregisterModuleTypeLibrary(root, LIBID_CORVELALib, CORVELA_LIBRARY_MAJOR, CORVELA_LIBRARY_MINOR))
        return SELFREG_E_TYPELIB;
    return UpdateClasses(root, false);
}

HRESULT InstallModule(bool install, const wchar_t* command) {
    if (!command || !EqualsIgnoreAsciiCase(FromW(command), kPerUserCommand)) return E_INVALIDARG;
    return install ? RegisterModule(RegistrationScope::User) : UnregisterModule(RegistrationScope::User);
}

}  // namespace corvela
