#include "session.h"

#include <algorithm>
#include <cwchar>

#include "module/identifiers.h"

namespace qz::host {

std::wstring HresultText(HRESULT hr) {
    wchar_t text[32];
    std::swprintf(text, 32, L"0x%08lX", static_cast<unsigned long>(hr));
    switch (hr) {
    case S_OK:
        return L"S_OK";
    case S_FALSE:
        return L"S_FALSE";
    default:
        return text;
    }
}

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

HRESULT CallByName(IDispatch* automation, const wchar_t* name, std::vector<VARIANT> args, VARIANT* result) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = 0;
    HRESULT hr = automation->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::reverse(args.begin(), args.end());
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    return automation->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params,
                              result, nullptr, nullptr);
}

VARIANT Int4(int value) { return platform::Variant::Int(value).Get(); }

std::wstring VariantText(const VARIANT& v) {
    if (V_VT(&v) == VT_BSTR) return L"\"" + std::wstring(V_BSTR(&v), SysStringLen(V_BSTR(&v))) + L"\"";
    if (V_VT(&v) == VT_I4) return std::to_wstring(V_I4(&v));
    return L"(none)";
}

bool Session::Open(Report& report, bool verbose) {
    dll_.Reset(LoadLibraryW(packagePath_.c_str()));
    if (!report.Step(bool(dll_), L"loaded the package DLL " + packagePath_, verbose)) return false;
    const auto getClassObject = platform::ProcAddress<ide::GetClassObjectFn>(dll_.Get(), "DllGetClassObject");
    canUnloadNow_ = platform::ProcAddress<CanUnloadNowFn>(dll_.Get(), "DllCanUnloadNow");
    if (!report.Step(getClassObject && canUnloadNow_, L"found DllGetClassObject and DllCanUnloadNow", verbose)) {
        return false;
    }
    ide_.SetPackagePath(packagePath_);
    HRESULT hr = sited_.GetFactory(getClassObject);
    if (!report.Step(
            SUCCEEDED(hr),
            L"DllGetClassObject(" + GuidText(CLSID_QZToolOpt) + L") gave the class factory: " + HresultText(hr),
            verbose)) {
        return false;
    }
    hr = sited_.Create();
    if (!report.Step(SUCCEEDED(hr), L"created the package (IVsPackage): " + HresultText(hr), verbose)) return false;
    hr = sited_.Site();
    if (!report.Step(SUCCEEDED(hr), L"sited the package: SetSite answered " + HresultText(hr), verbose)) return false;
    hr = sited_.AskService();
    if (!report.Step(SUCCEEDED(hr), L"the IDE handed out the tool-options service: " + HresultText(hr), verbose)) {
        return false;
    }
    hr = sited_.AskAutomation();
    return report.Step(SUCCEEDED(hr),
                       L"the package gave its automation object \"" + std::wstring(module::kAutomationName) + L"\": " +
                           HresultText(hr),
                       verbose);
}

HRESULT Session::Close(Report& report, bool verbose) {
    if (sited_.package) {
        BOOL canClose = FALSE;
        HRESULT hr = sited_.Close(&canClose);
        report.Step(canClose, L"QueryClose allowed closing", verbose);
        report.Step(hr == S_OK, L"closed the package: Close answered " + HresultText(hr), verbose);
        hr = canUnloadNow_();
        report.Step(hr == S_FALSE, L"DllCanUnloadNow answered " + HresultText(hr) + L" while the package is held",
                    verbose);
    }
    sited_.Release();
    return canUnloadNow_ ? canUnloadNow_() : E_UNEXPECTED;
}

}  // namespace qz::host
