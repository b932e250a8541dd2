#include "support/allocation_balance.h"

#include <windows.h>
#include <objbase.h>

#include <mutex>
#include <unordered_map>

namespace qz::test {
namespace {

// Tracks blocks by address, so a block allocated before the scope and freed
// in it does not offset one leaked in it.
class CountingSpy : public IMallocSpy {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMallocSpy)) {
            *out = static_cast<IMallocSpy*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Lives as long as the program.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T request) override { return request; }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override {
        Track(actual);
        return actual;
    }
    void* STDMETHODCALLTYPE PreFree(void* request, BOOL) override {
        Forget(request);
        return request;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL) override {
        Forget(request);
        *newRequest = request;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override {
        Track(actual);
        return actual;
    }
    void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, BOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

    // Scopes nest: each one counts the blocks allocated since it began.
    std::size_t Begin() {
        std::lock_guard<std::mutex> guard(mutex_);
        ++scopes_;
        return next_;
    }
    void End() {
        std::lock_guard<std::mutex> guard(mutex_);
        if (--scopes_ == 0) live_.clear();
    }
    std::size_t LiveSince(std::size_t start) {
        std::lock_guard<std::mutex> guard(mutex_);
        std::size_t count = 0;
        for (const auto& [block, number] : live_) count += number >= start ? 1 : 0;
        return count;
    }

private:
    void Track(void* block) {
        if (!block) return;
        std::lock_guard<std::mutex> guard(mutex_);
        if (scopes_ > 0) live_[block] = next_++;
    }
    void Forget(void* block) {
        if (!block) return;
        std::lock_guard<std::mutex> guard(mutex_);
        live_.erase(block);
    }

    std::mutex mutex_;
    int scopes_ = 0;
    std::size_t next_ = 0;
    // Each live block with its allocation number.
    std::unordered_map<void*, std::size_t> live_;
};

CountingSpy theSpy;

bool RegisterOnce() {
    static const bool registered = [] {
        using SetOaNoCacheFn = void(WINAPI*)();
        if (HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll")) {
            if (auto noCache =
                    reinterpret_cast<SetOaNoCacheFn>(reinterpret_cast<void*>(GetProcAddress(oleaut, "SetOaNoCache")))) {
                noCache();
            }
        }
        return SUCCEEDED(CoRegisterMallocSpy(&theSpy));
    }();
    return registered;
}

}  // namespace

AllocationBalance::AllocationBalance() : active_(RegisterOnce()) {
    if (active_) start_ = theSpy.Begin();
}

AllocationBalance::~AllocationBalance() {
    if (active_) theSpy.End();
}

std::size_t AllocationBalance::Outstanding() const { return active_ ? theSpy.LiveSince(start_) : 0; }

}  // namespace qz::test
