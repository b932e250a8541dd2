// Registry data as installers, other tools and damaged hives leave it: values
// of every wrong type, odd byte lengths, texts without their terminating zero,
// empty values, key names at and past the lengths the system reads, names
// beyond ASCII, thousands of version keys, keys that cannot be opened and
// enumerations that fail part-way.
// A malformed value reads as missing (a default, a fallback, a dropped
// record), never as garbage.
#include <gtest/gtest.h>

#include "compilers/compiler_table.h"
#include "compilers/vc_platforms.h"
#include "platform/host.h"
#include "satellite/resource_ids.h"
#include "support/model_fixture.h"
#include "support/sweep_calls.h"

namespace qz::test {
namespace {

using Bytes = std::vector<BYTE>;
using Stored = std::tuple<const char*, DWORD, Bytes>;  // what, type, bytes
const std::wstring kVersions = std::wstring(module::kCompilersKey) + L"\\";
const std::wstring kVcPlatforms = std::wstring(module::kVcPlatformsKey.data()) + L"\\";
// The same keys by their full names, as faults are injected.
const std::wstring kMachineCompilers = L"HKEY_LOCAL_MACHINE\\" + std::wstring(module::kCompilersKey);
const std::wstring kMachineVc = L"HKEY_LOCAL_MACHINE\\" + std::wstring(module::kVcPlatformsKey.data());

Bytes TextBytes(const std::wstring& text) { return MemoryRegistry::Value::String(text).bytes; }
Bytes Number(DWORD value) { return MemoryRegistry::Value::Dword(value).bytes; }

// Malformed for every text reader, and for every number reader.
const Stored kBadTexts[] = {
    // clang-format off
    {"REG_SZ without its zero", REG_SZ, {'C', 0, ':', 0, '\\', 0, 'x', 0}},
    {"REG_SZ of odd length", REG_SZ, {'C', 0, 0, 0, 0}},
    {"REG_SZ of no bytes", REG_SZ, {}},            {"REG_SZ of one byte", REG_SZ, {0}},
    {"REG_DWORD", REG_DWORD, Number(7)},           {"REG_BINARY of a text", REG_BINARY, TextBytes(L"C:\\x")},
    {"REG_MULTI_SZ", REG_MULTI_SZ, TextBytes(std::wstring(L"C:\\x\0", 5))}, {"REG_NONE", REG_NONE, {}},
    // clang-format on
};
const Stored kBadNumbers[] = {
    // clang-format off
    {"REG_DWORD of 3 bytes", REG_DWORD, {3, 0, 0}}, {"REG_DWORD of 8 bytes", REG_DWORD, {3, 0, 0, 0, 0, 0, 0, 0}},
    {"REG_DWORD of no bytes", REG_DWORD, {}},          {"REG_QWORD", REG_QWORD, {3, 0, 0, 0, 0, 0, 0, 0}},
    {"REG_DWORD_BIG_ENDIAN", REG_DWORD_BIG_ENDIAN, Number(3)}, {"REG_BINARY of 4 bytes", REG_BINARY, Number(3)},
    {"REG_SZ of a number", REG_SZ, TextBytes(L"3")},
    // clang-format on
};

class MalformedRegistryTest : public ModelFixture {
protected:
    void AddCompiler(const std::wstring& versionKey, const std::wstring& display = L"") {
        registry.SetString(HKEY_LOCAL_MACHINE, kVersions + versionKey + L"\\PX32", L"ProductDir", L"C:\\F\\");
        if (!display.empty())
            registry.SetString(HKEY_LOCAL_MACHINE, kVersions + versionKey + L"\\PX32", L"DisplayString", display);
    }
    std::vector<std::wstring> Win32Compilers(IQZGeneralPPG* model) {
        platform::Bstr win32(L"Win32");
        platform::SafeArray names, handles;
        EXPECT_EQ(model->get_PlatformCmplrs(win32.Get(), names.Put(), handles.Put()), S_OK);
        return names.Texts();
    }
    std::string Option(IQZGeneralPPG* model, int ordinal) {
        CallOuts outs;
        EXPECT_EQ(model->GetProperty(PropertyID(ordinal), &outs.value), S_OK);
        return outs.Take();
    }

