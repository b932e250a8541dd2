#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "testing/memory_registry.h"
#include "registration/script_engine.h"

namespace qz::registration {
namespace {

using platform::RegOp;
using platform::ScopedRegistry;
using test::MemoryRegistry;
using Value = MemoryRegistry::Value;

// Shaped like the package's own script: a NoRemove chain from variables, ForceRemove
// trees below NoRemove keys, a val under a NoRemove key, plain keys, and a second
// tree that reaches into keys the first one makes.
constexpr char16_t kScript[] =
    uR"(HKLM {
  %REGROOTBEGIN%
    NoRemove Packages {
      ForceRemove {0DE3E8C5-8C7F-4C1F-97D6-59D5AEBDAFFC} = s 'Tool Options Package' {
        val InprocServer32 = s '%MODULE%'
        SatelliteDll { val Path = s '%MODULE%' }
      }
    }
    NoRemove Menus { val {0DE3E8C5-8C7F-4C1F-97D6-59D5AEBDAFFC} = s ', 1000, 1' }
    NoRemove ToolsOptionsPages {
      ForceRemove 'Tavrel Fortran' = s '#256' { val Sort = d 1000  General { val Data = b 'DEADBEEF' } }
    }
    Shared { Mine = s 'x' }
    Common { Mine = s 'y' }
  %REGROOTEND%
}
HKLM { NoRemove Software { NoRemove Vendor { ForceRemove Extra = d 1 } } }
)";

const std::wstring kHive = L"Software\\Vendor\\8.0";
const std::wstring kPackage = kHive + L"\\Packages\\{0DE3E8C5-8C7F-4C1F-97D6-59D5AEBDAFFC}";
const std::wstring kPages = kHive + L"\\ToolsOptionsPages\\Tavrel Fortran";
const std::wstring kModule = L"C:\\it's here\\QZToolOpt.dll";

HRESULT RunPackageScript(ScriptMode mode) {
    const std::vector<core::ScriptVariable> variables = {
        {u"REGROOTBEGIN", u"NoRemove Software\n{\nNoRemove Vendor\n{\nNoRemove 8.0\n{\n"},
        {u"REGROOTEND", u"}\n}\n}\n"},
        {u"MODULE", std::u16string(kModule.begin(), kModule.end())}};
    core::ScriptError error;
    const HRESULT hr = RunScript(kScript, variables, mode, &error);
    EXPECT_EQ(error.line, 0u) << std::string(error.message.begin(), error.message.end());
    return hr;
}

void CollectKeys(MemoryRegistry& registry, HKEY key, const std::wstring& path, std::vector<std::wstring>* keys) {
    wchar_t name[256];
    DWORD chars = 256;
    for (DWORD i = 0; registry.EnumKey(key, i, name, &chars) == ERROR_SUCCESS; ++i, chars = 256) {
        const std::wstring childPath = path + L"\\" + name;
        keys->push_back(childPath);
        HKEY child = nullptr;
        ASSERT_EQ(registry.OpenKey(key, name, KEY_READ, &child), ERROR_SUCCESS);
        CollectKeys(registry, child, childPath, keys);
        registry.CloseKey(child);
    }
}

std::vector<std::wstring> Keys(MemoryRegistry& registry) {
    std::vector<std::wstring> keys;
    const struct {
        HKEY key;
        const wchar_t* name;
    } roots[] = {{HKEY_CLASSES_ROOT, L"HKCR"},
                 {HKEY_CURRENT_USER, L"HKCU"},
                 {HKEY_LOCAL_MACHINE, L"HKLM"},
                 {HKEY_USERS, L"HKU"},
                 {HKEY_CURRENT_CONFIG, L"HKCC"}};
    for (const auto& root : roots) CollectKeys(registry, root.key, root.name, &keys);
    std::sort(keys.begin(), keys.end());
    return keys;
}

// What another product keeps beside ours: a package, a menu value, a subkey of
// one of our plain keys and the default value of the other.
const struct {
    std::wstring path, name;
    Value value;
} kTheirs[] = {
    {kHive + L"\\Packages\\{OTHER}", L"", Value::String(L"other")},
    {kHive + L"\\Menus", L"{OTHER}", Value::String(L", 2000, 1")},
    {kHive + L"\\Shared\\Foreign", L"N", Value::Dword(1)},
    {kHive + L"\\Common", L"", Value::String(L"theirs")},
};

