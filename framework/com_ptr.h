// A minimal owning reference to a COM interface.
#pragma once

#include <unknwn.h>
#include <objsafe.h>

#include <utility>

// Interfaces are named by their type (__uuidof); the platform's headers give
// this one no type id of its own.
__CRT_UUID_DECL(IObjectSafety, 0xcb5bdc81, 0x93c1, 0x11cf, 0x8f, 0x20, 0x00, 0x80, 0x5f, 0x2c, 0xd0, 0x64)

namespace corvela {

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T* adopted) : ptr_(adopted) {}
    ComPtr(const ComPtr& other) : ptr_(other.ptr_) { if (ptr_) ptr_->AddRef(); }
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(ptr_, other.ptr_);
        return *this;
    }

    static ComPtr Share(T* ptr) {
        if (ptr) ptr->AddRef();
        return ComPtr(ptr);
    }

    void Reset() {
        if (T* old = std::exchange(ptr_, nullptr)) old->Release();
    }

    T* Get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

    // For functions that return a new reference through an out parameter.
    T** Out() {
        Reset();
        return &ptr_;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }

    T* Detach() { return std::exchange(ptr_, nullptr); }

    // Another interface of the object, named by its type; null when the
    // object does not answer it or this holds nothing.
    template <typename U>
    ComPtr<U> As() const {
        ComPtr<U> other;
        AsTo(&other);
        return other;
    }
    // The same with the QueryInterface result; E_POINTER when this holds nothing.
    template <typename U>
    HRESULT AsTo(ComPtr<U>* other) const {
        if (!ptr_) {
            other->Reset();
            return E_POINTER;
        }
        return ptr_->QueryInterface(__uuidof(U), other->OutVoid());
    }

private:
    T* ptr_ = nullptr;
};

}  // namespace corvela
