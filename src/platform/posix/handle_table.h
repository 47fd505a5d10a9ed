// A table of objects that the POSIX layer hands out as Win32 HANDLE values: a
// handle is the table's base plus the object's slot, so that tables with bases
// far apart never take one kind of handle for another. Safe from any thread;
// an object is used under the table's lock.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/win32_api.h"

template <typename T>
class HandleTable {
public:
    explicit HandleTable(uintptr_t base) : base_(base) {}

    // Takes the object over; returns its handle.
    HANDLE store(std::unique_ptr<T> item) {
        std::lock_guard<std::mutex> guard(lock_);
        size_t i = 0;
        while (i < slots_.size() && slots_[i]) ++i;
        if (i == slots_.size()) slots_.push_back(nullptr);
        slots_[i] = std::move(item);
        return reinterpret_cast<HANDLE>(base_ + i);
    }

    // Runs `use` on the object of `handle` under the lock; false (and
    // ERROR_INVALID_HANDLE) when the handle names none.
    template <typename Use>
    bool with(HANDLE handle, Use&& use) {
        std::lock_guard<std::mutex> guard(lock_);
        std::unique_ptr<T>* slot = slot_of(handle);
        if (!slot) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        use(**slot);
        return true;
    }

    // Takes the object of `handle` out of the table; null (and
    // ERROR_INVALID_HANDLE) when the handle names none.
    std::unique_ptr<T> take(HANDLE handle) {
        std::lock_guard<std::mutex> guard(lock_);
        std::unique_ptr<T>* slot = slot_of(handle);
        if (!slot) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        return std::move(*slot);
    }

private:
    std::unique_ptr<T>* slot_of(HANDLE handle) {
        const auto value = reinterpret_cast<uintptr_t>(handle);
        if (value < base_ || value - base_ >= slots_.size()) return nullptr;
        std::unique_ptr<T>& slot = slots_[value - base_];
        return slot ? &slot : nullptr;
    }

    const uintptr_t base_;
    std::mutex lock_;
    std::vector<std::unique_ptr<T>> slots_;
};
