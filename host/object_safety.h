// Whether a browser would script an object, or initialise it from the
// page's data: it asks the object itself through IObjectSafety, and an
// object without that interface is judged by the component categories its
// class is registered in.
#pragma once

#include <windows.h>

namespace corvela {

bool SafeForScripting(IUnknown* object, REFCLSID clsid);
bool SafeForInitialising(IUnknown* object, REFCLSID clsid);

}  // namespace corvela
