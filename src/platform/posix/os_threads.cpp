// The Linux layer's threads: std::thread, kept in a table so that the program
// (or a test) can wait for them; thread contexts are counted.
#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/os_layer.h"
#include "platform/posix/os_script.h"

namespace {

std::mutex thread_lock;
struct ThreadRecord {
    int id = 0;
    std::thread thread;
};
std::vector<ThreadRecord> threads;
int next_thread_id = 1;
std::atomic<int> live_contexts{0};

constexpr uintptr_t CONTEXT_MARK = 0x54455643;  // marks an initialised context block

}  // namespace

int os_CreateThread(OsThreadRoutine routine, void* argument) {
    if (!routine) return 0;
    std::lock_guard<std::mutex> guard(thread_lock);
    try {
        threads.push_back(ThreadRecord{next_thread_id, std::thread(routine, argument)});
    } catch (const std::system_error&) {
        return 0;  // no thread could be started
    }
    return next_thread_id++;
}

int os_WaitThread(int thread_id) {
    std::thread waiting;
    {
        std::lock_guard<std::mutex> guard(thread_lock);
        const auto it = std::find_if(threads.begin(), threads.end(),
                                     [&](const ThreadRecord& r) { return r.id == thread_id; });
        if (it == threads.end()) return 0;
        waiting = std::move(it->thread);
        threads.erase(it);
    }
    if (waiting.joinable()) waiting.join();
    return 1;
}

void os_script_join_threads() {
    std::vector<ThreadRecord> waiting;
    {
        std::lock_guard<std::mutex> guard(thread_lock);
        waiting.swap(threads);
    }
    for (ThreadRecord& r : waiting)
        if (r.thread.joinable()) r.thread.join();
}

int os_script_pending_threads() {
    std::lock_guard<std::mutex> guard(thread_lock);
    return static_cast<int>(threads.size());
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
