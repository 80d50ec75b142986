#include "framework/worker_thread.h"

#include "framework/resources.h"

namespace corvela {

HANDLE WorkerThread::Start() {
    // The thread's own reference on the module, released as the thread exits.
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ThreadMain), &module))
        return nullptr;
    HANDLE thread = CreateThread(nullptr, 0, &ThreadMain, this, 0, nullptr);
    if (!thread) FreeLibrary(module);
    return thread;
}

DWORD WINAPI WorkerThread::ThreadMain(void* parameter) {
    auto* worker = static_cast<WorkerThread*>(parameter);
    DWORD code = 0;
    if (worker->OnThreadStart()) code = worker->Run();
    delete worker;
    FreeLibraryAndExitThread(ModuleInstance(), code);
    return code;
}

}  // namespace corvela
