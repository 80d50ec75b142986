#include "framework/module.h"

#include <atomic>

namespace corvela {
namespace {

std::atomic<long> g_use_count{0};

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(const ClassEntry& entry) : entry_(entry) { ModuleAddRef(); }
    ~ClassFactory() { ModuleRelease(); }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return entry_.create(iid, object);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock)
            ModuleAddRef();
        else
            ModuleRelease();
        return S_OK;
    }

private:
    const ClassEntry& entry_;
    std::atomic<ULONG> references_{1};
};

}  // namespace

void ModuleAddRef() { ++g_use_count; }
void ModuleRelease() { --g_use_count; }
long ModuleUseCount() { return g_use_count.load(); }

HRESULT GetClassObject(const ClassEntry* classes, size_t count, REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    for (size_t i = 0; i < count; ++i) {
        if (*classes[i].clsid != clsid) continue;
        auto* factory = new ClassFactory(classes[i]);
        const HRESULT hr = factory->QueryInterface(iid, object);
        factory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CanUnloadNow() { return g_use_count.load() == 0 ? S_OK : S_FALSE; }

}  // namespace corvela
