// A thread that owns its object: the object is deleted when the thread's
// body returns. The module stays loaded until the thread has left its code,
// so a page that lets go of the control during a transfer cannot unload the
// code under a running thread.
#pragma once

#include <windows.h>

namespace corvela {

class WorkerThread {
public:
    virtual ~WorkerThread() = default;

protected:
    // Starts the thread (default stack and security, at once, normal
    // priority) and returns a handle of its own to the caller, or null.
    // From here on the thread owns this object.
    HANDLE Start();

    // Runs first on the new thread; false ends the thread at once.
    virtual bool OnThreadStart() { return true; }
    // The thread's body; its result is the thread's exit code.
    virtual DWORD Run() = 0;

private:
    static DWORD WINAPI ThreadMain(void* parameter);
};

}  // namespace corvela
