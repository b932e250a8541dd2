// A realistic installation in an in-memory registry (the product, three
// compilers on two platforms, the VC component's platforms, a user with
// settings), and a package sited on it with its service, made afresh for
// each case of the sweeps.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ide/sited_package.h"
#include "module/identifiers.h"
#include "package/class_factory.h"
#include "testing/memory_registry.h"
#include "testing/product_install.h"
#include "testing/recording_window_system.h"

namespace qz::test {

struct RegistryEntry {
    HKEY root;
    std::wstring path;
    std::wstring name;
    test::MemoryRegistry::Value value;
};

inline const std::vector<RegistryEntry>& InstalledEntries() {
    using Value = test::MemoryRegistry::Value;
    const std::wstring f12 = L"Software\\Tavrel\\Compilers\\Fortran\\12.0.000";
    const std::wstring f11 = L"Software\\Tavrel\\Compilers\\Fortran\\11.1.065";
    const std::wstring vc = L"Software\\Microsoft\\VisualStudio\\8.0\\VC\\VC_OBJECTS_PLATFORM_INFO";
    const std::wstring user = kSettingsPath;
    static const std::vector<RegistryEntry> entries = {
        {HKEY_LOCAL_MACHINE, kProductKey, L"ProductDir", Value::String(L"C:\\Tavrel\\")},
        {HKEY_LOCAL_MACHINE, vc + L"\\Win32", L"", Value::String(L"")},
        {HKEY_LOCAL_MACHINE, vc + L"\\Win64 (AMD64)", L"", Value::String(L"")},
        {HKEY_LOCAL_MACHINE, f12, L"SuiteName", Value::String(L"Suite 12")},
        {HKEY_LOCAL_MACHINE, f12, L"ProductDir", Value::String(L"C:\\F12\\")},
        {HKEY_LOCAL_MACHINE, f12 + L"\\PX32", L"DisplayString", Value::String(L"Fortran 12 PX-32")},
        {HKEY_LOCAL_MACHINE, f12 + L"\\PX32", L"ProductId", Value::String(L"QMV")},
        {HKEY_LOCAL_MACHINE, f12 + L"\\PX32", L"DocumentationDir", Value::String(L"C:\\F12\\doc\\")},
        {HKEY_LOCAL_MACHINE, f12 + L"\\PX32\\VSNet2005", L"IncludeDir", Value::String(L"C:\\F12\\include")},
        {HKEY_LOCAL_MACHINE, f12 + L"\\PX32\\VSNet2005", L"LibDir", Value::String(L"C:\\F12\\lib")},
        {HKEY_LOCAL_MACHINE, f12 + L"\\PX32\\VSNet2005", L"BinDir", Value::String(L"C:\\F12\\bin")},
        {HKEY_LOCAL_MACHINE, f12 + L"\\PX32\\VSNet2005", L"DefaultOptions", Value::String(L"/nologo")},
        {HKEY_LOCAL_MACHINE, f12 + L"\\HY64", L"IncludeDir", Value::String(L"C:\\F12\\include64")},
        {HKEY_LOCAL_MACHINE, f12 + L"\\HY64", L"BinDir", Value::String(L"C:\\F12\\bin64;")},
        {HKEY_LOCAL_MACHINE, f12 + L"\\HY64", L"CompilerInfo", Value::String(L"Package 12")},
        {HKEY_LOCAL_MACHINE, f11, L"Major Version", Value::Dword(11)},
        {HKEY_LOCAL_MACHINE, f11, L"Minor Version", Value::Dword(1)},
        {HKEY_LOCAL_MACHINE, f11, L"Revision", Value::Dword(65)},
        {HKEY_LOCAL_MACHINE, f11 + L"\\PX32", L"ProductDir", Value::String(L"C:\\F11\\")},
        {HKEY_LOCAL_MACHINE, f11 + L"\\PX32", L"IncludeDir", Value::String(L"C:\\F11\\include")},
        {HKEY_LOCAL_MACHINE, f11 + L"\\PX32", L"LibDir", Value::String(L"C:\\F11\\lib")},
        {HKEY_CURRENT_USER, user, L"ExtFree", Value::String(L".f95")},
        {HKEY_CURRENT_USER, user, L"GapLevel", Value::Dword(2)},
        {HKEY_CURRENT_USER, user, L"GapRemarksFile", Value::String(L"C:\\gap.txt")},
        {HKEY_CURRENT_USER, user + L"\\SelectedCompilers", L"PX32", Value::String(L"111.065|PX32_PX32")},
        {HKEY_CURRENT_USER, user + L"\\120.000\\PX32_PX32", L"IncludeDir", Value::String(L"C:\\mine\\include")},
        {HKEY_CURRENT_USER, user + L"\\120.000\\PX32_PX32", L"BinDir", Value::String(L"C:\\mine\\bin;$(PATH)")},
    };
    return entries;
}

inline void InstallEntries(test::MemoryRegistry& registry) {
    for (const RegistryEntry& entry : InstalledEntries()) registry.Set(entry.root, entry.path, entry.name, entry.value);
}

// The registry and window system a session installs, made before its package.
struct SessionWorld {
    std::unique_ptr<test::MemoryRegistry> registry = std::make_unique<test::MemoryRegistry>();
    test::RecordingWindowSystem windows;
    platform::ScopedRegistry registryScope{*registry};
    platform::ScopedWindowSystem windowsScope{windows};
};

// One package sited on its own registry, as the IDE makes it; the registry
// outlives the package.
class InstalledSession : public SessionWorld, public ide::SitedPackage {
public:
    explicit InstalledSession(ide::StandInIde& ide) : SitedPackage(ide) {
        InstallEntries(*registry);
        EXPECT_EQ(Open(package::GetClassObject), S_OK);
    }

    // The package's options model, made on first request.
    IQZGeneralPPG* Model() {
        if (!model_ && SUCCEEDED(AskAutomation())) automation.As(&model_);
        EXPECT_NE(model_.Get(), nullptr);
        return model_.Get();
    }
    // Releases every object of the system; the registry stays for inspection.
    void Close() {
        model_.Reset();
        SitedPackage::Close();
        Release();
    }

private:
    platform::ComPtr<IQZGeneralPPG> model_;
};

}  // namespace qz::test
