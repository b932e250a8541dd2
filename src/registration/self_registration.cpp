#include "registration/self_registration.h"

#include <oleauto.h>

#include <new>
#include <string>
#include <vector>

#include "module/module.h"
#include "platform/com_ptr.h"
#include "platform/module.h"
#include "core/text.h"
#include "registration/script_engine.h"
#include "registration/variables.h"

namespace qz::registration {
namespace {

constexpr WORD kScriptResource = 101;

}  // namespace

// The resource holds UTF-8 text.
HRESULT LoadScript(std::u16string* script) {
    const HMODULE module = module::ModuleInstance();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(kScriptResource), L"REGISTRY");
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    const DWORD size = found ? SizeofResource(module, found) : 0;
    if (!bytes || size == 0) return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
    const int length = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), &wide[0], length);
    *script = core::ToU16(wide);
    return S_OK;
}

namespace {

HRESULT RunRegistrationScript(ScriptMode mode, const FinishStep& finish) {
    std::vector<Variable> variables;
    HRESULT hr = ModuleVariables(&variables);
    if (FAILED(hr)) return hr;
    std::u16string script;
    hr = LoadScript(&script);
    if (FAILED(hr)) return hr;
    std::vector<core::ScriptVariable> scriptVariables;
    scriptVariables.reserve(variables.size());
    for (const Variable& v : variables) scriptVariables.push_back({core::ToU16(v.first), core::ToU16(v.second)});

    // The script's texts are read under the system's locale, whatever the
    // installer's thread had.
    const LCID saved = GetThreadLocale();
    SetThreadLocale(LOCALE_SYSTEM_DEFAULT);
    hr = RunScript(script, scriptVariables, mode, nullptr, finish);
    SetThreadLocale(saved);
    return hr;
}

// The type library resource 1 of the DLL, else the .tlb file beside it.
HRESULT LoadOwnTypeLib(const std::wstring& modulePath, ITypeLib** library) {
    HRESULT hr = LoadTypeLibEx((modulePath + L"\\1").c_str(), REGKIND_NONE, library);
    if (FAILED(hr)) {
        std::wstring tlb = modulePath;
        const size_t dot = tlb.rfind(L'.');
        if (dot != std::wstring::npos && tlb.find(L'\\', dot) == std::wstring::npos) tlb.resize(dot);
        hr = LoadTypeLibEx((tlb + L".tlb").c_str(), REGKIND_NONE, library);
    }
    return hr;
}

void UnregisterTypeLibrary(ITypeLib* library) {
    TLIBATTR* attributes = nullptr;
    if (FAILED(library->GetLibAttr(&attributes))) return;
    UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum, attributes->lcid,
                      attributes->syskind);
    library->ReleaseTLibAttr(attributes);
}

}  // namespace

HRESULT RegisterServer() {
    // Part of the registration: when it fails, the script's entries go again.
    return RunRegistrationScript(ScriptMode::Register, []() -> HRESULT {
        std::wstring modulePath = platform::ModuleFileName(module::ModuleInstance());
        platform::ComPtr<ITypeLib> library;
        const HRESULT hr = LoadOwnTypeLib(modulePath, library.Put());
        if (FAILED(hr)) return hr;
        std::wstring folder = modulePath.substr(0, modulePath.find_last_of(L'\\') + 1);
        const HRESULT registered = RegisterTypeLib(library.Get(), &modulePath[0], &folder[0]);
        // What it recorded before it failed goes too.
        if (FAILED(registered)) UnregisterTypeLibrary(library.Get());
        return registered;
    });
}

HRESULT UnregisterServer() {
    RunRegistrationScript(ScriptMode::Unregister, {});
    platform::ComPtr<ITypeLib> library;
    if (SUCCEEDED(LoadOwnTypeLib(platform::ModuleFileName(module::ModuleInstance()), library.Put()))) {
        UnregisterTypeLibrary(library.Get());
    }
    return S_OK;
}

}  // namespace qz::registration
