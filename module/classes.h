// The module's creatable classes and its self-registration.
#pragma once

#include <windows.h>

namespace corvela {

HRESULT GetModuleClassObject(REFCLSID clsid, REFIID iid, void** object);
HRESULT RegisterModule();
HRESULT UnregisterModule();

}  // namespace corvela
