// The module's creatable classes and its self-registration.
#pragma once

#include <windows.h>

#include "framework/registration.h"

namespace corvela {

HRESULT GetModuleClassObject(REFCLSID clsid, REFIID iid, void** object);
// S_OK, SELFREG_E_TYPELIB or SELFREG_E_CLASS.
HRESULT RegisterModule(RegistrationScope scope);
HRESULT UnregisterModule(RegistrationScope scope);
// What regsvr32 /i:<command> asks of the module (/u for removal): "user", in
// any case, registers or removes the module for the current user only;
// any other command is refused with E_INVALIDARG and nothing is written.
HRESULT InstallModule(bool install, const wchar_t* command);

}  // namespace corvela
