#include "module/classes.h"

#include <olectl.h>

#include "common/constants.h"
#include "control/corvela_ctrl.h"
#include "framework/module.h"
#include "framework/property_page.h"
#include "framework/registration.h"
#include "module/class_registration.h"
#include "module/guids.h"

namespace corvela {
namespace {

HRESULT CreatePropPage(REFIID iid, void** object) {
    return PropertyPage::Create(IDD_PROPPAGE, IDS_PROPPAGE_CAPTION, iid, object);
}

const ClassEntry kClasses[] = {
    {&CLSID_Corvela, &CCorvelaCtrl::Create, &UpdateControlRegistry},
    {&CLSID_CorvelaPropPage, &CreatePropPage, &UpdatePropPageRegistry},
};

HRESULT UpdateClasses(bool register_classes) {
    for (const ClassEntry& entry : kClasses)
        if (!entry.update_registry(register_classes)) return SELFREG_E_CLASS;
    return S_OK;
}

}  // namespace

HRESULT GetModuleClassObject(REFCLSID clsid, REFIID iid, void** object) {
    return GetClassObject(kClasses, sizeof(kClasses) / sizeof(kClasses[0]), clsid, iid, object);
}

HRESULT RegisterModule() {
    if (!RegisterModuleTypeLibrary()) return SELFREG_E_TYPELIB;
    return UpdateClasses(true);
}

HRESULT UnregisterModule() {
    if (!UnregisterModuleTypeLibrary(LIBID_CORVELALib, CORVELA_LIBRARY_MAJOR, CORVELA_LIBRARY_MINOR))
        return SELFREG_E_TYPELIB;
    return UpdateClasses(false);
}

}  // namespace corvela
