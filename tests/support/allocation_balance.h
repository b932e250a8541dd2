// Counts COM task-memory blocks (BSTRs and SAFEARRAYs among them) allocated
// and not freed while a scope lives (scopes nest), through an IMallocSpy that stays
// registered for the rest of the process. The automation runtime's BSTR cache
// is switched off first (SetOaNoCache), since a cached string is never handed
// back to the task allocator and would read as a leak.
#pragma once

#include <cstddef>

namespace qz::test {

class AllocationBalance {
public:
    AllocationBalance();
    ~AllocationBalance();
    AllocationBalance(const AllocationBalance&) = delete;
    AllocationBalance& operator=(const AllocationBalance&) = delete;

    // False when the spy could not be registered (another one is active).
    bool Active() const { return active_; }
    // Blocks allocated since the scope began and not freed yet.
    std::size_t Outstanding() const;

private:
    bool active_ = false;
    std::size_t start_ = 0;
};

}  // namespace qz::test
