#include "framework/dispatch.h"

#include "common/constants.h"
#include "common/wide.h"
#include "framework/resources.h"

namespace corvela {

Text DispCall::TextArg(size_t index) const { return FromBstr(V_BSTR(&arguments_[index].Get())); }

void DispCall::Return(const Text& value) {
    if (!result_) return;
    VariantClear(result_);
    V_VT(result_) = VT_BSTR;
    V_BSTR(result_) = ToBstr(value);
}

void DispCall::Return(int32_t value) {
    if (!result_) return;
    VariantClear(result_);
    V_VT(result_) = VT_I4;
    V_I4(result_) = value;
}

void DispCall::Return(const ComPtr<IDispatch>& value) {
    if (!result_) return;
    VariantClear(result_);
    if (!value) {
        V_VT(result_) = VT_NULL;
        return;
    }
    V_VT(result_) = VT_DISPATCH;
    V_DISPATCH(result_) = ComPtr<IDispatch>(value).Detach();
}

HRESULT ScriptingError(uint32_t code, const Text& description, EXCEPINFO* exception) {
    if (!exception) return static_cast<HRESULT>(code);
    *exception = EXCEPINFO{};
    exception->scode = static_cast<SCODE>(code);
    exception->bstrSource = ToBstr(ModuleTitle());
    exception->bstrDescription = ToBstr(description);
    return DISP_E_EXCEPTION;
}

const DispMember* DispatchTable::Find(DISPID id) const {
    for (const DispMember& member : members_)
        if (member.id == id) return &member;
    return nullptr;
}

const DispMember* DispatchTable::Find(const wchar_t* name) const {
    for (const DispMember& member : members_)
        if (lstrcmpiW(member.name, name) == 0) return &member;
    return nullptr;
}

HRESULT DispatchTable::GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) const {
    if (!names || !ids) return E_POINTER;
    if (count == 0) return S_OK;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    const DispMember* member = Find(names[0]);
    if (!member) return DISP_E_UNKNOWNNAME;
    ids[0] = member->id;
    HRESULT result = S_OK;
    for (UINT i = 1; i < count; ++i) {
        for (size_t p = 0; p < member->parameter_names.size(); ++p)
            if (lstrcmpiW(member->parameter_names[p], names[i]) == 0) ids[i] = static_cast<DISPID>(p);
        if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

namespace {

using ConvertedArguments = std::vector<Variant>;

// Where argument `parameter` of the call sits in rgvarg, or -1.
int ArgumentSlot(const DISPPARAMS& params, size_t parameter) {
    const UINT positional = params.cArgs - params.cNamedArgs;
    if (parameter < positional) return static_cast<int>(params.cArgs - 1 - parameter);
    for (UINT named = 0; named < params.cNamedArgs; ++named)
        if (params.rgdispidNamedArgs[named] == static_cast<DISPID>(parameter)) return static_cast<int>(named);
    return -1;
}

HRESULT Convert(VARIANT* source, VARTYPE type, VARIANT* target) {
    VARIANT* value = source;
    if (V_VT(value) == (VT_VARIANT | VT_BYREF)) value = V_VARIANTREF(value);
    if (type == VT_VARIANT) return VariantCopyInd(target, value);
    // Script's null reaches a text parameter as the empty text.
    if (type == VT_BSTR && (V_VT(value) == VT_NULL || V_VT(value) == VT_EMPTY)) {
        V_VT(target) = VT_BSTR;
        V_BSTR(target) = SysAllocString(L"");
        return S_OK;
    }
    return VariantChangeType(target, value, 0, type);
}

HRESULT GatherArguments(const DispHandler& handler, DISPPARAMS* params, ConvertedArguments* arguments,
                        UINT* argument_error) {
    const size_t wanted = handler.parameters.size();
    if (params->cArgs != wanted) return DISP_E_BADPARAMCOUNT;
    for (UINT named = 0; named < params->cNamedArgs; ++named) {
        const DISPID parameter = params->rgdispidNamedArgs[named];
        if (parameter < 0 || static_cast<size_t>(parameter) >= wanted) return DISP_E_PARAMNOTFOUND;
    }
    arguments->resize(wanted);
    for (size_t parameter = 0; parameter < wanted; ++parameter) {
        const int slot = ArgumentSlot(*params, parameter);
        if (slot < 0) return DISP_E_PARAMNOTOPTIONAL;
        const HRESULT hr = Convert(&params->rgvarg[slot], handler.parameters[parameter], (*arguments)[parameter].Out());
        if (FAILED(hr)) {
            if (argument_error) *argument_error = static_cast<UINT>(slot);
            return DISP_E_TYPEMISMATCH;
        }
    }
    return S_OK;
}

// A property put carries its value as the named argument DISPID_PROPERTYPUT.
HRESULT GatherPutValue(const DispHandler& handler, DISPPARAMS* params, ConvertedArguments* arguments,
                       UINT* argument_error) {
    if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (params->cNamedArgs > 1 ||
        (params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
        return DISP_E_PARAMNOTFOUND;
    arguments->resize(1);
    if (FAILED(Convert(&params->rgvarg[0], handler.parameters[0], (*arguments)[0].Out()))) {
        if (argument_error) *argument_error = 0;
        return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

}  // namespace

HRESULT DispatchTable::Invoke(void* object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* exception, UINT* argument_error) const {
    const DispMember* member = Find(id);
    if (!member) return DISP_E_MEMBERNOTFOUND;
    DISPPARAMS no_arguments = {};
    if (!params) params = &no_arguments;
    if (result) VariantInit(result);

    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    const bool get = (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0;
    ConvertedArguments arguments;
    const DispHandler* handler = nullptr;
    HRESULT hr = S_OK;

    if (put) {
        if (member->kind == DispKind::Method) return DISP_E_MEMBERNOTFOUND;
        if (member->kind == DispKind::IndexedProperty || !member->put)
            return ScriptingError(ERROR_SET_NOT_SUPPORTED, u"Property is read-only.", exception);
        handler = &member->put;
        hr = GatherPutValue(*handler, params, &arguments, argument_error);
    } else if (get) {
        if (!member->get) return ScriptingError(ERROR_GET_NOT_SUPPORTED, u"Property is write-only.", exception);
        handler = &member->get;
        hr = GatherArguments(*handler, params, &arguments, argument_error);
    } else {
        return DISP_E_MEMBERNOTFOUND;
    }
    if (FAILED(hr)) return hr;

    DispCall call(arguments, result);
    return handler->call(object, call);
}

}  // namespace corvela
