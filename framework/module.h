// The in-process server: its class factories and the count of objects and
// locks that decides whether the module may unload.
#pragma once

#include <windows.h>

namespace corvela {

class ClassesRoot;

// One creatable class of the module.
struct ClassEntry {
    const CLSID* clsid;
    HRESULT (*create)(REFIID iid, void** object);
    // Writes (register true) or removes the class's registry entries below
    // the given classes root.
    bool (*update_registry)(const ClassesRoot& root, bool register_class);
};

// Counts live objects, server locks and running worker threads.
void ModuleAddRef();
void ModuleRelease();
long ModuleUseCount();

// Keeps the module loaded for the lifetime of the holder.
class ModuleUse {
public:
    ModuleUse() { ModuleAddRef(); }
    ~ModuleUse() { ModuleRelease(); }
    ModuleUse(const ModuleUse&) = delete;
    ModuleUse& operator=(const ModuleUse&) = delete;
};

HRESULT GetClassObject(const ClassEntry* classes, size_t count, REFCLSID clsid, REFIID iid, void** object);
HRESULT CanUnloadNow();

}  // namespace corvela
