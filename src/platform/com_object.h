// The one IUnknown implementation of the system (and of the stand-in IDE).
// A class T lists its interfaces by deriving from them and by answering
//   IUnknown* Identity();                 its primary interface
//   void* FindInterface(REFIID iid);      the pointer for any other IID, or nullptr
// ComObject<T> then supplies QueryInterface, AddRef and Release, plain or
// aggregated inside an outer object, with a plain or an atomic count.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <new>
#include <utility>

namespace qz::platform {

struct PlainCount {
    ULONG value = 0;
    ULONG Increment() { return ++value; }
    ULONG Decrement() { return --value; }
};

struct AtomicCount {
    std::atomic<ULONG> value{0};
    ULONG Increment() { return ++value; }
    ULONG Decrement() { return --value; }
};

template <class T, class Count = PlainCount>
class ComObject final : public T {
public:
    // Made with a count of 0; the creator takes the first reference.
    template <class... Args>
    static ComObject* Create(IUnknown* outer, Args&&... args) {
        return new (std::nothrow) ComObject(outer, std::forward<Args>(args)...);
    }

    // Nothing here can throw: the boundary of these three is noexcept.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        return outer_ ? outer_->QueryInterface(iid, out) : inner_.QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return outer_ ? outer_->AddRef() : inner_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return outer_ ? outer_->Release() : inner_.Release(); }

    // The non-delegating unknown: what an aggregating outer object holds.
    IUnknown* Inner() { return &inner_; }

private:
    class InnerUnknown final : public IUnknown {
    public:
        explicit InnerUnknown(ComObject* owner) : owner_(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
            if (!out) return E_POINTER;
            *out = nullptr;
            IUnknown* found;
            if (IsEqualIID(iid, IID_IUnknown)) {
                // Aggregated, the inner unknown is what the outer asks for.
                found = owner_->outer_ ? static_cast<IUnknown*>(this) : owner_->Identity();
            } else {
                found = static_cast<IUnknown*>(owner_->FindInterface(iid));
            }
            if (!found) return E_NOINTERFACE;
            found->AddRef();
            *out = found;
            return S_OK;
        }
        ULONG STDMETHODCALLTYPE AddRef() noexcept override { return count_.Increment(); }
        ULONG STDMETHODCALLTYPE Release() noexcept override {
            const ULONG left = count_.Decrement();
            if (left == 0) delete owner_;
            return left;
        }

    private:
        ComObject* owner_;
        Count count_;
    };

    template <class... Args>
    explicit ComObject(IUnknown* outer, Args&&... args) : T(std::forward<Args>(args)...), outer_(outer), inner_(this) {}
    // Private: only the last Release deletes. Not marked override, since not
    // every T has a virtual destructor (none is needed: the type is final).
    ~ComObject() = default;  // NOLINT(modernize-use-override)

    IUnknown* outer_;
    InnerUnknown inner_;
};

}  // namespace qz::platform
