// The one class factory of the system and the creation of COM objects through it.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "module/module.h"
#include "platform/com_object.h"

namespace qz::package {

// Makes a new T inside `outer` (or alone) and answers its interface `iid`.
template <class T, class Count = platform::PlainCount, class... Args>
HRESULT CreateComInstance(IUnknown* outer, REFIID iid, void** out, Args&&... args) {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto* object = platform::ComObject<T, Count>::Create(outer, std::forward<Args>(args)...);
    if (!object) return E_OUTOFMEMORY;
    IUnknown* inner = object->Inner();
    inner->AddRef();
    const HRESULT hr = inner->QueryInterface(iid, out);
    inner->Release();
    return hr;
}

using CreateInstanceFn = HRESULT (*)(IUnknown* outer, REFIID iid, void** out);

class ClassFactory : public IClassFactory {
public:
    explicit ClassFactory(CreateInstanceFn create) : create_(create) {}
    virtual ~ClassFactory() = default;

    IUnknown* Identity() { return this; }
    void* FindInterface(REFIID iid);

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    CreateInstanceFn create_;
    module::ModuleLock lock_;
};

// What DllGetClassObject answers: a factory for CLSID_QZToolOpt, nothing else.
// With the export's calling convention, so that the in-process package and
// the loaded DLL are opened the same way.
HRESULT STDAPICALLTYPE GetClassObject(REFCLSID clsid, REFIID iid, void** out);

}  // namespace qz::package
