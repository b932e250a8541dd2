#include "package/class_factory.h"

#include "QZToolOpt.h"
#include "package/package.h"
#include "platform/boundary.h"

namespace qz::package {

void* ClassFactory::FindInterface(REFIID iid) {
    return IsEqualIID(iid, IID_IClassFactory) ? static_cast<IClassFactory*>(this) : nullptr;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) try {
    if (!out) return E_POINTER;
    *out = nullptr;
    // An aggregated object must hand its inner unknown to the outer object first.
    if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    return create_(outer, iid, out);
}
QZ_CATCH_RETURN()

HRESULT ClassFactory::LockServer(BOOL lock) try {
    if (lock) {
        module::LockModule();
    } else {
        module::UnlockModule();
    }
    return S_OK;
}
QZ_CATCH_RETURN()

HRESULT STDAPICALLTYPE GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_QZToolOpt)) return CLASS_E_CLASSNOTAVAILABLE;
    return CreateComInstance<ClassFactory>(nullptr, iid, out, &CreateComInstance<CQZToolOpt>);
}

}  // namespace qz::package
