#include "registration/variables.h"

#include <objbase.h>

#include "QZToolOpt.h"
#include "module/identifiers.h"
#include "module/module.h"
#include "platform/module.h"
#include "satellite/resource_ids.h"
#include "module/registry_layout.h"

namespace qz::registration {
namespace {

constexpr size_t kPathRoom = MAX_PATH;

bool IsPlainSuffix(const std::wstring& suffix) {
    for (size_t start = 0;;) {
        const size_t end = suffix.find(L'\\', start);
        const std::wstring level = suffix.substr(start, end - start);
        // The first level extends "8.0" and may be empty; "." and ".." only matter as whole levels.
        if ((start > 0 && (level.empty() || level == L"." || level == L".."))) return false;
        for (const wchar_t c : level) {
            const bool plain = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
                               c == L'_' || c == L'-' || c == L'.';
            if (!plain) return false;
        }
        if (end == std::wstring::npos) return true;
        start = end + 1;
    }
}

// A name as one quoted text of the script, whatever it holds.
std::wstring Quoted(const std::wstring& name) {
    std::wstring quoted = L"'";
    for (const wchar_t c : name) quoted += c == L'\'' ? L"''" : std::wstring(1, c);
    return quoted + L"'";
}

std::wstring RegistryForm(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

}  // namespace

std::wstring HostHive(const std::wstring& rootSuffix) { return module::kIdeRoot + rootSuffix; }

HRESULT ComputeVariables(const std::wstring& modulePath, const std::wstring& rootSuffix,
                         std::vector<Variable>* variables) {
    if (modulePath.empty() || modulePath.size() >= kPathRoom) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    if (!IsPlainSuffix(rootSuffix)) return E_INVALIDARG;

    // Each segment of the host hive becomes a NoRemove key, so that the hive
    // itself is never deleted.
    std::wstring hive = HostHive(rootSuffix);
    if (hive.back() != L'\\') hive += L'\\';
    std::wstring begin, end;
    for (size_t start = 0, slash; (slash = hive.find(L'\\', start)) != std::wstring::npos; start = slash + 1) {
        begin += L" NoRemove " + Quoted(hive.substr(start, slash - start)) + L"\n{\n";
        end += L"\n}\n";
    }

    const size_t slash = modulePath.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : modulePath.substr(0, slash + 1);
    std::wstring name = modulePath.substr(folder.size());
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.resize(dot);

    *variables = {
        {L"MODULE", modulePath},
        {L"REGROOTBEGIN", begin},
        {L"REGROOTEND", end},
        {L"RESOURCE_DLL", name + L"UI.DLL"},
        {L"RESOURCE_PATH", folder},
        {L"CLSID_Package", RegistryForm(CLSID_QZToolOpt)},
        {L"SID_SQZToolOptions", RegistryForm(module::SID_SQZToolOptions)},
        {L"GUID_TOGeneralPPG", RegistryForm(module::GUID_TOGeneralPPG)},
        {L"GUID_TOCompilerPPG", RegistryForm(module::GUID_TOCompilerPPG)},
        {L"GUID_TOGAPPPG", RegistryForm(module::GUID_TOGAPPPG)},
        {L"IDS_PACKAGE", std::to_wstring(IDS_PACKAGE_NODE)},
        {L"IDS_PPG_GENERAL", std::to_wstring(IDS_PPG_GENERAL)},
        {L"IDS_PPG_COMPILER", std::to_wstring(IDS_PPG_COMPILERS)},
        {L"IDS_PPG_GAP", std::to_wstring(IDS_PPG_GAP)},
    };
    return S_OK;
}

HRESULT ModuleVariables(std::vector<Variable>* variables) {
    const std::wstring modulePath = platform::ModuleFileName(module::ModuleInstance());
    std::wstring suffix(256, L'\0');
    DWORD length = GetEnvironmentVariableW(L"EnvSdk_RootSuffix", &suffix[0], static_cast<DWORD>(suffix.size()));
    if (length >= suffix.size()) {
        suffix.resize(length);
        length = GetEnvironmentVariableW(L"EnvSdk_RootSuffix", &suffix[0], static_cast<DWORD>(suffix.size()));
    }
    suffix.resize(length < suffix.size() ? length : 0);
    return ComputeVariables(modulePath, suffix, variables);
}

}  // namespace qz::registration
