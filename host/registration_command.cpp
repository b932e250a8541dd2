// The registration commands: call the DLL's own DllRegisterServer or
// DllUnregisterServer, as an installer does, and show what is registered.
#include <algorithm>
#include <cstdio>

#include "commands.h"
#include "platform/registry.h"
#include "registration/variables.h"
#include "registry_tree.h"
#include "text_output.h"

namespace qz::host {
namespace {

std::wstring ValueText(DWORD type, const std::vector<BYTE>& data) {
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && data.size() >= sizeof(wchar_t)) {
        return L"\"" + std::wstring(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t) - 1) +
               L"\"";
    }
    if (type == REG_DWORD && data.size() == sizeof(DWORD)) {
        return L"dword " + std::to_wstring(*reinterpret_cast<const DWORD*>(data.data()));
    }
    return L"(type " + std::to_wstring(type) + L", " + std::to_wstring(data.size()) + L" bytes)";
}

// Prints a key with its values and subkeys, indented.
void PrintTree(HKEY root, const std::wstring& path, const std::wstring& name, int depth) {
    platform::RegKey key;
    if (key.Open(root, path.c_str(), KEY_READ) != ERROR_SUCCESS) {
        Print(L"%*ls%ls (absent)\n", depth * 2, L"", name.c_str());
        return;
    }
    std::vector<RegFileKey> keys;
    std::wstring error;
    const bool read = ReadTree(root, path, &keys, &error);
    const size_t below = HivePrefix(root).size() + path.size();
    for (const RegFileKey& entry : keys) {
        const std::wstring relative = entry.path.substr(below);
        const int level = depth + static_cast<int>(std::count(relative.begin(), relative.end(), L'\\'));
        Print(L"%*ls%ls\n", level * 2, L"",
              relative.empty() ? name.c_str() : relative.substr(relative.rfind(L'\\') + 1).c_str());
        for (const RegFileValue& value : entry.values) {
            Print(L"%*ls%ls = %ls\n", level * 2 + 2, L"", value.name.empty() ? L"(default)" : value.name.c_str(),
                  ValueText(value.type, value.data).c_str());
        }
    }
    if (!read) Print(L"%*ls(%ls)\n", depth * 2, L"", error.c_str());
}

}  // namespace

bool Register(const std::wstring& packagePath, bool registering, Report& report) {
    platform::ModuleHandle dll(LoadLibraryW(packagePath.c_str()));
    if (!report.Step(bool(dll), L"loaded the package DLL " + packagePath)) return false;
    using RegisterFn = HRESULT(STDAPICALLTYPE*)();
    const auto entry =
        platform::ProcAddress<RegisterFn>(dll.Get(), registering ? "DllRegisterServer" : "DllUnregisterServer");
    if (!report.Step(entry != nullptr, L"found the DLL's registration export")) return false;
    const HRESULT hr = entry();
    report.Step(SUCCEEDED(hr), std::wstring(registering ? L"DllRegisterServer" : L"DllUnregisterServer") +
                                   L" answered " + HresultText(hr));

    std::wstring suffix(GetEnvironmentVariableW(L"EnvSdk_RootSuffix", nullptr, 0), L'\0');
    if (!suffix.empty()) {
        suffix.resize(GetEnvironmentVariableW(L"EnvSdk_RootSuffix", &suffix[0], static_cast<DWORD>(suffix.size())));
    }
    const std::wstring hive = registration::HostHive(suffix);
    const std::wstring package = GuidText(CLSID_QZToolOpt);
    Print(L"\nBelow HKEY_LOCAL_MACHINE\\%ls:\n", hive.c_str());
    for (const std::wstring& entryPath :
         {L"Packages\\" + package, std::wstring(L"AutomationProperties\\Tavrel Fortran ToolOptions"),
          std::wstring(L"Menus"), std::wstring(L"ToolsOptionsPages\\Tavrel Fortran"),
          L"Services\\" + GuidText(IID_IQZToolOptions)}) {
        PrintTree(HKEY_LOCAL_MACHINE, hive + L"\\" + entryPath, entryPath, 1);
    }
    Print(L"\nBelow HKEY_CLASSES_ROOT:\n");
    const std::wstring typeLib = L"TypeLib\\" + GuidText(LIBID_QZToolOptLib);
    PrintTree(HKEY_CLASSES_ROOT, typeLib, typeLib, 1);
    platform::ComPtr<ITypeLib> library;
    const HRESULT found = LoadRegTypeLib(LIBID_QZToolOptLib, 12, 0, LOCALE_NEUTRAL, library.Put());
    report.Step(SUCCEEDED(found) == registering,
                std::wstring(L"LoadRegTypeLib of QZToolOptLib 12.0 answered ") + HresultText(found));
    return SUCCEEDED(hr);
}

}  // namespace qz::host
