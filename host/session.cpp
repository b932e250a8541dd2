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

std::wstring SatelliteString(const std::wstring& satellitePath, UINT id) {
    platform::ModuleHandle satellite(
        LoadLibraryExW(satellitePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    wchar_t text[256] = {};
    if (satellite) LoadStringW(satellite.Get(), id, text, 256);
    return text;
}

VARIANT Int4(int value) { return platform::Variant::Int(value).Get(); }

std::wstring VariantText(const VARIANT& v) {
    if (V_VT(&v) == VT_BSTR) return L"\"" + std::wstring(V_BSTR(&v), SysStringLen(V_BSTR(&v))) + L"\"";
    if (V_VT(&v) == VT_I4) return std::to_wstring(V_I4(&v));
    return L"(none)";
}

}  // namespace qz::host
