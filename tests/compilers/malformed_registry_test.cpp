// Registry data as installers, other tools and damaged hives leave it: values
// of every wrong type, odd byte lengths, texts without their terminating zero,
// empty values, key names at and past the lengths the system reads, names
// beyond ASCII, thousands of version keys and enumerations that fail part-way.
// A malformed value reads as missing (a default, a fallback, a dropped
// record), never as garbage.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "compilers/compiler_table.h"
#include "platform/host.h"
#include "satellite/resource_ids.h"
#include "support/model_fixture.h"
#include "support/sweep_calls.h"
#include "module/registry_layout.h"

namespace qz::test {
namespace {

using platform::Bstr;
using platform::RegOp;
using platform::SafeArray;
using Bytes = std::vector<BYTE>;

const std::wstring kVersions = std::wstring(module::kCompilersKey) + L"\\";
const std::wstring kVcPlatforms = L"Software\\Microsoft\\VisualStudio\\8.0\\VC\\VC_OBJECTS_PLATFORM_INFO\\";

Bytes TextBytes(const std::wstring& text, bool terminated) {
    const auto* data = reinterpret_cast<const BYTE*>(text.c_str());
    return Bytes(data, data + (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
}
Bytes Number(DWORD value, size_t length = 4) {
    Bytes bytes(length, 0);
    for (size_t i = 0; i < length && i < 4; ++i) bytes[i] = static_cast<BYTE>(value >> (8 * i));
    return bytes;
}

// A stored value that is not what its reader wants, and the reading it gets.
struct Stored {
    const char* what;
    DWORD type;
    Bytes bytes;
};

// Malformed for every text reader; a few forms are readable and listed apart.
std::vector<Stored> BadTexts() {
    return {
        {"REG_SZ without terminating zero", REG_SZ, TextBytes(L"C:\\x", false)},
        {"REG_SZ of an odd byte length", REG_SZ, Bytes{'C', 0, ':', 0, 0}},
        {"REG_SZ of no bytes", REG_SZ, {}},
        {"REG_SZ of one byte", REG_SZ, Bytes{0}},
        {"REG_DWORD", REG_DWORD, Number(7)},
        {"REG_BINARY of a text", REG_BINARY, TextBytes(L"C:\\x", true)},
        {"REG_MULTI_SZ", REG_MULTI_SZ, TextBytes(std::wstring(L"C:\\x\0", 5), true)},
        {"REG_NONE", REG_NONE, {}},
    };
}
std::vector<Stored> BadNumbers() {
    return {
        {"REG_DWORD of 3 bytes", REG_DWORD, Number(3, 3)},
        {"REG_DWORD of 8 bytes", REG_DWORD, Number(3, 8)},
        {"REG_DWORD of no bytes", REG_DWORD, {}},
        {"REG_QWORD", REG_QWORD, Number(3, 8)},
        {"REG_DWORD_BIG_ENDIAN", REG_DWORD_BIG_ENDIAN, Number(3)},
        {"REG_BINARY of 4 bytes", REG_BINARY, Number(3)},
        {"REG_SZ of a number", REG_SZ, TextBytes(L"3", true)},
    };
}

class MalformedRegistryTest : public ModelFixture {
protected:
    MalformedRegistryTest() : host_(false) {}

    void AddCompiler(const std::wstring& versionKey, const std::wstring& display = L"") {
        registry.SetString(HKEY_LOCAL_MACHINE, kVersions + versionKey + L"\\PX32", L"ProductDir", L"C:\\F\\");
        if (!display.empty()) {
            registry.SetString(HKEY_LOCAL_MACHINE, kVersions + versionKey + L"\\PX32", L"DisplayString", display);
        }
    }
    std::wstring DefaultDisplay(const std::wstring& version) {
        return ResourceText(IDS_CMPLR_DISPLAY_LABEL) + L"  " + version + L" [PX-32]";
    }
    std::vector<std::wstring> Win32Compilers(IQZGeneralPPG* model) {
        Bstr win32(L"Win32");
        SafeArray names, handles;
        EXPECT_EQ(model->get_PlatformCmplrs(win32.Get(), names.Put(), handles.Put()), S_OK);
        return names.Texts();
    }
    std::string Option(IQZGeneralPPG* model, int ordinal) {
        CallOuts outs;
        EXPECT_EQ(model->GetProperty(PropertyID(ordinal), &outs.value), S_OK);
        return outs.Take();
    }

private:
    platform::ScopedX64Host host_;
};

TEST_F(MalformedRegistryTest, MalformedOptionValuesReadAsTheirDefaults) {
    auto model = MakeModel();
    const std::string textDefault = Option(model.Get(), 0), numberDefault = Option(model.Get(), 4);
    // A value read as missing is left as it was until the next write.
    using Value = test::MemoryRegistry::Value;
    for (const Stored& bad : BadTexts()) {
        registry.Set(HKEY_CURRENT_USER, kSettingsPath, L"ExtFree", bad.type, bad.bytes);
        EXPECT_EQ(Option(model.Get(), 0), textDefault) << bad.what;
        EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, kSettingsPath, L"ExtFree"), (Value{bad.type, bad.bytes})) << bad.what;
    }
    for (const Stored& bad : BadNumbers()) {
        registry.Set(HKEY_CURRENT_USER, kSettingsPath, L"LogBuilds", bad.type, bad.bytes);
        EXPECT_EQ(Option(model.Get(), 4), numberDefault) << bad.what;
        EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, kSettingsPath, L"LogBuilds"), (Value{bad.type, bad.bytes}))
            << bad.what;
    }
    // Readable, if unusual: kept as stored.
    registry.Set(HKEY_CURRENT_USER, kSettingsPath, L"ExtFree", REG_EXPAND_SZ, TextBytes(L"%EXT%", true));
    EXPECT_EQ(Option(model.Get(), 0), " '%EXT%'");
    registry.Set(HKEY_CURRENT_USER, kSettingsPath, L"ExtFree", REG_SZ, TextBytes(L"", true));
    EXPECT_EQ(Option(model.Get(), 0), " ''") << "an empty text is a value, not a missing one";
    registry.Set(HKEY_CURRENT_USER, kSettingsPath, L"ExtFree", REG_SZ, TextBytes(L".f\u00e9;.\u4e2d", true));
    EXPECT_EQ(Option(model.Get(), 0), " '.f?;.?'");
    // Written with room to spare, as some installers do: the text ends at its zeros.
    registry.Set(HKEY_CURRENT_USER, kSettingsPath, L"ExtFree", REG_SZ, TextBytes(std::wstring(L".f\0\0", 4), true));
    EXPECT_EQ(Option(model.Get(), 0), std::string(" '.f'"));
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
    std::printf("malformed registry: %zu text and %zu number forms in an option\n", BadTexts().size(),
                BadNumbers().size());
}

