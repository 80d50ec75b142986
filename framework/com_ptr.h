// A minimal owning reference to a COM interface.
#pragma once

#include <unknwn.h>

#include <utility>

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

    // Asks for another interface of the object; the QueryInterface result,
    // E_POINTER when this holds nothing.
    template <typename U>
    HRESULT As(REFIID iid, ComPtr<U>* other) const {
        if (!ptr_) return E_POINTER;
        return ptr_->QueryInterface(iid, other->OutVoid());
    }

private:
    T* ptr_ = nullptr;
};

}  // namespace corvela
