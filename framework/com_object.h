// The IUnknown of a COM object of ours. A class derives from
// ComObject<itself, its interfaces...>, implements the interfaces' own
// members and is deleted with its last reference. QueryInterface answers
// IUnknown and each listed interface; a class that answers more (the bases
// of a listed interface, an id known only at run time) says so in
// OtherInterface.
#pragma once

#include <oaidl.h>

#include <atomic>

#include "framework/com_ptr.h"

namespace corvela {

template <typename Derived, typename First, typename... Rest>
class ComObject : public First, public Rest... {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = iid == IID_IUnknown ? static_cast<First*>(this) : Find<First, Rest...>(iid);
        if (!*object) *object = static_cast<Derived*>(this)->OtherInterface(iid);
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --references_;
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

    // Adds a reference unless the object is already being destroyed (its
    // count has reached 0); whether it added one.
    bool AddRefUnlessDestroyed() {
        ULONG count = references_.load();
        while (count != 0)
            if (references_.compare_exchange_weak(count, count + 1)) return true;
        return false;
    }
    // The object's pointer for an interface it answers beside the listed
    // ones, or null.
    void* OtherInterface(REFIID) { return nullptr; }

private:
    template <typename Interface, typename... Others>
    void* Find(REFIID iid) {
        if (iid == __uuidof(Interface)) return static_cast<Interface*>(this);
        if constexpr (sizeof...(Others) > 0) return Find<Others...>(iid);
        return nullptr;
    }

    std::atomic<ULONG> references_{1};
};

// An object that script or a control calls through IDispatch alone: it
// describes itself with no type information.
template <typename Derived, typename... Others>
class DispatchObject : public ComObject<Derived, IDispatch, Others...> {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
};

}  // namespace corvela