TEST_F(MalformedRegistryTest, MalformedCompilerDataFallsBackOrFails) {
    const std::wstring key = kVersions + L"12.0.000\\PX32";
    const std::wstring user = std::wstring(kSettingsPath) + L"\\120.000\\PX32_PX32";
    const std::wstring selection = std::wstring(kSettingsPath) + L"\\SelectedCompilers";
    AddCompiler(L"11.1.065");
    AddCompiler(L"12.0.000");
    for (const Stored& bad : BadTexts()) {
        for (const wchar_t* name : {L"DisplayString", L"DocumentationDir", L"CompilerInfo"}) {
            registry.Set(HKEY_LOCAL_MACHINE, key, name, bad.type, bad.bytes);
        }
        registry.Set(HKEY_LOCAL_MACHINE, key + L"\\VSNet2005", L"IncludeDir", bad.type, bad.bytes);
        registry.Set(HKEY_LOCAL_MACHINE, key, L"BinDir", bad.type, bad.bytes);
        registry.Set(HKEY_CURRENT_USER, user, L"LibDir", bad.type, bad.bytes);
        registry.Set(HKEY_CURRENT_USER, selection, L"PX32", bad.type, bad.bytes);
        auto model = MakeModel();
        EXPECT_EQ(Win32Compilers(model.Get()),
                  (std::vector<std::wstring>{DefaultDisplay(L"12.0"), DefaultDisplay(L"11.1.065")}))
            << bad.what;
        Bstr text;
        EXPECT_EQ(model->get_CmplrDocPath(1024, text.Put()), E_FAIL) << bad.what;
        EXPECT_EQ(model->get_CmplrPackageInfo(1024, text.Put()), E_FAIL) << bad.what;
        EXPECT_EQ(model->get_CmplrDefIncludePaths(1024, text.Put()), E_FAIL) << bad.what;
        EXPECT_EQ(text.Get(), nullptr);
        EXPECT_EQ(model->get_CmplrDefBinPaths(1024, text.Put()), S_OK) << bad.what;
        EXPECT_STREQ(text.Text(), L"$(PATH)") << bad.what;
        // The user's own value is used when present, even when unreadable.
        EXPECT_EQ(model->get_CmplrLibPaths(1024, text.Put()), E_FAIL) << bad.what;
        // Written with room to spare: the directory ends at its zeros, and nothing is appended past them.
        registry.Set(HKEY_LOCAL_MACHINE, key, L"ProductDir", REG_SZ, TextBytes(std::wstring(L"C:\\F\\\0\0", 6), true));
        EXPECT_EQ(model->GetCmplrProductDir(1024, text.Put()), S_OK);
        EXPECT_EQ(std::wstring(text.Text(), text.Length()), L"C:\\F\\");
        int handle = 0;
        Bstr win32(L"Win32");
        EXPECT_EQ(model->GetSelectedCmplr(win32.Get(), &handle), S_OK) << bad.what;
        EXPECT_EQ(handle, -1) << bad.what << ": an unreadable selection selects nothing";
    }
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
    std::printf("malformed registry: %zu text forms in 8 compiler values\n", BadTexts().size());
}

