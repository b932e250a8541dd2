// The built-in sample installation: compiler versions as installers would
// publish them (for all three target platforms, with and without values for
// this IDE and a display string, and some that are never offered), and the
// platforms of the IDE's VC component, so that the host shows something on a
// machine without the product.
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "commands.h"
#include "platform/registry.h"
#include "module/registry_layout.h"

namespace qz::host {
namespace {

// Set below the compilers key while the sample is being written; the product
// and doctor read only the subkeys there.
constexpr wchar_t kUnfinished[] = L"QZIdeHost sample unfinished";

struct SampleValue {
    const wchar_t* key;  // below the compilers key
    const wchar_t* name;
    const wchar_t* text;  // null: a number
    DWORD number;
};

const SampleValue kSample[] = {
    {L"111.065", module::kMajorVersionValue, nullptr, 11},
    {L"111.065", module::kMinorVersionValue, nullptr, 1},
    {L"111.065", module::kRevisionValue, nullptr, 65},
    {L"111.065", module::kSuiteNameValue, L"Tavrel Fortran Compiler Professional 11.1", 0},
    {L"111.065", module::kProductDirValue, L"C:\\Program Files\\Tavrel\\Compiler\\11.1\\065\\", 0},
    {L"111.065\\PX32", module::kDisplayStringValue, L"Tavrel Fortran Compiler 11.1.065 for 32-bit applications", 0},
    {L"111.065\\PX32", module::kProductIdValue, L"QMV", 0},
    {L"111.065\\PX32", module::kCompilerInfoValue, L"Package 11.1.065, 32-bit tools", 0},
    {L"111.065\\PX32", module::kBinDirValue, L"C:\\Program Files\\Tavrel\\Compiler\\11.1\\065\\bin\\ia32", 0},
    {L"111.065\\PX32", module::kIncludeDirValue, L"C:\\Program Files\\Tavrel\\Compiler\\11.1\\065\\include", 0},
    {L"111.065\\PX32", module::kLibDirValue, L"C:\\Program Files\\Tavrel\\Compiler\\11.1\\065\\lib\\ia32", 0},
    {L"111.065\\PX32\\VSNet2005", module::kDefaultOptionsValue, L"/nologo", 0},
    {L"111.065\\PX32\\VSNet2005", module::kIncludeDirValue,
     L"C:\\Program Files\\Tavrel\\Compiler\\11.1\\065\\include\\vs2005", 0},
    {L"111.065\\PX32", module::kDocumentationDirValue, L"C:\\Program Files\\Tavrel\\Compiler\\11.1\\065\\doc\\", 0},
    {L"111.065\\HY64", module::kDisplayStringValue, L"Tavrel Fortran Compiler 11.1.065 for x64 applications (cross)",
     0},
    {L"111.065\\HY64", module::kBinDirValue, L"C:\\Program Files\\Tavrel\\Compiler\\11.1\\065\\bin\\ia32_hy64", 0},
    {L"111.065\\HY64_NATIVE", module::kDisplayStringValue, L"Tavrel Fortran Compiler 11.1.065 for x64 applications", 0},
    {L"111.065\\HY64_NATIVE", module::kBinDirValue, L"C:\\Program Files\\Tavrel\\Compiler\\11.1\\065\\bin\\hy64", 0},
    {L"111.065\\Ventrix", module::kDisplayStringValue,
     L"Tavrel Fortran Compiler 11.1.065 for EPIC applications (cross)", 0},
    {L"111.065\\Ventrix", module::kBinDirValue, L"C:\\Program Files\\Tavrel\\Compiler\\11.1\\065\\bin\\ia32_epic", 0},
    // Never offered: a native EPIC compiler, one too old for this IDE, and the
    // 11.1.065 compiler published a second time under its dotted name.
    {L"111.065\\Ventrix_NATIVE", module::kBinDirValue, L"C:\\Program Files\\Tavrel\\Compiler\\11.1\\065\\bin\\epic", 0},
    {L"10.1.025\\PX32", module::kDisplayStringValue, L"Tavrel Fortran Compiler 10.1.025", 0},
    {L"11.1.065\\PX32", module::kDisplayStringValue, L"Tavrel Fortran Compiler 11.1.065 (second registration)", 0},
    // A newer version that publishes no version values and no display string:
    // its version comes from the key name, its texts from the defaults.
    {L"12.0.001\\PX32", module::kProductDirValue, L"C:\\Program Files\\Tavrel\\Compiler\\12.0\\001\\", 0},
    {L"12.0.001\\HY64_NATIVE", module::kProductDirValue, L"C:\\Program Files\\Tavrel\\Compiler\\12.0\\001\\", 0},
};

}  // namespace

bool InstallSample(Report& report) {
    platform::RegKey existing;
    std::wstring name;
    DWORD type = 0;
    std::vector<BYTE> data;
    const bool opened = existing.Open(HKEY_LOCAL_MACHINE, module::kCompilersKey, KEY_READ) == ERROR_SUCCESS;
    const bool unfinished = opened && existing.ReadValue(kUnfinished, &type, &data) == ERROR_SUCCESS;
    if (opened && !unfinished && existing.SubkeyName(0, &name) != ERROR_NO_MORE_ITEMS) {
        return report.Step(true, L"compilers are installed already; the sample is not written");
    }
    // Marked first and unmarked last, so that a run cut short is completed by the next one.
    platform::RegKey compilers;
    bool ok = compilers.Create(HKEY_LOCAL_MACHINE, module::kCompilersKey, KEY_READ | KEY_WRITE) == ERROR_SUCCESS &&
              compilers.WriteDword(kUnfinished, 1) == ERROR_SUCCESS;
    for (size_t i = 0; ok && i < std::size(kSample); ++i) {
        const SampleValue& value = kSample[i];
        platform::RegKey key;
        const std::wstring path = std::wstring(module::kCompilersKey) + L"\\" + value.key;
        ok = key.Create(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ | KEY_WRITE) == ERROR_SUCCESS &&
             (value.text ? key.WriteString(value.name, value.text, wcslen(value.text))
                         : key.WriteDword(value.name, value.number)) == ERROR_SUCCESS;
    }
    platform::RegKey product;
    ok = ok && product.Create(HKEY_LOCAL_MACHINE, module::kProductKey, KEY_READ | KEY_WRITE) == ERROR_SUCCESS;
    for (const wchar_t* vcPlatform : {L"Win32", L"Win64 (AMD64)"}) {
        platform::RegKey key;
        const std::wstring path = std::wstring(module::kVcPlatformsKey.data()) + L"\\" + vcPlatform;
        ok = ok && key.Create(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ | KEY_WRITE) == ERROR_SUCCESS;
    }
    ok = ok && platform::Registry().DeleteValue(compilers.Get(), kUnfinished) == ERROR_SUCCESS;
    return report.Step(ok, std::wstring(unfinished ? L"completed the sample installation an earlier run left unfinished"
                                                   : L"installed the sample compilers") +
                               L" (10.1.025, 11.1.065, 12.0.001) below HKEY_LOCAL_MACHINE\\" + module::kCompilersKey);
}

}  // namespace qz::host