    platform::ScopedX64Host host_{false};
};

// A value read as missing is left as it was until the next write. Unusual but
// readable texts are kept: unexpanded, empty, beyond ASCII, ending at the first
// of several zeros.
TEST_F(MalformedRegistryTest, MalformedOptionValuesReadAsTheirDefaults) {
    auto model = MakeModel();
    const std::string text = Option(model.Get(), 0), number = Option(model.Get(), 4);
    const auto check = [&](const wchar_t* name, int ordinal, DWORD type, const Bytes& bytes, const std::string& read) {
        registry.Set(HKEY_CURRENT_USER, kSettingsPath, name, type, bytes);
        EXPECT_EQ(Option(model.Get(), ordinal), read) << type << " of " << bytes.size() << " bytes";
        EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, kSettingsPath, name), (MemoryRegistry::Value{type, bytes}));
    };
    for (const auto& [what, type, bytes] : kBadTexts) check(L"ExtFree", 0, type, bytes, text);
    for (const auto& [what, type, bytes] : kBadNumbers) check(L"LogBuilds", 4, type, bytes, number);
    check(L"ExtFree", 0, REG_EXPAND_SZ, TextBytes(L"%EXT%"), " '%EXT%'");
    check(L"ExtFree", 0, REG_SZ, TextBytes(L""), " ''");
    check(L"ExtFree", 0, REG_SZ, TextBytes(L".f\u00e9;.\u4e2d"), " '.f?;.?'");
    check(L"ExtFree", 0, REG_SZ, TextBytes(std::wstring(L".f\0\0", 4)), " '.f'");
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

// Display string, documentation directory, package information, a directory
// of the default layer, the user's own directory and the user's selection:
// a malformed one is missing, though there (the subkey for this IDE is read
// from the user next, not from the compiler's own values; the user's own
// directory stands). A product directory with room to spare ends at its zeros.
TEST_F(MalformedRegistryTest, MalformedCompilerDataFallsBackOrFails) {
    const std::wstring key = kVersions + L"12.0.000\\PX32";
    const std::wstring user = std::wstring(kSettingsPath) + L"\\120.000\\PX32_PX32";
    AddCompiler(L"11.1.065");
    AddCompiler(L"12.0.000");
    registry.Set(HKEY_LOCAL_MACHINE, key, L"ProductDir", REG_SZ, TextBytes(std::wstring(L"C:\\F\\\0\0", 6)));
    for (const wchar_t* name : {L"IncludeDir", L"LibDir"}) registry.SetString(HKEY_LOCAL_MACHINE, key, name, L"gen");
    registry.SetString(HKEY_CURRENT_USER, key + L"\\VSNet2005", L"IncludeDir", L"user");
    const std::wstring label = ResourceText(IDS_CMPLR_DISPLAY_LABEL) + L"  ";
    for (const auto& [what, type, bytes] : kBadTexts) {
        for (const wchar_t* name : {L"DisplayString", L"DocumentationDir", L"CompilerInfo", L"BinDir"})
            registry.Set(HKEY_LOCAL_MACHINE, key, name, type, bytes);
        registry.Set(HKEY_LOCAL_MACHINE, key + L"\\VSNet2005", L"IncludeDir", type, bytes);
        registry.Set(HKEY_CURRENT_USER, user, L"LibDir", type, bytes);
        registry.Set(HKEY_CURRENT_USER, std::wstring(kSettingsPath) + L"\\SelectedCompilers", L"PX32", type, bytes);
        auto model = MakeModel();
        EXPECT_EQ(Win32Compilers(model.Get()),
                  (std::vector<std::wstring>{label + L"12.0 [PX-32]", label + L"11.1.065 [PX-32]"}))
            << what;
        using M = IQZGeneralPPG;
        const std::tuple<std::string, HRESULT (STDMETHODCALLTYPE M::*)(int, BSTR*), HRESULT, std::string> reads[] = {
            // clang-format off
            {"doc", &M::get_CmplrDocPath, E_FAIL, ""},           {"info", &M::get_CmplrPackageInfo, E_FAIL, ""},
            {"include", &M::get_CmplrDefIncludePaths, S_OK, " 'user'"},
            {"bin", &M::get_CmplrDefBinPaths, S_OK, " '$(PATH)'"}, {"lib", &M::get_CmplrLibPaths, E_FAIL, ""},
            {"product", &M::GetCmplrProductDir, S_OK, " 'C:\\F\\'"},
            // clang-format on
        };
        for (const auto& [name, get, result, read] : reads) {
            CallOuts outs;
            EXPECT_EQ((model.Get()->*get)(1024, &outs.text), result) << name << ": " << what;
            EXPECT_EQ(outs.Take(), read) << name << ": " << what;
        }
        platform::Bstr win32(L"Win32");
        int handle = 0;
        EXPECT_EQ(model->GetSelectedCmplr(win32.Get(), &handle), S_OK);
        EXPECT_EQ(handle, -1) << what << ": an unreadable selection selects nothing";
    }
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

// Values that alone give 12.0.5; one malformed among them gives the name's
// 11.1.65. Well-formed ones are cut to 8, 8 and 16 bits, and a major version of
// 0 reads no further.
TEST_F(MalformedRegistryTest, MalformedVersionValuesFallBackToTheKeyName) {
    AddCompiler(L"11.1.065");
    const auto version = [&](std::initializer_list<std::tuple<const wchar_t*, DWORD, Bytes>> values) {
        for (const auto& [name, type, bytes] : values)
            registry.Set(HKEY_LOCAL_MACHINE, kVersions + L"11.1.065", name, type, bytes);
        const compilers::CCompilerTable table;
        return table.Count() == 1 ? table.At(0).version.OrderKey() : -1;
    };
    for (const auto& [what, type, bytes] : kBadNumbers) {
        for (const wchar_t* bad : {L"Major Version", L"Minor Version", L"Revision"}) {
            EXPECT_EQ(version({{L"Major Version", REG_DWORD, Number(12)},
                               {L"Minor Version", REG_DWORD, Number(0)},
                               {L"Revision", REG_DWORD, Number(5)},
                               {bad, type, bytes}}),
                      111065)
                << what << " in " << std::string(bad, bad + wcslen(bad));
        }
    }
    EXPECT_EQ(version({{L"Major Version", REG_DWORD, Number(0x10B)},
                       {L"Minor Version", REG_DWORD, Number(1)},
                       {L"Revision", REG_DWORD, Number(0x10048)}}),
              111072);
    EXPECT_EQ(version({{L"Major Version", REG_DWORD, Number(0)}, {L"Minor Version", REG_BINARY, {}}}), 0);
}

// Version keys are read with room for 9 characters: longer names are skipped.
TEST_F(MalformedRegistryTest, VersionKeyNamesPastTheirRoomAreSkipped) {
    AddCompiler(L"12.0.0001", L"nine");
    AddCompiler(L"12.0.00002", L"ten");
    AddCompiler(L"12.0." + std::wstring(250, L'1'), L"255");
    AddCompiler(L"11.1.\u00e9\u4e2d", L"beyond ASCII");  // parses as 11.1.0, which is offered
    AddCompiler(L"\u4e2d\u6587", L"no version");         // 0.0.0, never offered
    auto model = MakeModel();
    EXPECT_EQ(Win32Compilers(model.Get()), (std::vector<std::wstring>{L"nine", L"beyond ASCII"}));
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

// An enumeration that fails at one index skips that key; one that never ends
// (every later index failing) still ends, with what was read. The platform
// list ends at its failure.
TEST_F(MalformedRegistryTest, EnumerationsThatFailPartWay) {
    for (const wchar_t* name : {L"11.1.065", L"11.1.072", L"12.0.000"}) AddCompiler(name, name);
    registry.SetString(HKEY_LOCAL_MACHINE, kVersions + L"12.0.000\\HY64", L"ProductDir", L"C:\\F\\");
    registry.SetDword(HKEY_CURRENT_USER, kSettingsPath, L"GapLevel", 0);  // past the first run: one walk per model
    for (const wchar_t* name : {L"Win32", L"Win64 (AMD64)", L"Win64 (Ventrix)"})
        registry.SetString(HKEY_LOCAL_MACHINE, kVcPlatforms + name, L"", L"");
    const std::tuple<std::wstring, bool, std::vector<std::wstring>, int> cases[] = {
        // key, forever, Win32, supported
        {kMachineCompilers, false, {L"12.0.000", L"11.1.065"}, 2},
        {kMachineCompilers, true, {L"11.1.065"}, 1},
        {kMachineVc, false, {L"12.0.000", L"11.1.072", L"11.1.065"}, 1},
        {kMachineVc, true, {L"12.0.000", L"11.1.072", L"11.1.065"}, 1},
    };
    for (const auto& [key, forever, win32, supported] : cases) {
        size_t calls = 0;
        registry.SetFaultHook([&](platform::RegOp op, const std::wstring& path, const wchar_t*) -> LONG {
            if (op != platform::RegOp::EnumKey || _wcsicmp(path.c_str(), key.c_str()) != 0) return ERROR_SUCCESS;
            return ++calls == 2 || (forever && calls > 2) ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
        });
        auto model = MakeModel();
        EXPECT_EQ(Win32Compilers(model.Get()), win32);
        int count = 0;
        platform::SafeArray list;
        EXPECT_EQ(model->GetSupportedPlatformsList(&count, list.Put()), S_OK);
        EXPECT_EQ(count, supported);
        registry.SetFaultHook({});
        EXPECT_EQ(registry.OpenHandleCount(), 0u);
    }
}

// The platforms the VC component builds for: up to the first name that cannot
// be read (31 characters fit), in the model's spelling; Win32 and x64 when the
// VC component's key cannot be opened.
TEST(VcPlatformListTest, ReadsNormalisedNamesUpToTheFirstFailure) {
    using Lines = std::vector<std::wstring>;
    const std::wstring name31 = L"M" + std::wstring(30, L'x');
    const std::tuple<int, Lines, Lines> cases[] = {
        // key missing (0), denied (1) or there (2); subkeys; list
        // clang-format off
        {0, {}, {L"Win32", L"x64"}}, {1, {L"Itanium"}, {L"Win32", L"x64"}}, {2, {}, {}},
        {2, {L"Itanium", L"win32", L"Win64 (AMD64)", L"WIN64 (VENTRIX)"}, {L"Itanium", L"Win32", L"x64", L"Ventrix"}},
        {2, {L"A", name31, L"N" + std::wstring(31, L'x'), L"Z"}, {L"A", name31}},
        // clang-format on
    };
    for (const auto& [state, subkeys, expected] : cases) {
        MemoryRegistry registry;
        platform::ScopedRegistry scope(registry);
        if (state) registry.SetString(HKEY_LOCAL_MACHINE, kVcPlatforms, L"", L"");
        for (const std::wstring& subkey : subkeys)
            registry.SetString(HKEY_LOCAL_MACHINE, kVcPlatforms + subkey, L"", L"");
        if (state == 1) registry.FailOn(platform::RegOp::Open, kMachineVc, ERROR_ACCESS_DENIED);
        EXPECT_EQ(compilers::ReadVcPlatformList(), expected) << state << subkeys.size();
        EXPECT_EQ(registry.OpenHandleCount(), 0u);
    }
}

}  // namespace
}  // namespace qz::test
