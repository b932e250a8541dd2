// Counts COM task-memory blocks (BSTRs and SAFEARRAYs among them) allocated
// and not freed while a scope lives (scopes nest), through an IMallocSpy that stays
// registered for the rest of the process. The automation runtime's BSTR cache
// is switched off first (SetOaNoCache), since a cached string is never handed
// back to the task allocator and would read as a leak.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <cstddef>
#include <mutex>
#include <unordered_map>

namespace qz::test {
namespace detail {

// Numbers every block allocated while a scope lives and forgets it when it is
// freed: a block allocated before a scope and freed in it offsets nothing.
class CountingSpy : public IMallocSpy {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        const bool known = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMallocSpy);
        *out = known ? static_cast<IMallocSpy*>(this) : nullptr;
        return known ? S_OK : E_NOINTERFACE;
    }
    // Lives as long as the program.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T request) override { return request; }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override { return Track(actual); }
    void* STDMETHODCALLTYPE PreFree(void* request, BOOL) override { return Forget(request); }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL) override {
        *newRequest = Forget(request);
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override { return Track(actual); }
    void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, BOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

    // Scopes nest: each one counts the blocks allocated since it began.
    std::size_t Begin() {
        const std::lock_guard<std::mutex> guard(mutex_);
        ++scopes_;
        return next_;
    }
    void End() {
        const std::lock_guard<std::mutex> guard(mutex_);
        if (--scopes_ == 0) live_.clear();
    }
    std::size_t LiveSince(std::size_t start) {
        const std::lock_guard<std::mutex> guard(mutex_);
        std::size_t count = 0;
        for (const auto& block : live_) count += block.second >= start ? 1 : 0;
        return count;
    }

private:
    void* Track(void* block) {
        const std::lock_guard<std::mutex> guard(mutex_);
        if (block && scopes_ > 0) live_[block] = next_++;
        return block;
    }
    void* Forget(void* block) {
        const std::lock_guard<std::mutex> guard(mutex_);
        live_.erase(block);
        return block;
    }

    std::mutex mutex_;
    int scopes_ = 0;
    std::size_t next_ = 0;
    std::unordered_map<void*, std::size_t> live_;  // each live block with its number
};

inline CountingSpy theSpy;

inline bool RegisterOnce() {
    static const bool registered = [] {
        using SetOaNoCacheFn = void(WINAPI*)();
        const HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll");
        const FARPROC noCache = oleaut ? GetProcAddress(oleaut, "SetOaNoCache") : nullptr;
        if (noCache) reinterpret_cast<SetOaNoCacheFn>(reinterpret_cast<void*>(noCache))();
        return SUCCEEDED(CoRegisterMallocSpy(&theSpy));
    }();
    return registered;
}

}  // namespace detail

class AllocationBalance {
public:
    AllocationBalance() : active_(detail::RegisterOnce()), start_(active_ ? detail::theSpy.Begin() : 0) {}
    ~AllocationBalance() {
        if (active_) detail::theSpy.End();
    }
    AllocationBalance(const AllocationBalance&) = delete;
    AllocationBalance& operator=(const AllocationBalance&) = delete;

    // False when the spy could not be registered (another one is active).
    bool Active() const { return active_; }
    // Blocks allocated since the scope began and not freed yet.
    std::size_t Outstanding() const { return active_ ? detail::theSpy.LiveSince(start_) : 0; }

private:
    const bool active_;
    const std::size_t start_;
};

}  // namespace qz::test
