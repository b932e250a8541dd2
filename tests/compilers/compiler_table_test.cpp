#include <gtest/gtest.h>

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "compilers/compiler_table.h"
#include "platform/registry_read.h"
#include "platform/com_ptr.h"
#include "testing/memory_registry.h"
#include "platform/registry.h"
#include "testing/registry_sandbox.h"
#include "module/registry_layout.h"

namespace qz::compilers {
namespace {

using test::MemoryRegistry;
using Lines = std::vector<std::wstring>;

const std::wstring kRoot = module::kCompilersKey;

// "11.1.65 PX32_PX32 11.1.065\PX32": version, key, subkey path below kRoot.
Lines Describe(const CCompilerTable& table) {
    Lines lines;
    for (size_t i = 0; i < table.Count(); ++i) {
        const CCompilerRecord& r = table.At(i);
        EXPECT_EQ(r.registryKey.rfind(r.versionKey + L"\\", 0), 0u) << r.registryKey;
        EXPECT_EQ(r.root, HKEY_LOCAL_MACHINE);
        lines.push_back(std::to_wstring(r.version.major) + L"." + std::to_wstring(r.version.minor) + L"." +
                        std::to_wstring(r.version.revision) + L" " + r.compilerKey + L" " +
                        r.registryKey.substr(kRoot.size() + 1));
    }
    return lines;
}

class CompilerTableTest : public ::testing::Test {
protected:
    void Add(const std::wstring& name, std::initializer_list<const wchar_t*> subkeys) {
        for (const wchar_t* subkey : subkeys)
            registry.SetString(HKEY_LOCAL_MACHINE, kRoot + L"\\" + name + L"\\" + subkey, L"ProductDir", L"C:\\");
    }
    void SetNumber(const std::wstring& name, const wchar_t* value, DWORD number) {
        registry.SetDword(HKEY_LOCAL_MACHINE, kRoot + L"\\" + name, value, number);
    }
    void SetVersion(const std::wstring& name, DWORD major, DWORD minor, DWORD revision) {
        SetNumber(name, L"Major Version", major);
        SetNumber(name, L"Minor Version", minor);
        SetNumber(name, L"Revision", revision);
    }
    Lines Build() {
        const CCompilerTable table;
        EXPECT_EQ(registry.OpenHandleCount(), 0u);
        return Describe(table);
    }

