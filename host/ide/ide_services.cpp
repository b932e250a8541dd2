#include "ide/ide_services.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "platform/boundary.h"
#include "platform/com_object.h"
#include "platform/vs_interfaces.h"

namespace qz::ide {

namespace {

using platform::ComPtr;

class Shell : public IVsShell, private LiveCounted {
public:
    explicit Shell(std::shared_ptr<IdeState> state) : state_(std::move(state)) {}
    IUnknown* Identity() { return static_cast<IVsShell*>(this); }
    void* FindInterface(REFIID iid) {
        return IsEqualIID(iid, __uuidof(IVsShell)) ? static_cast<IVsShell*>(this) : nullptr;
    }

    HRESULT STDMETHODCALLTYPE GetPackageEnum(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetProperty(LONG, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetProperty(LONG, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AdviseBroadcastMessages(IUnknown*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnadviseBroadcastMessages(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AdviseShellPropertyChanges(IUnknown*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnadviseShellPropertyChanges(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LoadPackage(REFGUID, IVsPackage**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LoadPackageString(REFGUID, ULONG, BSTR*) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE LoadUILibrary(REFGUID package, DWORD flags, DWORD_PTR* out) override try {
        ++state_->loadUILibraryCalls;
        state_->lastUILibraryPackage = package;
        state_->lastUILibraryFlags = flags;
        if (!out) return E_POINTER;
        *out = 0;
        if (const HRESULT hr = state_->Failure(Service::Shell); hr != S_OK) return hr;
        if (state_->uiLibraryYieldsNull) return S_OK;
        // The flags are LoadLibraryEx's; the 0 that packages pass is an
        // ordinary load, which also suits a satellite without entry point.
        const HMODULE module = LoadLibraryExW(SatellitePathFor(state_->packagePath).c_str(), nullptr, flags);
        if (!module) {
            const DWORD error = GetLastError();
            return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
        }
        *out = reinterpret_cast<DWORD_PTR>(module);
        return S_OK;
    }
    QZ_CATCH_RETURN()

    HRESULT STDMETHODCALLTYPE IsPackageInstalled(REFGUID, BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsPackageLoaded(REFGUID, IVsPackage**) override { return E_NOTIMPL; }

private:
    std::shared_ptr<IdeState> state_;
};

class ProfferServiceImpl : public IProfferService, private LiveCounted {
public:
    explicit ProfferServiceImpl(std::shared_ptr<IdeState> state) : state_(std::move(state)) {}
    IUnknown* Identity() { return static_cast<IProfferService*>(this); }
    void* FindInterface(REFIID iid) {
        return IsEqualIID(iid, IID_IProfferService) ? static_cast<IProfferService*>(this) : nullptr;
    }

    HRESULT STDMETHODCALLTYPE ProfferService(REFGUID sid, IServiceProvider* provider, DWORD* cookie) override try {
        if (!cookie) return E_POINTER;
        *cookie = 0;
        if (!provider) return E_INVALIDARG;
        if (const HRESULT hr = state_->Failure(Service::ProfferService); hr != S_OK) return hr;
        const DWORD next = state_->lastCookie + 1;
        state_->proffered.push_back({sid, ComPtr<IServiceProvider>(provider), next});
        state_->lastCookie = next;
        *cookie = next;
        return S_OK;
    }
    QZ_CATCH_RETURN()

    HRESULT STDMETHODCALLTYPE RevokeService(DWORD cookie) override {
        if (const HRESULT hr = state_->Failure(Service::ProfferService); hr != S_OK) return hr;
        auto& proffered = state_->proffered;
        const auto found = std::find_if(proffered.begin(), proffered.end(),
                                        [&](const ProfferedService& entry) { return entry.cookie == cookie; });
        if (found == proffered.end()) return E_INVALIDARG;
        // Released only after the entry is gone: the release may call back into us.
        const ComPtr<IServiceProvider> provider = std::move(found->provider);
        proffered.erase(found);
        return S_OK;
    }

private:
    std::shared_ptr<IdeState> state_;
};

class LocalRegistry : public ILocalRegistry2, private LiveCounted {
public:
    explicit LocalRegistry(std::shared_ptr<IdeState> state) : state_(std::move(state)) {}
    IUnknown* Identity() { return static_cast<ILocalRegistry2*>(this); }
    void* FindInterface(REFIID iid) {
        if (IsEqualIID(iid, __uuidof(ILocalRegistry2)) || IsEqualIID(iid, __uuidof(ILocalRegistry))) {
            return static_cast<ILocalRegistry2*>(this);
        }
        return nullptr;
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(CLSID, IUnknown*, REFIID, DWORD, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeLibOfClsid(CLSID, ITypeLib**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClassObjectOfClsid(REFCLSID, DWORD, LPVOID, REFIID, void**) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE GetLocalRegistryRoot(BSTR* root) override {
        if (!root) return E_POINTER;
        *root = nullptr;
        if (const HRESULT hr = state_->Failure(Service::LocalRegistry); hr != S_OK) return hr;
        *root = SysAllocString(state_->registryRoot.c_str());
        return *root ? S_OK : E_OUTOFMEMORY;
    }

private:
    std::shared_ptr<IdeState> state_;
};

class UIShell : public IVsUIShell, private LiveCounted {
public:
    explicit UIShell(std::shared_ptr<IdeState> state) : state_(std::move(state)) {}
    IUnknown* Identity() { return static_cast<IVsUIShell*>(this); }
    void* FindInterface(REFIID iid) {
        return IsEqualIID(iid, __uuidof(IVsUIShell)) ? static_cast<IVsUIShell*>(this) : nullptr;
    }

    HRESULT STDMETHODCALLTYPE GetToolWindowEnum(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDocumentWindowEnum(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindToolWindow(DWORD, REFGUID, IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateToolWindow(DWORD, DWORD, IUnknown*, REFCLSID, REFGUID, REFGUID, IServiceProvider*,
                                               LPCOLESTR, BOOL*, IUnknown**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateDocumentWindow(DWORD, LPCOLESTR, IUnknown*, VSITEMID, IUnknown*, IUnknown*, REFGUID,
                                                   LPCOLESTR, REFGUID, IServiceProvider*, LPCOLESTR, LPCOLESTR, BOOL*,
                                                   IUnknown**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetErrorInfo(HRESULT, LPCOLESTR, DWORD, LPCOLESTR, LPCOLESTR) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ReportErrorInfo(HRESULT) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE GetDialogOwnerHwnd(HWND* owner) override {
        if (!owner) return E_POINTER;
        *owner = nullptr;
        if (const HRESULT hr = state_->Failure(Service::UIShell); hr != S_OK) return hr;
        *owner = state_->dialogOwner;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override try {
        state_->enableModelessCalls.push_back(enable != FALSE);
        if (const HRESULT hr = state_->Failure(Service::UIShell); hr != S_OK) return hr;
        state_->modelessDepth += enable ? -1 : 1;
        return S_OK;
    }
    QZ_CATCH_RETURN()

private:
    std::shared_ptr<IdeState> state_;
};

class UILocale : public IUIHostLocale2, private LiveCounted {
public:
    explicit UILocale(std::shared_ptr<IdeState> state) : state_(std::move(state)) {}
    IUnknown* Identity() { return static_cast<IUIHostLocale2*>(this); }
    void* FindInterface(REFIID iid) {
        if (IsEqualIID(iid, __uuidof(IUIHostLocale2)) || IsEqualIID(iid, __uuidof(IUIHostLocale))) {
            return static_cast<IUIHostLocale2*>(this);
        }
        return nullptr;
    }

    HRESULT STDMETHODCALLTYPE GetUILocale(LCID* locale) override {
        if (!locale) return E_POINTER;
        *locale = 0;
        if (const HRESULT hr = state_->Failure(Service::UILocale); hr != S_OK) return hr;
        *locale = state_->uiLocale;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDialogFont(LOGFONTW*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LoadUILibrary(LPCOLESTR, LPCOLESTR, DWORD, DWORD_PTR*) override try { return E_NOTIMPL; }
    QZ_CATCH_RETURN()

    // The real IDE puts its own dialog font into the template; an unchanged
    // copy is enough to show that the caller uses and frees what it gets.
    HRESULT STDMETHODCALLTYPE MungeDialogFont(DWORD size, const BYTE* source, BYTE** copy) override {
        ++state_->mungeDialogFontCalls;
        if (!copy) return E_POINTER;
        *copy = nullptr;
        if (const HRESULT hr = state_->Failure(Service::UILocale); hr != S_OK) return hr;
        if (!source || size == 0) return E_INVALIDARG;
        auto* bytes = static_cast<BYTE*>(CoTaskMemAlloc(size));
        if (!bytes) return E_OUTOFMEMORY;
        std::memcpy(bytes, source, size);
        *copy = bytes;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE LoadDialog(DWORD_PTR, DWORD, BYTE**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUILibraryFileName(LPCOLESTR, LPCOLESTR, BSTR*) override { return E_NOTIMPL; }

private:
    std::shared_ptr<IdeState> state_;
};

class HelpSystem : public IVsHelpSystem, private LiveCounted {
public:
    explicit HelpSystem(std::shared_ptr<IdeState> state) : state_(std::move(state)) {}
    IUnknown* Identity() { return static_cast<IVsHelpSystem*>(this); }
    void* FindInterface(REFIID iid) {
        return IsEqualIID(iid, __uuidof(IVsHelpSystem)) ? static_cast<IVsHelpSystem*>(this) : nullptr;
    }

    HRESULT STDMETHODCALLTYPE KeywordSearch(LPCOLESTR, DWORD_PTR, DWORD_PTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ALinkSearch(LPCOLESTR, DWORD_PTR, DWORD_PTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE KeywordSearchDlg(LPCOLESTR, DWORD_PTR, DWORD_PTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FullTextSearchDlg(LPCOLESTR, DWORD_PTR, DWORD_PTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurrentURL(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DisplayTopicFromURL(LPCOLESTR, DWORD_PTR) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE DisplayTopicFromIdentifier(LPCOLESTR file, DWORD_PTR id, DWORD_PTR command) override try {
        state_->helpTopics.push_back({file ? file : L"", id, command});
        return state_->Failure(Service::HelpSystem);
    }
    QZ_CATCH_RETURN()

    HRESULT STDMETHODCALLTYPE ActivateHelpSystem(DWORD_PTR) override { return E_NOTIMPL; }

private:
    std::shared_ptr<IdeState> state_;
};

class Help : public IVsHelp, private LiveCounted {
public:
    explicit Help(std::shared_ptr<IdeState> state) : state_(std::move(state)) {}
    IUnknown* Identity() { return static_cast<IVsHelp*>(this); }
    void* FindInterface(REFIID iid) {
        if (IsEqualIID(iid, __uuidof(IVsHelp)) || IsEqualIID(iid, IID_IDispatch)) return static_cast<IVsHelp*>(this);
        return nullptr;
    }

    // Callers bind to the vtable; the late-bound side is not offered.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE Contents() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Index() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Search() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IndexResults() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SearchResults() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DisplayTopicFromId(BSTR, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DisplayTopicFromURL(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DisplayTopicFromURLEx(BSTR, IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DisplayTopicFromKeyword(BSTR) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE DisplayTopicFromF1Keyword(BSTR keyword) override try {
        state_->f1Keywords.emplace_back(keyword ? keyword : L"", SysStringLen(keyword));
        return state_->Failure(Service::Help);
    }
    QZ_CATCH_RETURN()

private:
    std::shared_ptr<IdeState> state_;
};

class Dte : public DTE, private LiveCounted {
public:
    explicit Dte(std::shared_ptr<IdeState> state) : state_(std::move(state)) {}
    IUnknown* Identity() { return static_cast<DTE*>(this); }
    void* FindInterface(REFIID iid) {
        if (IsEqualIID(iid, __uuidof(DTE)) || IsEqualIID(iid, IID_IDispatch)) return static_cast<DTE*>(this);
        return nullptr;
    }

    // Late binding knows LocaleID alone, without type information.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (count == 0) return S_OK;
        if (!names || !ids) return E_POINTER;
        // The names after the first would be argument names; the property takes none.
        std::fill(ids, ids + count, DISPID_UNKNOWN);
        if (!names[0] || _wcsicmp(names[0], L"LocaleID") != 0) return DISP_E_UNKNOWNNAME;
        ids[0] = platform::kDispidDteLocaleID;
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (id != platform::kDispidDteLocaleID || !(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
        LONG locale = 0;
        const HRESULT hr = get_LocaleID(&locale);
        if (FAILED(hr) || !result) return hr;
        platform::Variant::Int(locale).Detach(result);
        return hr;
    }

    HRESULT STDMETHODCALLTYPE get_Name(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_FileName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Version(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CommandBars(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Windows(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Events(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_AddIns(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MainWindow(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ActiveWindow(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Quit() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_DisplayMode(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_DisplayMode(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Solution(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Commands(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetObject(BSTR, IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Properties(BSTR, BSTR, IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_SelectedItems(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CommandLineArguments(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenFile(BSTR, BSTR, IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_IsOpenFile(BSTR, BSTR, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_DTE(IDispatch**) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE get_LocaleID(LONG* locale) override {
        if (!locale) return E_POINTER;
        *locale = 0;
        if (const HRESULT hr = state_->Failure(Service::Dte); hr != S_OK) return hr;
        *locale = static_cast<LONG>(state_->dteLocaleId);
        return S_OK;
    }

private:
    std::shared_ptr<IdeState> state_;
};

template <class T>
ComPtr<IUnknown> Make(std::shared_ptr<IdeState> state) {
    auto* object = platform::ComObject<T>::Create(nullptr, std::move(state));
    return object ? ComPtr<IUnknown>(object->Identity()) : nullptr;
}

}  // namespace

const GUID& ServiceId(Service service) {
    static const GUID ids[kServiceCount] = {
        platform::kSID_SVsShell,       platform::kSID_SProfferService,
        platform::kSID_SLocalRegistry, platform::kSID_SVsUIShell,
        platform::kSID_SUIHostLocale,  platform::kSID_SVsHelpSystem,
        platform::kSID_SVsHelp,        platform::kSID_SDTE,
    };
    return ids[static_cast<int>(service)];
}

ComPtr<IUnknown> CreateServiceObject(Service service, std::shared_ptr<IdeState> state) {
    switch (service) {
    case Service::Shell:
        return Make<Shell>(std::move(state));
    case Service::ProfferService:
        return Make<ProfferServiceImpl>(std::move(state));
    case Service::LocalRegistry:
        return Make<LocalRegistry>(std::move(state));
    case Service::UIShell:
        return Make<UIShell>(std::move(state));
    case Service::UILocale:
        return Make<UILocale>(std::move(state));
    case Service::HelpSystem:
        return Make<HelpSystem>(std::move(state));
    case Service::Help:
        return Make<Help>(std::move(state));
    case Service::Dte:
        return Make<Dte>(std::move(state));
    }
    return nullptr;
}

}  // namespace qz::ide
