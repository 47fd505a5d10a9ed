// The Linux layer's threads: std::thread, kept in a table so that the program
// (or a test) can wait for them; thread contexts are counted.
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/os_layer.h"
#include "platform/posix/os_script.h"

namespace {

std::mutex thread_lock;
std::vector<std::thread> threads;
int next_thread_id = 1;
std::atomic<int> live_contexts{0};

constexpr uintptr_t CONTEXT_MARK = 0x54455643;  // marks an initialised context block

}  // namespace

int os_CreateThread(OsThreadRoutine routine, void* argument) {
    if (!routine) return 0;
    std::lock_guard<std::mutex> guard(thread_lock);
    try {
        threads.emplace_back(routine, argument);
    } catch (const std::system_error&) {
        return 0;  // no thread could be started
    }
    return next_thread_id++;
}

void os_script_join_threads() {
    std::vector<std::thread> waiting;
    {
        std::lock_guard<std::mutex> guard(thread_lock);
        waiting.swap(threads);
    }
    for (std::thread& t : waiting)
        if (t.joinable()) t.join();
}

int os_InitWinThread(OS_THREADCTX* context, int, int) {
    if (!context) return 0;
    if (context->reserved[0] != CONTEXT_MARK) ++live_contexts;
    context->reserved[0] = CONTEXT_MARK;
    return 1;
}

int os_CleanupWinThread(OS_THREADCTX* context) {
    if (!context || context->reserved[0] != CONTEXT_MARK) return 0;
    context->reserved[0] = 0;
    --live_contexts;
    return 1;
}

int os_script_live_contexts() { return live_contexts.load(); }
