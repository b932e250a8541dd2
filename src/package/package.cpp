#include "package/package.h"

#include "model/general_ppg.h"
#include "package/service.h"
#include "module/service_site.h"
#include "pages/compilers_page.h"
#include "pages/gap_page.h"
#include "pages/general_page.h"
#include "pages/page_framework.h"
#include "platform/boundary.h"

namespace qz::package {

using platform::ComPtr;

CQZToolOpt::~CQZToolOpt() {
    // Released without Close: the satellite goes with the package, so the
    // resource instance must not keep pointing at it.
    if (satellite_) module::ExchangeResourceInstance(nullptr);
}

void* CQZToolOpt::FindInterface(REFIID iid) {
    if (IsEqualIID(iid, __uuidof(IVsPackage))) return static_cast<IVsPackage*>(this);
    if (IsEqualIID(iid, IID_IOleCommandTarget)) return static_cast<IOleCommandTarget*>(this);
    if (IsEqualIID(iid, IID_IServiceProvider)) return static_cast<IServiceProvider*>(this);
    return nullptr;
}

HRESULT CQZToolOpt::SetSite(IServiceProvider* provider) try {
    if (closed_) return E_UNEXPECTED;
    // The IDE sites a package once; re-siting or un-siting is refused rather
    // than leaving a second satellite or service object behind.
    if (!provider) return E_INVALIDARG;
    if (siteTaken_) return E_UNEXPECTED;
    siteTaken_ = true;

    module::TheServiceSite().SetSite(provider);

    ComPtr<IVsShell> shell;
    DWORD_PTR satellite = 0;
    if (FAILED(provider->QueryService(platform::kSID_SVsShell, __uuidof(IVsShell), shell.PutVoid())) || !shell ||
        FAILED(shell->LoadUILibrary(CLSID_QZToolOpt, 0, &satellite)) || !satellite) {
        return E_FAIL;
    }
    satellite_.Reset(reinterpret_cast<HMODULE>(satellite));
    module::ExchangeResourceInstance(satellite_.Get());

    ComPtr<IProfferService> proffer;
    if (SUCCEEDED(module::TheServiceSite().QueryService(platform::kSID_SProfferService, IID_IProfferService,
                                                        proffer.PutVoid())) &&
        proffer) {
        DWORD cookie = 0;
        proffer->ProfferService(module::SID_SQZToolOptions, static_cast<IServiceProvider*>(this), &cookie);
    }

    CQZToolOptionsSvc* service = nullptr;
    const HRESULT hr = CQZToolOptionsSvc::Create(this, &service);
    if (FAILED(hr)) return hr;
    service_.Attach(service);
    return S_OK;
}
QZ_CATCH_RETURN()

HRESULT CQZToolOpt::QueryClose(BOOL* canClose) try {
    if (!canClose) return E_POINTER;
    *canClose = TRUE;
    return S_OK;
}
QZ_CATCH_RETURN()

HRESULT CQZToolOpt::Close() try {
    if (closed_) return E_UNEXPECTED;
    if (satellite_) {
        module::ExchangeResourceInstance(nullptr);
        satellite_.Reset();
    }
    module::TheServiceSite().SetSite(nullptr);
    // The pages keep the model past their windows; it would hold the module
    // loaded for good.
    pages::ResetPageStates();
    model_.Reset();
    if (service_) {
        // Late callers of the service then get E_UNEXPECTED instead of
        // reaching a package that no longer has a model.
        service_->Close();
        service_.Reset();
    }
    closed_ = true;
    return S_OK;
}
QZ_CATCH_RETURN()

HRESULT CQZToolOpt::GetAutomationObject(LPCOLESTR name, IDispatch** out) try {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!name || CompareStringOrdinal(name, -1, module::kAutomationName, -1, TRUE) != CSTR_EQUAL) return E_NOTIMPL;
    // A model made after Close could not reach the IDE's registry root and
    // would stay unavailable, so none is made.
    if (closed_) return E_UNEXPECTED;
    ComPtr<IQZGeneralPPG> model;
    const HRESULT hr = GetGeneralPPG(model.Put());
    if (FAILED(hr)) return hr;
    if (!model) return E_UNEXPECTED;
    return model->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(out));
}
QZ_CATCH_RETURN()

HRESULT CQZToolOpt::CreateTool(REFGUID) try { return closed_ ? E_UNEXPECTED : E_NOTIMPL; }
QZ_CATCH_RETURN()

HRESULT CQZToolOpt::ResetDefaults(DWORD) try { return E_NOTIMPL; }
QZ_CATCH_RETURN()

HRESULT CQZToolOpt::GetPropertyPage(REFGUID page, VSPROPSHEETPAGE* sheet) try {
    if (!IsEqualGUID(page, module::GUID_TOGeneralPPG) && !IsEqualGUID(page, module::GUID_TOCompilerPPG) &&
        !IsEqualGUID(page, module::GUID_TOGAPPPG)) {
        return E_FAIL;
    }
    if (!sheet) return E_POINTER;
    // As for the automation object: no unavailable model after Close.
    if (closed_) return E_UNEXPECTED;
    ComPtr<IQZGeneralPPG> model;
    const HRESULT hr = GetGeneralPPG(model.Put());
    if (FAILED(hr)) return hr;
    if (!model) return E_UNEXPECTED;
    IUnknown* self = static_cast<IVsPackage*>(this);
    if (IsEqualGUID(page, module::GUID_TOGeneralPPG)) return pages::CreateGeneralPage(self, model.Get(), sheet);
    if (IsEqualGUID(page, module::GUID_TOCompilerPPG)) return pages::CreateCompilersPage(self, model.Get(), sheet);
    return pages::CreateGapPage(self, model.Get(), sheet);
}
QZ_CATCH_RETURN()

HRESULT CQZToolOpt::GetGeneralPPG(IQZGeneralPPG** out) try {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!model_) {
        const HRESULT hr = model::CQZGeneralPPG::Create(model_.Put());
        if (FAILED(hr)) return hr;
    }
    if (!model_) return E_UNEXPECTED;
    return model_->QueryInterface(IID_IQZGeneralPPG, reinterpret_cast<void**>(out));
}
QZ_CATCH_RETURN()

HRESULT CQZToolOpt::QueryStatus(const GUID*, ULONG, OLECMD[], OLECMDTEXT*) try { return OLECMDERR_E_UNKNOWNGROUP; }
QZ_CATCH_RETURN()

HRESULT CQZToolOpt::Exec(const GUID*, DWORD, DWORD, VARIANT*, VARIANT*) try { return OLECMDERR_E_UNKNOWNGROUP; }
QZ_CATCH_RETURN()

HRESULT CQZToolOpt::QueryService(REFGUID service, REFIID iid, void** out) try {
    if (closed_) return E_UNEXPECTED;
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualGUID(service, module::SID_SQZToolOptions)) return E_NOINTERFACE;
    // Not sited, or the service object could not be made: nothing to hand out.
    if (!service_) return E_UNEXPECTED;
    return service_->QueryInterface(iid, out);
}
QZ_CATCH_RETURN()

}  // namespace qz::package