void Populate(MemoryRegistry& registry) {
    for (const auto& theirs : kTheirs) registry.Set(HKEY_LOCAL_MACHINE, theirs.path, theirs.name, theirs.value);
}

void ExpectPopulated(const MemoryRegistry& registry) {
    for (const auto& theirs : kTheirs) {
        EXPECT_EQ(registry.Get(HKEY_LOCAL_MACHINE, theirs.path, theirs.name), theirs.value) << theirs.path;
    }
}

// A second run replaces the ForceRemove trees instead of merging into them.
TEST(ScriptEngineTest, RegisterWritesEveryEntryOnceWithItsType) {
    MemoryRegistry registry;
    ScopedRegistry scope(registry);
    ASSERT_EQ(RunPackageScript(ScriptMode::Register), S_OK);
    const std::vector<std::wstring> once = Keys(registry);
    registry.SetString(HKEY_LOCAL_MACHINE, kPackage, L"Stale", L"old");
    registry.SetString(HKEY_LOCAL_MACHINE, kPages + L"\\Old", L"", L"old");
    ASSERT_EQ(RunPackageScript(ScriptMode::Register), S_OK);
    EXPECT_EQ(Keys(registry), once);
    EXPECT_FALSE(registry.Get(HKEY_LOCAL_MACHINE, kPackage, L"Stale"));

    const struct {
        std::wstring path, name;
        Value value;
    } cases[] = {
        {kPackage, L"", Value::String(L"Tool Options Package")},
        {kPackage, L"InprocServer32", Value::String(kModule)},
        {kPackage + L"\\SatelliteDll", L"Path", Value::String(kModule)},
        {kHive + L"\\Menus", L"{0DE3E8C5-8C7F-4C1F-97D6-59D5AEBDAFFC}", Value::String(L", 1000, 1")},
        {kPages, L"", Value::String(L"#256")},
        {kPages, L"Sort", Value::Dword(1000)},
        {kPages + L"\\General", L"Data", Value{REG_BINARY, {0xDE, 0xAD, 0xBE, 0xEF}}},
        {kHive + L"\\Shared\\Mine", L"", Value::String(L"x")},
        {L"Software\\Vendor\\Extra", L"", Value::Dword(1)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(registry.Get(HKEY_LOCAL_MACHINE, c.path, c.name), c.value) << c.path << L" " << c.name;
    }
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

TEST(ScriptEngineTest, UnregisterLeavesNoRemoveKeysAndWhatStoodBefore) {
    MemoryRegistry registry;
    ScopedRegistry scope(registry);
    EXPECT_EQ(RunPackageScript(ScriptMode::Unregister), S_OK);
    EXPECT_TRUE(Keys(registry).empty());

    // A key the registration made stays while another package's value is in it.
    ASSERT_EQ(RunPackageScript(ScriptMode::Register), S_OK);
    registry.SetString(HKEY_LOCAL_MACHINE, kHive + L"\\Menus", L"{Third}", L", 1001, 1");
    EXPECT_EQ(RunPackageScript(ScriptMode::Unregister), S_OK);
    EXPECT_TRUE(registry.Get(HKEY_LOCAL_MACHINE, kHive + L"\\Menus", L"{Third}"));
    ASSERT_EQ(registry.DeleteTree(HKEY_LOCAL_MACHINE, L"Software"), ERROR_SUCCESS);

    Populate(registry);
    std::vector<std::wstring> expected = Keys(registry);
    ASSERT_EQ(RunPackageScript(ScriptMode::Register), S_OK);
    EXPECT_EQ(RunPackageScript(ScriptMode::Unregister), S_OK);

    // The only key left behind is the NoRemove key the registration made.
    expected.push_back(L"HKLM\\" + kHive + L"\\ToolsOptionsPages");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Keys(registry), expected);
    ExpectPopulated(registry);
    EXPECT_FALSE(registry.Get(HKEY_LOCAL_MACHINE, kHive + L"\\Menus", L"{0DE3E8C5-8C7F-4C1F-97D6-59D5AEBDAFFC}"));
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

// Whatever fails, and wherever, the registry is left as it was found: keys the
// run made are gone, NoRemove keys that stood before stay, and so does what
// others keep beside us. The last failure lies in the second tree, whose keys
// the first tree made.
TEST(ScriptEngineTest, FailedRegistrationIsUndone) {
    const std::wstring hklm = L"HKEY_LOCAL_MACHINE\\";
    const struct {
        RegOp op;
        std::wstring path;
    } failures[] = {
        {RegOp::DeleteTree, hklm + kPackage},
        {RegOp::SetValue, hklm + kPackage},
        {RegOp::Create, hklm + kPackage + L"\\SatelliteDll"},
        {RegOp::SetValue, hklm + kHive + L"\\Menus"},
        {RegOp::SetValue, hklm + kPages + L"\\General"},
        {RegOp::SetValue, hklm + kHive + L"\\Common\\Mine"},
        {RegOp::SetValue, hklm + L"Software\\Vendor\\Extra"},
    };
    for (const bool populated : {false, true}) {
        for (const auto& failure : failures) {
            SCOPED_TRACE(std::string(failure.path.begin(), failure.path.end()) + (populated ? " populated" : ""));
            MemoryRegistry registry;
            ScopedRegistry scope(registry);
            if (populated) Populate(registry);
            const std::vector<std::wstring> before = Keys(registry);
            registry.FailOn(failure.op, failure.path, ERROR_ACCESS_DENIED);

            EXPECT_EQ(RunPackageScript(ScriptMode::Register), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
            EXPECT_EQ(Keys(registry), before);
            if (populated) ExpectPopulated(registry);
            EXPECT_EQ(registry.OpenHandleCount(), 0u);
        }
    }
}

TEST(ScriptEngineTest, UnregisterGoesOnPastFailures) {
    MemoryRegistry registry;
    ScopedRegistry scope(registry);
    ASSERT_EQ(RunPackageScript(ScriptMode::Register), S_OK);
    registry.FailOn(RegOp::DeleteTree, L"HKEY_LOCAL_MACHINE\\" + kPackage, ERROR_ACCESS_DENIED);

    EXPECT_EQ(RunPackageScript(ScriptMode::Unregister), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(registry.KeyExists(HKEY_LOCAL_MACHINE, kPackage));
    EXPECT_FALSE(registry.KeyExists(HKEY_LOCAL_MACHINE, kPages));
    EXPECT_FALSE(registry.KeyExists(HKEY_LOCAL_MACHINE, kHive + L"\\Shared"));
    EXPECT_FALSE(registry.Get(HKEY_LOCAL_MACHINE, kHive + L"\\Menus", L"{0DE3E8C5-8C7F-4C1F-97D6-59D5AEBDAFFC}"));
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

TEST(ScriptEngineTest, EachRootIsItsHiveAndDeleteRemovesATree) {
    MemoryRegistry registry;
    ScopedRegistry scope(registry);
    registry.SetDword(HKEY_LOCAL_MACHINE, L"Old\\Gone\\Below", L"N", 1);
    const char16_t script[] =
        u"HKCR { A } HKCU { B } HKLM { C } HKU { D } HKCC { E }\n"
        u"HKLM { NoRemove Old { Delete Gone Delete Missing } }";
    ASSERT_EQ(RunScript(script, {}, ScriptMode::Register, nullptr), S_OK);
    EXPECT_EQ(Keys(registry),
              (std::vector<std::wstring>{L"HKCC\\E", L"HKCR\\A", L"HKCU\\B", L"HKLM\\C", L"HKLM\\Old", L"HKU\\D"}));

    ASSERT_EQ(RunScript(script, {}, ScriptMode::Unregister, nullptr), S_OK);
    EXPECT_EQ(Keys(registry), std::vector<std::wstring>{L"HKLM\\Old"});
}

TEST(ScriptEngineTest, ScriptThatDoesNotParseTouchesNothing) {
    MemoryRegistry registry;
    ScopedRegistry scope(registry);
    core::ScriptError error;
    EXPECT_EQ(RunScript(u"HKLM { A = s 'x' }\nHKLM { B", {}, ScriptMode::Register, &error),
              HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
    EXPECT_EQ(error.line, 2u);
    EXPECT_EQ(error.column, 9u);
    EXPECT_EQ(registry.TotalCount(), 0u);
}

}  // namespace
}  // namespace qz::registration
