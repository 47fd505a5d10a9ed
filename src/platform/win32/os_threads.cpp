// The Win32 layer's threads: each thread started here is kept until
// os_WaitThread has waited for it.
#include <windows.h>

#include <memory>
#include <vector>

#include "platform/os_windows.h"
#include "platform/win32/os_win32.h"

namespace {

struct Start {
    OsThreadRoutine routine;
    void* argument;
};

SRWLOCK thread_lock = SRWLOCK_INIT;

// Holds thread_lock for its scope.
struct Guard {
    Guard() { AcquireSRWLockExclusive(&thread_lock); }
    ~Guard() { ReleaseSRWLockExclusive(&thread_lock); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
};
struct ThreadRecord {
    int id;
    HANDLE handle;
};
std::vector<ThreadRecord> running;

DWORD WINAPI thread_start(void* p) {
    const std::unique_ptr<Start> start(static_cast<Start*>(p));
    start->routine(start->argument);
    return 0;
}

constexpr uintptr_t CONTEXT_MARK = 0x54455643;

}  // namespace

int os_CreateThread(OsThreadRoutine routine, void* argument) {
    if (!routine) return 0;
    auto start = std::make_unique<Start>(Start{routine, argument});
    DWORD id = 0;
    const HANDLE thread = CreateThread(nullptr, 0, thread_start, start.get(), 0, &id);
    if (!thread) return 0;
    start.release();  // the thread owns it now
    const Guard guard;
    running.push_back(ThreadRecord{static_cast<int>(id), thread});
    return static_cast<int>(id);
}

int os_WaitThread(int thread_id) {
    HANDLE thread = nullptr;
    {
        const Guard guard;
        for (auto it = running.begin(); it != running.end(); ++it) {
            if (it->id != thread_id) continue;
            thread = it->handle;
            running.erase(it);
            break;
        }
    }
    if (!thread) return 0;
    // Messages sent to the calling thread's windows (a worker setting the
    // status line) are still served while it waits.
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    CloseHandle(thread);
    return 1;
}

int os_InitWinThread(OS_THREADCTX* context, int, int) {
    if (!context) return 0;
    context->reserved[0] = CONTEXT_MARK;
    // Gives the thread its message queue at once, so posts to it never get lost.
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    return 1;
}

int os_CleanupWinThread(OS_THREADCTX* context) {
    if (!context || context->reserved[0] != CONTEXT_MARK) return 0;
    context->reserved[0] = 0;
    return 1;
}