    MemoryRegistry registry;
    platform::ScopedRegistry scope{registry};
};

// Keys that cannot be opened or enumerated are dropped as if missing: the fault
// sweep and the malformed-registry tests show it through the model.
TEST_F(CompilerTableTest, ProbesTheFiveSubkeysInOrderAndIgnoresDashAndLongNames) {
    EXPECT_EQ(Build(), Lines{});
    Add(L"11.1.065", {L"HY64", L"PX32", L"Other"});
    Add(L"12.0.001", {L"Ventrix_NATIVE", L"HY64_NATIVE", L"HY64", L"Ventrix", L"PX32"});
    Add(L"-11.1.066", {L"PX32"});
    Add(L"11.1.065.01", {L"PX32"});
    EXPECT_EQ(Build(), (Lines{L"11.1.65 PX32_PX32 11.1.065\\PX32", L"11.1.65 PX32_HY64 11.1.065\\HY64",
                              L"12.0.1 PX32_PX32 12.0.001\\PX32", L"12.0.1 PX32_Ventrix 12.0.001\\Ventrix",
                              L"12.0.1 PX32_HY64 12.0.001\\HY64", L"12.0.1 HY64_HY64 12.0.001\\HY64_NATIVE",
                              L"12.0.1 Ventrix_Ventrix 12.0.001\\Ventrix_NATIVE"}));
}

// Missing values fall back to the name (malformed ones are the malformed-registry
// tests'); a major of 0 reads no further.
TEST_F(CompilerTableTest, TakesTheVersionValuesOnlyWhenAllThatAreReadAreNumbers) {
    for (const wchar_t* name : {L"A", L"12.0.002", L"12.0.004"}) Add(name, {L"PX32"});
    SetVersion(L"A", 0x10B, 1, 0x10048);  // cut to 8, 8 and 16 bits
    SetNumber(L"12.0.002", L"Major Version", 11);
    SetNumber(L"12.0.002", L"Minor Version", 1);
    SetVersion(L"12.0.004", 0, 1, 5);
    EXPECT_EQ(Build(), (Lines{L"0.0.0 PX32_PX32 12.0.004\\PX32", L"11.1.72 PX32_PX32 A\\PX32",
                              L"12.0.2 PX32_PX32 12.0.002\\PX32"}));
}

TEST_F(CompilerTableTest, SortsAscendingAndKeepsEnumerationOrderOfEqualVersions) {
    Add(L"120.001", {L"PX32"});  // enumerated first
    Add(L"9.1.032", {L"PX32"});
    Lines expected{L"9.1.32 PX32_PX32 9.1.032\\PX32"}, later{L"12.0.1 PX32_PX32 120.001\\PX32"};
    // Enough equal versions that an unstable sort would show.
    for (int i = 10; i < 40; ++i) {
        const std::wstring name = L"K" + std::to_wstring(i);
        const bool odd = i % 2;
        Add(name, {L"PX32"});
        SetVersion(name, odd ? 12 : 11, odd ? 0 : 1, odd ? 1 : 65);
        (odd ? later : expected).push_back((odd ? L"12.0.1 PX32_PX32 " : L"11.1.65 PX32_PX32 ") + name + L"\\PX32");
    }
    expected.insert(expected.end(), later.begin(), later.end());
    EXPECT_EQ(Build(), expected);
}

TEST(CompilerTableWin32Test, ReadsTheRealRegistry) {
    test::RegistrySandbox sandbox;
    platform::RegKey key;
    for (const wchar_t* path : {L"12.0.001\\PX32", L"11.1.065.01\\PX32", L"-1\\PX32", L"X\\HY64_NATIVE", L"X"})
        ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, (kRoot + L"\\" + path).c_str(), KEY_READ | KEY_WRITE), ERROR_SUCCESS);
    key.WriteDword(L"Major Version", 11);
    key.WriteDword(L"Minor Version", 1);
    key.WriteDword(L"Revision", 65);
    key.Close();
    EXPECT_EQ(Describe(CCompilerTable()),
              (Lines{L"11.1.65 HY64_HY64 X\\HY64_NATIVE", L"12.0.1 PX32_PX32 12.0.001\\PX32"}));
}

TEST(ReadRegStringTest, ReadsTextsFromTheHiveOrMachineThenUser) {
    enum Stored { None, Text, Number };
    const struct {
        HKEY root;
        Stored machine, user;
        HRESULT result;
        const wchar_t* text;
    } cases[] = {
        {nullptr, Text, Text, S_OK, L"M%X%"},        {nullptr, None, Text, S_OK, L"U"},
        {nullptr, Number, Text, S_OK, L"U"},         {nullptr, Number, Number, E_FAIL, nullptr},
        {nullptr, None, None, E_FAIL, nullptr},      {HKEY_LOCAL_MACHINE, None, Text, E_FAIL, nullptr},
        {HKEY_CURRENT_USER, Text, Text, S_OK, L"U"},
    };
    for (const auto& c : cases) {
        MemoryRegistry registry;
        platform::ScopedRegistry scope(registry);
        const auto store = [&](HKEY hive, Stored stored, const wchar_t* text) {
            if (stored == Text) registry.SetString(hive, L"K", L"V", text, REG_EXPAND_SZ);
            if (stored == Number) registry.SetDword(hive, L"K", L"V", 1);
        };
        store(HKEY_LOCAL_MACHINE, c.machine, L"M%X%");
        store(HKEY_CURRENT_USER, c.user, L"U");
        platform::Bstr earlier(L"earlier");
        BSTR text = earlier.Get();
        EXPECT_EQ(platform::ReadRegString(c.root, L"K", L"V", &text), c.result);
        platform::Bstr owned;
        owned.Attach(text);
        if (c.text) {
            EXPECT_STREQ(owned.Text(), c.text);
        } else {
            EXPECT_EQ(owned.Detach(), nullptr);
        }
        EXPECT_EQ(platform::RegValueExists(c.root ? c.root : HKEY_LOCAL_MACHINE, L"K", L"V"),
                  (c.root == HKEY_CURRENT_USER ? c.user : c.machine) != None);
        EXPECT_EQ(registry.OpenHandleCount(), 0u);
    }
}

}  // namespace
}  // namespace qz::compilers
