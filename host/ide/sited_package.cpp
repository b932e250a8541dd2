#include "ide/sited_package.h"

#include "module/identifiers.h"
#include "platform/module.h"

namespace qz::ide {

SitedPackage::~SitedPackage() {
    Close();
    Release();
}

HRESULT SitedPackage::GetFactory(GetClassObjectFn getClassObject) {
    return getClassObject(CLSID_QZToolOpt, IID_IClassFactory, factory_.PutVoid());
}

HRESULT SitedPackage::Create() {
    if (!factory_) return E_UNEXPECTED;
    const HRESULT hr = factory_->CreateInstance(nullptr, __uuidof(IVsPackage), package.PutVoid());
    factory_.Reset();
    return hr;
}

HRESULT SitedPackage::Site() { return package ? package->SetSite(ide_.Provider()) : E_UNEXPECTED; }

HRESULT SitedPackage::AskService() {
    return ide_.Provider()->QueryService(module::SID_SQZToolOptions, IID_IQZToolOptions, service.PutVoid());
}

HRESULT SitedPackage::AskAutomation() {
    return package ? package->GetAutomationObject(module::kAutomationName, automation.Put()) : E_UNEXPECTED;
}

HRESULT SitedPackage::Open(GetClassObjectFn getClassObject) {
    HRESULT hr = GetFactory(getClassObject);
    if (SUCCEEDED(hr)) hr = Create();
    if (SUCCEEDED(hr)) hr = Site();
    if (SUCCEEDED(hr)) hr = AskService();
    return hr;
}

HRESULT SitedPackage::Close(BOOL* canClose) {
    automation.Reset();
    service.Reset();
    factory_.Reset();
    if (!package) return E_UNEXPECTED;
    BOOL agreed = FALSE;
    const HRESULT asked = package->QueryClose(&agreed);
    if (canClose) *canClose = SUCCEEDED(asked) && agreed;
    // The IDE always closes a package it made; a second Close is refused harmlessly.
    return package->Close();
}

void SitedPackage::Release() {
    package.Reset();
    ide_.RevokeAll();
}

std::wstring SatelliteText(const std::wstring& satellitePath, UINT id) {
    const platform::ModuleHandle satellite(
        LoadLibraryExW(satellitePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    wchar_t text[512] = {};
    if (satellite) LoadStringW(satellite.Get(), id, text, 512);
    return text;
}

}  // namespace qz::ide
