// The control as a page's browser holds it, for programs that drive it from
// outside: loaded from the module file, created by its class factory (no
// registration needed) and called late-bound by member name.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "corvela_h.h"
#include "framework/com_ptr.h"

namespace hosted {

// One argument of a call: a text, a number or a truth value, owned.
class Value {
public:
    Value(const std::wstring& text) {
        V_VT(&value_) = VT_BSTR;
        V_BSTR(&value_) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }
    Value(const wchar_t* text) : Value(std::wstring(text)) {}
    Value(int number) {
        V_VT(&value_) = VT_I4;
        V_I4(&value_) = number;
    }
    Value(bool truth) {
        V_VT(&value_) = VT_BOOL;
        V_BOOL(&value_) = truth ? VARIANT_TRUE : VARIANT_FALSE;
    }
    Value(const Value& other) {
        VariantInit(&value_);
        VariantCopy(&value_, const_cast<VARIANT*>(&other.value_));  // the platform takes no const
    }
    Value& operator=(const Value&) = delete;
    ~Value() { VariantClear(&value_); }
    const VARIANT& get() const { return value_; }

private:
    VARIANT value_;
};

class Control {
public:
    // Loads the module and creates one control; false when either failed.
    bool Create(const wchar_t* module_path) {
        module_ = LoadLibraryW(module_path);
        if (!module_) return false;
        using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
        auto get_class_object = reinterpret_cast<GetClassObject>(GetProcAddress(module_, "DllGetClassObject"));
        corvela::ComPtr<IClassFactory> factory;
        if (!get_class_object || FAILED(get_class_object(CLSID_Corvela, IID_IClassFactory, factory.OutVoid())))
            return false;
        return SUCCEEDED(factory->CreateInstance(nullptr, IID_IDispatch, control_.OutVoid()));
    }

    // A method call; its result as a number, -1 when the call failed.
    int Call(const wchar_t* name, const std::vector<Value>& arguments = {}) {
        VARIANT result;
        VariantInit(&result);
        const HRESULT hr = Invoke(name, DISPATCH_METHOD, arguments, &result);
        int number = -1;
        if (SUCCEEDED(hr) && SUCCEEDED(VariantChangeType(&result, &result, 0, VT_I4))) number = V_I4(&result);
        VariantClear(&result);
        return number;
    }
    // A method call's result as a text, empty when the call failed.
    std::wstring CallText(const wchar_t* name, const std::vector<Value>& arguments = {}) {
        VARIANT result;
        VariantInit(&result);
        std::wstring text;
        if (SUCCEEDED(Invoke(name, DISPATCH_METHOD, arguments, &result)) &&
            SUCCEEDED(VariantChangeType(&result, &result, 0, VT_BSTR)))
            text.assign(V_BSTR(&result), SysStringLen(V_BSTR(&result)));
        VariantClear(&result);
        return text;
    }
    bool Put(const wchar_t* name, const Value& value) {
        return SUCCEEDED(Invoke(name, DISPATCH_PROPERTYPUT, {value}, nullptr));
    }
    // For a container that sites the control.
    IDispatch* Object() const { return control_.Get(); }

private:
    HRESULT Invoke(const wchar_t* name, WORD flags, const std::vector<Value>& arguments, VARIANT* result) {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        HRESULT hr = control_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(hr)) return hr;
        // Dispatch arguments travel last first.
        std::vector<VARIANT> reversed;
        for (auto argument = arguments.rbegin(); argument != arguments.rend(); ++argument)
            reversed.push_back(argument->get());
        DISPID put_id = DISPID_PROPERTYPUT;
        DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        if (flags & DISPATCH_PROPERTYPUT) {
            params.rgdispidNamedArgs = &put_id;
            params.cNamedArgs = 1;
        }
        return control_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
    }

    // Never unloaded: a cancelled batch's worker may still be ending.
    HMODULE module_ = nullptr;
    corvela::ComPtr<IDispatch> control_;
};

}  // namespace hosted