TEST_F(MalformedRegistryTest, MalformedVersionValuesFallBackToTheKeyName) {
    const std::wstring versionKey = kVersions + L"11.1.065";
    AddCompiler(L"11.1.065");
    // Values that alone would give 12.0.5; one malformed value among them gives the name's 11.1.65.
    for (const Stored& bad : BadNumbers()) {
        for (const wchar_t* name : {L"Major Version", L"Minor Version", L"Revision"}) {
            registry.SetDword(HKEY_LOCAL_MACHINE, versionKey, L"Major Version", 12);
            registry.SetDword(HKEY_LOCAL_MACHINE, versionKey, L"Minor Version", 0);
            registry.SetDword(HKEY_LOCAL_MACHINE, versionKey, L"Revision", 5);
            registry.Set(HKEY_LOCAL_MACHINE, versionKey, name, bad.type, bad.bytes);
            const compilers::CCompilerTable table;
            ASSERT_EQ(table.Count(), 1u) << bad.what;
            EXPECT_EQ(table.At(0).version.OrderKey(), 111065)
                << bad.what << " in " << std::string(name, name + wcslen(name));
        }
    }
    std::printf("malformed registry: %zu number forms in 3 version values\n", BadNumbers().size());
}

// Key names as the enumeration meets them: the compilers' version keys are read
// with room for 9 characters, the VC component's platforms with room for 31.
TEST_F(MalformedRegistryTest, KeyNamesPastTheirRoomAreSkippedOrEndTheList) {
    AddCompiler(L"12.0.0001", L"nine");                       // 9 characters: read
    AddCompiler(L"12.0.00001", L"ten");                       // 10: skipped
    AddCompiler(L"12.0." + std::wstring(250, L'1'), L"255");  // 255: skipped
    AddCompiler(L"11.1.\u00e9\u4e2d", L"beyond ASCII");       // parses as 11.1.0, which is offered
    AddCompiler(L"\u4e2d\u6587", L"no version");              // 0.0.0, never offered
    registry.SetString(HKEY_LOCAL_MACHINE, kVcPlatforms + L"Win32", L"", L"");
    // Enumerated between Win32 and Win64 (AMD64), as names compare upper-cased.
    registry.SetString(HKEY_LOCAL_MACHINE, kVcPlatforms + L"Win4" + std::wstring(251, L'x'), L"", L"");
    registry.SetString(HKEY_LOCAL_MACHINE, kVcPlatforms + L"Win64 (AMD64)", L"", L"");
    auto model = MakeModel();
    EXPECT_EQ(Win32Compilers(model.Get()), (std::vector<std::wstring>{L"nine", L"beyond ASCII"}));
    Bstr x64(L"x64");
    LONG supported = kUntouched;
    int count = 0;
    SafeArray list;
    EXPECT_EQ(model->GetSupportedPlatformsList(&count, list.Put()), S_OK);
    EXPECT_EQ(count, 1) << "the 255-character platform ends the list before Win64 (AMD64)";
    EXPECT_EQ(model->IsPlatformSupported(x64.Get(), &supported), S_OK);
    EXPECT_EQ(supported, kUntouched) << "no x64 compiler, so no x64 entry";
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

TEST_F(MalformedRegistryTest, TenThousandVersionKeysAreListedHighestFirst) {
    for (int i = 0; i < 10000; ++i) {
        wchar_t name[16];
        swprintf(name, 16, L"12.0.%04d", i);
        registry.SetString(HKEY_LOCAL_MACHINE, kVersions + name + L"\\PX32", L"DisplayString", name);
    }
    auto model = MakeModel();
    const std::vector<std::wstring> listed = Win32Compilers(model.Get());
    ASSERT_EQ(listed.size(), 10000u);
    EXPECT_EQ(listed.front(), L"12.0.9999");
    EXPECT_EQ(listed.back(), L"12.0.0000");
    Bstr version;
    EXPECT_EQ(model->get_CmplrVersionString(1024 + 9999, version.Put()), S_OK);
    EXPECT_STREQ(version.Text(), L"12.0");
    EXPECT_EQ(model->get_CmplrVersionString(1024 + 10000, version.Put()), E_INVALIDARG);
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

// An enumeration that fails at one index skips that key; one that never ends
// (every later index failing) still ends, with what was read.
TEST_F(MalformedRegistryTest, EnumerationsThatFailPartWay) {
    for (const wchar_t* name : {L"11.1.065", L"11.1.072", L"12.0.000"}) AddCompiler(name, name);
    registry.SetString(HKEY_LOCAL_MACHINE, kVersions + L"12.0.000\\HY64", L"ProductDir", L"C:\\F\\");
    // A user past the first run: the compilers are enumerated once per model.
    registry.SetDword(HKEY_CURRENT_USER, kSettingsPath, L"GapLevel", 0);
    registry.SetString(HKEY_LOCAL_MACHINE, kVcPlatforms + L"Win32", L"", L"");
    registry.SetString(HKEY_LOCAL_MACHINE, kVcPlatforms + L"Win64 (AMD64)", L"", L"");
    registry.SetString(HKEY_LOCAL_MACHINE, kVcPlatforms + L"Win64 (Ventrix)", L"", L"");
    struct Failing {
        const wchar_t* key;
        bool forever;
        std::vector<std::wstring> win32;
        int supported;
    };
    const std::wstring compilersKey = L"HKEY_LOCAL_MACHINE\\" + std::wstring(module::kCompilersKey);
    const std::wstring vcKey = L"HKEY_LOCAL_MACHINE\\" + kVcPlatforms.substr(0, kVcPlatforms.size() - 1);
    const Failing cases[] = {
        {compilersKey.c_str(), false, {L"12.0.000", L"11.1.065"}, 2},
        {compilersKey.c_str(), true, {L"11.1.065"}, 1},
        // The platform list ends at the failure: only Win32 counts as supported, not x64.
        {vcKey.c_str(), false, {L"12.0.000", L"11.1.072", L"11.1.065"}, 1},
        {vcKey.c_str(), true, {L"12.0.000", L"11.1.072", L"11.1.065"}, 1},
    };
    for (const Failing& c : cases) {
        std::size_t calls = 0;
        registry.SetFaultHook([&](RegOp op, const std::wstring& key, const wchar_t*) -> LONG {
            if (op != RegOp::EnumKey || _wcsicmp(key.c_str(), c.key) != 0) return ERROR_SUCCESS;
            ++calls;
            return calls == 2 || (c.forever && calls > 2) ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
        });
        auto model = MakeModel();
        EXPECT_EQ(Win32Compilers(model.Get()), c.win32);
        int count = 0;
        SafeArray list;
        EXPECT_EQ(model->GetSupportedPlatformsList(&count, list.Put()), S_OK);
        EXPECT_EQ(count, c.supported);
        registry.SetFaultHook({});
        EXPECT_EQ(registry.OpenHandleCount(), 0u);
    }
}

}  // namespace
}  // namespace qz::test
