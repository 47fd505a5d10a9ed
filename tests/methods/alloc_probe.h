// Counts (and on request fails) array allocations of the code under test, so
// that tests can see which calls allocate tables and how out-of-memory is
// handled. This test program replaces the array forms of operator new and
// delete; outside an AllocProbe they behave as usual.
#pragma once

namespace probe {

class AllocProbe {
public:
    // Counts array allocations while it lives; the allocation with index
    // `fail_at` (0 = the first) throws std::bad_alloc. -1: none fails.
    explicit AllocProbe(long fail_at = -1);
    ~AllocProbe();
    AllocProbe(const AllocProbe&) = delete;
    AllocProbe& operator=(const AllocProbe&) = delete;

    long count() const;   // allocations attempted so far, failed ones included
    bool failed() const;  // whether the planned failure happened
};

}  // namespace probe
