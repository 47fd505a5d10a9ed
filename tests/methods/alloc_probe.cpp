#include "alloc_probe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> armed{false};
std::atomic<long> attempts{0};
std::atomic<long> fail_index{-1};
std::atomic<bool> did_fail{false};

void* allocate(std::size_t size) {
    if (armed.load()) {
        const long index = attempts.fetch_add(1);
        if (index == fail_index.load()) {
            did_fail = true;
            return nullptr;
        }
    }
    return std::malloc(size ? size : 1);
}

}  // namespace

namespace probe {

AllocProbe::AllocProbe(long fail_at) {
    attempts = 0;
    fail_index = fail_at;
    did_fail = false;
    armed = true;
}
AllocProbe::~AllocProbe() { armed = false; }
long AllocProbe::count() const { return attempts.load(); }
bool AllocProbe::failed() const { return did_fail.load(); }

}  // namespace probe

void* operator new[](std::size_t size) {
    if (void* p = allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
