// The entry points of the in-process server.
#include <windows.h>

#include "framework/module.h"
#include "module/classes.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
    return corvela::GetModuleClassObject(clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return corvela::CanUnloadNow(); }

STDAPI DllRegisterServer() { return corvela::RegisterModule(corvela::RegistrationScope::Machine); }

STDAPI DllUnregisterServer() { return corvela::UnregisterModule(corvela::RegistrationScope::Machine); }

STDAPI DllInstall(BOOL install, LPCWSTR command) { return corvela::InstallModule(install != FALSE, command); }

}
