#include "model/type_info.h"

#include <string>
#include <vector>

#include "QZToolOpt.h"
#include "module/module.h"
#include "platform/com_ptr.h"
#include "platform/module.h"

namespace qz::model {
namespace {

struct CachedName {
    std::wstring name;
    DISPID id;
};

struct SharedTypeInfo {
    platform::ComPtr<ITypeInfo> info;
    HRESULT loadResult = S_OK;
    bool loaded = false;
    std::vector<CachedName> names;
};

// Never destroyed: at process exit the automation runtime may be gone before
// this module's statics, and the information is released only when the
// module is freed (ReleaseModelTypeInfo).
SharedTypeInfo& g_shared = *new SharedTypeInfo;

HRESULT LoadLibraryTypeInfo(ITypeInfo** out) {
    platform::ComPtr<ITypeLib> library;
    HRESULT hr = LoadRegTypeLib(LIBID_QZToolOptLib, 12, 0, LOCALE_NEUTRAL, library.Put());
    if (FAILED(hr)) {
        const std::wstring path = platform::ModuleFileName(module::ModuleInstance());
        if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
        hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Put());
        if (FAILED(hr)) return hr;
    }
    return library->GetTypeInfoOfGuid(IID_IQZGeneralPPG, out);
}

void BuildNameCache(ITypeInfo* info, std::vector<CachedName>* names) {
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes))) return;
    const WORD functions = attributes->cFuncs;
    info->ReleaseTypeAttr(attributes);
    for (WORD i = 0; i < functions; ++i) {
        FUNCDESC* function = nullptr;
        if (FAILED(info->GetFuncDesc(i, &function))) continue;
        platform::Bstr name;
        if (SUCCEEDED(info->GetDocumentation(function->memid, name.Put(), nullptr, nullptr, nullptr))) {
            names->push_back({std::wstring(name.Text(), name.Length()), function->memid});
        }
        info->ReleaseFuncDesc(function);
    }
}

// The shared information, loaded under the module's lock the first time.
SharedTypeInfo& Shared() {
    module::ModuleCriticalSection lock;
    if (!g_shared.loaded) {
        g_shared.loaded = true;
        g_shared.loadResult = LoadLibraryTypeInfo(g_shared.info.Put());
        if (SUCCEEDED(g_shared.loadResult)) BuildNameCache(g_shared.info.Get(), &g_shared.names);
    }
    return g_shared;
}

}  // namespace

HRESULT ModelTypeInfo(ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    SharedTypeInfo& shared = Shared();
    if (FAILED(shared.loadResult)) return shared.loadResult;
    return shared.info.CopyTo(out);
}

HRESULT ModelIdsOfNames(LPOLESTR* names, UINT count, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    SharedTypeInfo& shared = Shared();
    if (FAILED(shared.loadResult)) return shared.loadResult;
    if (count == 1 && names[0]) {
        for (auto entry = shared.names.rbegin(); entry != shared.names.rend(); ++entry) {
            if (entry->name == names[0]) {
                ids[0] = entry->id;
                return S_OK;
            }
        }
    }
    // Several names (a member and its named arguments), or a name in another
    // letter case: the type information matches without regard to case.
    return shared.info->GetIDsOfNames(names, count, ids);
}

void ReleaseModelTypeInfo() {
    module::ModuleCriticalSection lock;
    g_shared = SharedTypeInfo{};
}

}  // namespace qz::model
