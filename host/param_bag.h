// The <param>s of an <object>, handed to the object as the property bag a
// browser gives it (IPersistPropertyBag::Load).
#pragma once

#include <ocidl.h>

#include <vector>

#include "framework/com_ptr.h"
#include "host/page.h"

namespace corvela {

ComPtr<IPropertyBag> NewParamBag(const std::vector<PageParam>& params);

}  // namespace corvela
