#include "framework/module.h"

#include <atomic>

#include "framework/com_object.h"
#include "framework/result.h"

namespace corvela {
namespace {

std::atomic<long> g_use_count{0};

class ClassFactory final : public ComObject<ClassFactory, IClassFactory> {
public:
    explicit ClassFactory(const ClassEntry& entry) : entry_(entry) { ModuleAddRef(); }
    ~ClassFactory() { ModuleRelease(); }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return ComEntry([&] { return entry_.create(iid, object); });
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
        return ComEntry([&] {
            auto* factory = new ClassFactory(classes[i]);
            const HRESULT hr = factory->QueryInterface(iid, object);
            factory->Release();
            return hr;
        });
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CanUnloadNow() { return g_use_count.load() == 0 ? S_OK : S_FALSE; }

}  // namespace corvela
